// A stand-in for the family's uninstaller. It records in "<its own path>.log" how it
// was started and what happened: by default it asks a Yes/No question in a box whose
// caption carries the family marker; with --frameless it shows a marked window without
// a dialog frame and records any command that window receives; --warm-up only starts;
// --hang shows a marked window and then answers no messages for 10 s, recording nothing;
// --late asks its question only after 2 s, as a slow uninstaller on a busy machine does.
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

namespace {

wchar_t g_logPath[MAX_PATH + 8];

void Log(const wchar_t* format, ...)
{
    wchar_t line[2048];
    va_list args;
    va_start(args, format);
    int units = _vsnwprintf(line, 2046, format, args);
    va_end(args);
    if (units < 0)
        units = 2046;
    line[units] = L'\n';
    char utf8[8192];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, units + 1, utf8, sizeof(utf8), NULL, NULL);
    HANDLE file = CreateFileW(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, utf8, bytes, &written, NULL);
    CloseHandle(file);
}

// Nobody answered: end rather than wait for ever, so that a failing test ends too.
DWORD WINAPI Watchdog(LPVOID)
{
    Sleep(15000);
    Log(L"answer=none");
    ExitProcess(3);
}

// Milliseconds since this process was created, which is about when the stage started
// waiting for its first question pass.
unsigned long SinceStart()
{
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER from, to;
    from.LowPart = created.dwLowDateTime;
    from.HighPart = created.dwHighDateTime;
    to.LowPart = now.dwLowDateTime;
    to.HighPart = now.dwHighDateTime;
    return static_cast<unsigned long>((to.QuadPart - from.QuadPart) / 10000);
}

// Records when the question box has its caption, which it gets in WM_INITDIALOG.
LRESULT CALLBACK QuestionReadyHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG)
        Log(L"asked after=%lu", SinceStart());
    return CallNextHookEx(NULL, code, wParam, lParam);
}

LRESULT CALLBACK FramelessProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        Log(L"command=%u", static_cast<unsigned>(wParam));
    if (message == WM_TIMER)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

void ShowFramelessWindow(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = FramelessProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"CureTestFrameless";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Digital Access", WS_POPUP, 10, 10,
                                  200, 50, NULL, NULL, instance, NULL);
    Log(L"shown after=%lu", SinceStart());
    ShowWindow(window, SW_SHOW);
    SetTimer(window, 1, 2000, NULL);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
    DestroyWindow(window);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    // The raw command line, not parsed: the question should come up without delay.
    const wchar_t* commandLine = GetCommandLineW();
    if (wcsstr(commandLine, L" --hang"))
    {
        // A marked window whose thread answers nothing for a long while.
        CreateWindowExW(0, L"STATIC", L"Digital Access (not responding)", WS_OVERLAPPEDWINDOW, 0, 0,
                        200, 100, NULL, NULL, instance, NULL);
        Sleep(10000);
        return 0;
    }
    DWORD units = GetModuleFileNameW(NULL, g_logPath, MAX_PATH);
    if (units == 0 || units >= MAX_PATH)
        return 2;
    wcscat(g_logPath, L".log");

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    Log(L"started flags=%lu show=%u", startup.dwFlags, startup.wShowWindow);
    Log(L"commandline=%ls", commandLine);
    if (wcsstr(commandLine, L" --warm-up"))
        return 0;
    bool frameless = wcsstr(commandLine, L" --frameless") != NULL;

    CreateThread(NULL, 0, Watchdog, NULL, 0, NULL);
    if (frameless)
    {
        ShowFramelessWindow(instance);
    }
    else
    {
        if (wcsstr(commandLine, L" --late"))
            Sleep(2000);
        SetWindowsHookExW(WH_CALLWNDPROCRET, QuestionReadyHook, NULL, GetCurrentThreadId());
        int answer = MessageBoxW(NULL, L"Do you want to remove the program and all of its components?",
                                 L"Digital Access Uninstall", MB_YESNO | MB_ICONQUESTION);
        Log(L"answer=%ls", answer == IDYES ? L"yes" : answer == IDNO ? L"no" : L"other");
        // Removing takes a while: the stage must wait for the end, not for the answer.
        Sleep(1500);
    }
    Log(L"finished");
    return 0;
}
