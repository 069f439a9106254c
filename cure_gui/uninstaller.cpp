// Stage 2 of the cure: finds the family's entry in the installed-programs list, runs
// its uninstaller hidden, answers the uninstaller's question with Yes and waits for it.
#include <windows.h>
#include <wchar.h>

#include "cure_worker.h"
#include "uninstall_command.h"
#include "window_pass.h"

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const int kTextUnits = 1024;
const DWORD kValueBytes = 1024;  // registry values are read up to 1024 bytes
const DWORD kQuestionPassIntervalMs = 500;

// Reads a value as text: up to its first NUL or the end of the bytes read. False when
// the value is missing, empty or longer than the read limit allows.
bool ReadTextValue(HKEY key, const wchar_t* name, wchar_t (&text)[kValueBytes / 2 + 1])
{
    text[0] = L'\0';
    DWORD bytes = kValueBytes;
    if (RegQueryValueExW(key, name, NULL, NULL, reinterpret_cast<BYTE*>(text), &bytes) !=
        ERROR_SUCCESS)
        return false;
    DWORD units = bytes / sizeof(wchar_t);
    if (units > kValueBytes / 2)
        units = kValueBytes / 2;
    text[units] = L'\0';
    size_t length = wcslen(text);
    // A text that fills the whole read without its terminator may have been cut.
    return length > 0 && length < kValueBytes / 2;
}

// The list's key path, a backslash and the entry's name; false when it won't fit.
bool BuildEntryPath(const wchar_t* name, DWORD nameUnits, wchar_t (&path)[kTextUnits])
{
    const size_t prefixUnits = wcslen(kUninstallKey);
    if (nameUnits >= kTextUnits - prefixUnits - 1)
        return false;
    wmemcpy(path, kUninstallKey, prefixUnits);
    path[prefixUnits] = L'\\';
    wmemcpy(path + prefixUnits + 1, name, nameUnits);
    path[prefixUnits + 1 + nameUnits] = L'\0';
    return true;
}

// The uninstall command of the first entry, in enumeration order, whose display name
// carries a family marker and whose uninstall command is not empty. view: 0 for the
// program's own registry view, or KEY_WOW64_64KEY.
bool FindFamilyUninstallCommand(REGSAM view, wchar_t (&command)[kValueBytes / 2 + 1])
{
    HKEY list = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, &list) !=
        ERROR_SUCCESS)
        return false;
    bool taken = false;
    for (DWORD index = 0; !taken; ++index)
    {
        wchar_t name[kTextUnits];
        DWORD nameUnits = kTextUnits;
        if (RegEnumKeyExW(list, index, name, &nameUnits, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        wchar_t entryPath[kTextUnits];
        HKEY entry = NULL;
        if (!BuildEntryPath(name, nameUnits, entryPath) ||
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, entryPath, 0, KEY_READ | view, &entry) !=
                ERROR_SUCCESS)
            continue;
        wchar_t displayName[kValueBytes / 2 + 1];
        if (ReadTextValue(entry, L"DisplayName", displayName) &&
            CCureWorker::MatchesFamily(displayName))
            taken = ReadTextValue(entry, L"UninstallString", command);
        RegCloseKey(entry);
    }
    RegCloseKey(list);
    return taken;
}

// True when this 32-bit program runs on 64-bit Windows, where its registry reads see the
// 32-bit view only. The call is looked up, as older systems lack it.
bool RunsUnderWow64()
{
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    IsWow64ProcessFn isWow64Process =
        kernel ? reinterpret_cast<IsWow64ProcessFn>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
               : NULL;
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The family's uninstall command from the program's own registry view, or else, on
// 64-bit Windows, from the 64-bit view, where 64-bit installers register.
bool FindFamilyUninstallCommandInAnyView(wchar_t (&command)[kValueBytes / 2 + 1])
{
    if (FindFamilyUninstallCommand(0, command))
        return true;
    return RunsUnderWow64() && FindFamilyUninstallCommand(KEY_WOW64_64KEY, command);
}

// Waits for the process to end, for a stop request, or for the time to pass; WAIT_TIMEOUT
// when the time passed.
DWORD WaitForProcessOrStop(HANDLE process, HANDLE stopEvent, DWORD milliseconds)
{
    HANDLE handles[2] = {process, stopEvent};
    return WaitForMultipleObjects(stopEvent ? 2 : 1, handles, FALSE, milliseconds);
}

// The question pass's handler: a question box is answered with Yes through the command
// its Yes button sends; a root without a dialog frame is no question box. answered (a
// bool) records that the command reached the question box: a send that ran out of time
// was withdrawn, and the question still waits.
void ConfirmUninstallProc(HWND /*window*/, HWND root, void* answered)
{
    if ((GetWindowLongW(root, GWL_STYLE) & WS_DLGFRAME) &&
        SendBoundedMessage(root, WM_COMMAND, MAKEWPARAM(IDYES, 0), 0x00060006))
        *static_cast<bool*>(answered) = true;
}

}  // namespace

bool CCureWorker::RunFamilyUninstaller()
{
    if (StopRequested())
        return false;
    wchar_t command[kValueBytes / 2 + 1];
    if (!FindFamilyUninstallCommandInAnyView(command))
        return false;

    // A command that does not fit after expansion is not started at all: a cut
    // command line could name another program or other arguments.
    wchar_t expanded[kTextUnits];
    DWORD needed = ExpandEnvironmentStringsW(command, expanded, kTextUnits);
    if (needed == 0 || needed > static_cast<DWORD>(kTextUnits))
        return false;

    wchar_t application[MAX_PATH];
    wchar_t commandLine[kTextUnits];  // CreateProcessW may write into its command line
    if (!PrepareUninstallCommand(expanded, application, MAX_PATH, commandLine, kTextUnits))
        return false;
    if (StopRequested())
        return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(application[0] ? application : NULL, commandLine, NULL, NULL, FALSE, 0,
                        NULL, NULL, &startup, &process))
        return false;

    // A pass after at most half a second, also when the uninstaller has ended by then,
    // and another every half second until the uninstaller's question is answered: on a
    // busy machine the question can come later than the first half second, and a question
    // left unanswered would keep the hidden uninstaller, and the cure, waiting for ever.
    // Then the wait for its end, which only a stop request cuts short.
    bool answered = false;
    for (;;)
    {
        DWORD wait = WaitForProcessOrStop(process.hProcess, m_hStopEvent, kQuestionPassIntervalMs);
        if (wait != WAIT_OBJECT_0 && wait != WAIT_TIMEOUT)
            break;
        WalkFamilyWindows(ConfirmUninstallProc, &answered, m_hStopEvent);
        if (answered || wait == WAIT_OBJECT_0)
            break;
    }
    WaitForProcessOrStop(process.hProcess, m_hStopEvent, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}
