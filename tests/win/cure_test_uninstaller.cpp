// A stand-in for the family's uninstaller. It records in "<its own path>.log" how it
// was started and what happened: by default it asks a Yes/No question in a box whose
// caption carries the family marker; with --frameless it shows a marked window without
// a dialog frame and records any command that window receives; --warm-up only starts;
// --hang shows a marked window and then answers no messages for 10 s, recording nothing;
// --late asks its question only after 2 s, as a slow uninstaller on a busy machine does;
// --busy-question asks in a window whose thread is busy for the first 2.5 s, the marker
// on a label that another thread keeps answering for; --framed shows a marked window
// with a caption for 10 s and records any command it receives.
// Without a record (exit code 4 when the window was told to end, else 0): --busy shows a
// marked window whose thread answers nothing for its first second; --notepad shows a
// captioned frame holding an edit control whose text carries a marker (--read-only: the
// edit is read-only, --rich-edit: a rich-edit control instead).
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

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        Log(L"command=%u", static_cast<unsigned>(wParam));
    if (message == WM_TIMER)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

void PumpMessages()
{
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
}

void ShowRecordingWindow(HINSTANCE instance, DWORD style, UINT lifeMs)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"CureTestRecording";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Digital Access", style, 10, 10,
                                  200, 50, NULL, NULL, instance, NULL);
    Log(L"shown after=%lu", SinceStart());
    ShowWindow(window, SW_SHOW);
    SetTimer(window, 1, lifeMs, NULL);
    PumpMessages();
    DestroyWindow(window);
}

// The busy question: the frame's thread answers Yes once it handles messages again.
LRESULT CALLBACK BusyQuestionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDYES)
    {
        Log(L"answer=yes");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct LabelThread
{
    HWND frame;
    HANDLE ready;
};

DWORD WINAPI LabelThreadProc(LPVOID param)
{
    LabelThread* label = static_cast<LabelThread*>(param);
    CreateWindowExW(0, L"STATIC", L"Do you want to remove Digital Access?", WS_CHILD | WS_VISIBLE,
                    10, 10, 300, 20, label->frame, NULL, GetModuleHandleW(NULL), NULL);
    SetEvent(label->ready);
    PumpMessages();
    return 0;
}

void AskBusyQuestion(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = BusyQuestionProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"CureTestBusyQuestion";
    RegisterClassW(&windowClass);
    HWND frame = CreateWindowExW(0, windowClass.lpszClassName, L"Uninstall",
                                 WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 10, 10, 400, 120, NULL, NULL,
                                 instance, NULL);
    LabelThread label = {frame, CreateEventW(NULL, TRUE, FALSE, NULL)};
    CreateThread(NULL, 0, LabelThreadProc, &label, 0, NULL);
    // The label's creation tells its parent: serve that while waiting for the label.
    while (MsgWaitForMultipleObjects(1, &label.ready, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    Log(L"asked after=%lu", SinceStart());
    Sleep(2500);
    PumpMessages();
    DestroyWindow(frame);
}

bool g_toldToEnd = false;

LRESULT CALLBACK EndRecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Told by another program, not the window's own end at the close of this test.
    if (message == WM_DESTROY && InSendMessage())
        g_toldToEnd = true;
    if (message == WM_TIMER)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// A window that says whether it was told to end, in the exit code; it lives lifeMs, of
// which the first busyMs it handles no messages.
int ShowEndRecordingWindow(HINSTANCE instance, const wchar_t* commandLine)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = EndRecordingProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"CureTestEndRecording";
    RegisterClassW(&windowClass);
    bool notepad = wcsstr(commandLine, L" --notepad") != NULL;
    HWND frame = CreateWindowExW(0, windowClass.lpszClassName,
                                 notepad ? L"Letter - Notepad" : L"Digital Access",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 200, NULL, NULL,
                                 instance, NULL);
    if (notepad)
    {
        bool richEdit = wcsstr(commandLine, L" --rich-edit") != NULL;
        if (richEdit)
            LoadLibraryExW(L"riched20.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
        DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE;
        if (wcsstr(commandLine, L" --read-only"))
            style |= ES_READONLY;
        CreateWindowExW(0, richEdit ? L"RichEdit20W" : L"Edit",
                        L"Dear support, since Digital Access came I can't open my files.", style,
                        0, 0, 380, 150, frame, NULL, instance, NULL);
    }
    SetTimer(frame, 1, 3000, NULL);
    if (!notepad)
        Sleep(1000);
    PumpMessages();
    DestroyWindow(frame);
    return g_toldToEnd ? 4 : 0;
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
    bool busyQuestion = wcsstr(commandLine, L" --busy-question") != NULL;
    if ((wcsstr(commandLine, L" --busy") && !busyQuestion) || wcsstr(commandLine, L" --notepad"))
        return ShowEndRecordingWindow(instance, commandLine);
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
    bool framed = wcsstr(commandLine, L" --framed") != NULL;

    CreateThread(NULL, 0, Watchdog, NULL, 0, NULL);
    if (frameless || framed)
    {
        ShowRecordingWindow(instance, frameless ? WS_POPUP : WS_OVERLAPPEDWINDOW,
                            frameless ? 2000 : 10000);
    }
    else if (busyQuestion)
    {
        AskBusyQuestion(instance);
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
