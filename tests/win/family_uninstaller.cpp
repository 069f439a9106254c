// A stand-in for the ransomware family's own uninstaller, for trevalin's whole-program
// tests: a window-less program that asks its Yes/No question at once, in a box whose
// caption carries the family's name, and appends the answer to the file named on its
// command line. It is a GUI program so that no console has to be made before the question.
// A question nobody answers ends the program after 20 s with "answer=none", so that a
// cure waiting for it is not held for ever.
#include <windows.h>

#include "record_line.h"

namespace {

const wchar_t* g_record = L"C:\\family_uninstall.txt";

DWORD WINAPI Watchdog(LPVOID)
{
    Sleep(20000);
    Record(g_record, "answer=none");
    ExitProcess(3);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc > 1)
        g_record = argv[argc - 1];
    const wchar_t* record = g_record;
    Record(record, "started");
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    int answer = MessageBoxW(nullptr, L"Do you want to remove Digital Access from this computer?",
                             L"Digital Access Uninstall", MB_YESNO | MB_ICONQUESTION);
    Record(record, answer == IDYES ? "answer=yes" : answer == IDNO ? "answer=no" : "answer=other");
    return 0;
}
