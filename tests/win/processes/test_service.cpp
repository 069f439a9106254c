// A service that runs until it is told to stop; registered under a worm component's name,
// it stands in for the worm's service. The service name is its first argument.
#include <windows.h>

namespace {

char service_name[MAX_PATH] = "TESTSVC";
SERVICE_STATUS_HANDLE status_handle;
HANDLE stop_event;

void report(DWORD state)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(status_handle, &status);
}

DWORD WINAPI control(DWORD code, DWORD, void *, void *)
{
    if (code == SERVICE_CONTROL_STOP) {
        report(SERVICE_STOP_PENDING);
        SetEvent(stop_event);
    }
    return NO_ERROR;
}

void WINAPI service_main(DWORD, char **)
{
    status_handle = RegisterServiceCtrlHandlerExA(service_name, control, NULL);
    if (!status_handle)
        return;
    stop_event = CreateEventA(NULL, TRUE, FALSE, NULL);
    report(SERVICE_RUNNING);
    WaitForSingleObject(stop_event, INFINITE);
    report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 1)
        lstrcpynA(service_name, argv[1], sizeof service_name);
    SERVICE_TABLE_ENTRYA table[] = {{service_name, service_main}, {NULL, NULL}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
