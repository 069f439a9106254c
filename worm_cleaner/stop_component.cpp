// Stopping one worm component: its service, its running processes and its service keys in
// every numbered control set (NT family, with the debug privilege only).
#include "stop_component.h"

#include "ascii_case.h"
#include "console.h"
#include "path_join.h"
#include "platform_family.h"

#include <cstdio>

namespace {

char target_name[MAX_PATH];

const char administrator_message[] =
    "To stop virus processes programm must be started with Administrator privileges \n";

bool enable_one_privilege(HANDLE token, const char *privilege)
{
    TOKEN_PRIVILEGES wanted = {};
    if (!LookupPrivilegeValueA(NULL, privilege, &wanted.Privileges[0].Luid))
        return false;
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // The call succeeds even when the token lacks the privilege; only the last error
    // (ERROR_NOT_ALL_ASSIGNED) tells.
    SetLastError(ERROR_SUCCESS);
    AdjustTokenPrivileges(token, FALSE, &wanted, 0, NULL, NULL);
    return GetLastError() == ERROR_SUCCESS;
}

void stop_and_delete_service()
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        console_print("%s", administrator_message);
        return;
    }
    SC_HANDLE service = OpenServiceA(manager, target_name, SERVICE_STOP);
    if (service) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        CloseServiceHandle(service);
        service = OpenServiceA(manager, target_name, STANDARD_RIGHTS_REQUIRED);
        if (service) {
            DeleteService(service);
            CloseServiceHandle(service);
        }
    }
    CloseServiceHandle(manager);
}

void stop_processes()
{
    const DWORD count = list_processes(process_list, process_list_capacity);
    const DWORD own_id = GetCurrentProcessId();
    for (DWORD i = 0; i < count; ++i) {
        const ProcessRecord *record = &process_list[i];
        if (record->process_id == own_id || !equal_ignoring_ascii_case(record->name, target_name))
            continue;
        if (stop_process(record))
            console_print("%s process could be started by virus\nand can have virus code so program stop it.\n",
                          target_name);
        else
            console_print("%s process can not be stopped but it can be started by virus.\n"
                          "So we recomend to try to delete this file manually after reboot.\n",
                          target_name);
    }
}

// Deletes the service key from ControlSet001, 002, ... up to the first that can't be opened.
void delete_service_keys()
{
    for (int number = 1; number <= 999; ++number) {
        char services_name[MAX_PATH];
        snprintf(services_name, sizeof services_name, "SYSTEM\\ControlSet%03d\\Services", number);
        HKEY services;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, services_name, 0, KEY_ALL_ACCESS, &services) != ERROR_SUCCESS)
            return;
        HKEY service;
        if (RegOpenKeyExA(services, target_name, 0, KEY_ALL_ACCESS, &service) == ERROR_SUCCESS) {
            // A key with subkeys can't be deleted; "Security" is the one every service has.
            RegDeleteKeyA(service, "Security");
            RegCloseKey(service);
            RegDeleteKeyA(services, target_name);
        }
        RegCloseKey(services);
    }
}

}  // namespace

bool stop_worm_component(const char *name)
{
    // An empty name would make the service key walk act on the Services key itself.
    if (!name || !join_path(target_name, sizeof target_name, name, "") || target_name[0] == '\0')
        return true;
    if (is_nt_platform() != platform_nt)
        return true;
    if (!enable_privileges()) {
        console_print("%s", administrator_message);
        return false;
    }
    stop_and_delete_service();
    stop_processes();
    delete_service_keys();
    return true;
}

bool enable_privileges()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    const bool debug = enable_one_privilege(token, "SeDebugPrivilege");
    CloseHandle(token);
    if (!debug)
        return false;
    // Best effort: nothing relies on the shutdown privilege.
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
        enable_one_privilege(token, "SeShutdownPrivilege");
        CloseHandle(token);
    }
    return true;
}

bool stop_process(const ProcessRecord *record)
{
    // A process that can't be opened goes on running: it has not been stopped.
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, record->process_id);
    if (!process)
        return false;
    const bool stopped = TerminateProcess(process, 1) != FALSE;
    CloseHandle(process);
    return stopped;
}
