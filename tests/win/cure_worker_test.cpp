// Tests of the cure worker against windows of this test program: its reports to the
// dialog, which roots the window pass tells to end, and how it stops.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cure_messages.h"
#include "cure_worker.h"

namespace {

const wchar_t kRecordingClass[] = L"CureTestRecordingWindow";
const wchar_t kSilentClass[] = L"CureTestSilentWindow";
const wchar_t kScanning[] = L"Scanning system...";
const wchar_t kCured[] = L"Trojan-Ransom.Win32.Quorrel was cured!";
const wchar_t kNothingFound[] = L"There was no detection of Trojan-Ransom.Win32.Quorrel in system";

struct Received
{
    HWND window;
    UINT message;
    WPARAM wParam;
    std::wstring russian;
    std::wstring english;
};

std::vector<Received> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CURE_RESULT:
    {
        const LocalizedText* text = reinterpret_cast<const LocalizedText*>(wParam);
        g_received.push_back({window, message, 0, text->ru, text->en});
        return 0;
    }
    case WM_CURE_STAGE:
    case WM_DESTROY:
    case WM_COMMAND:
        g_received.push_back({window, message, wParam, L"", L""});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSW recording = {};
    recording.lpfnWndProc = RecordingProc;
    recording.hInstance = GetModuleHandleW(NULL);
    recording.lpszClassName = kRecordingClass;
    RegisterClassW(&recording);
    WNDCLASSW silent = {};
    silent.lpfnWndProc = DefWindowProcW;
    silent.hInstance = GetModuleHandleW(NULL);
    silent.lpszClassName = kSilentClass;
    RegisterClassW(&silent);
    registered = true;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Handles this thread's messages, including the worker's sends, for the given time.
void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds)
    {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
}

// Handles this thread's messages until the thread has ended or the time has passed.
bool PumpUntilEnded(HANDLE thread, DWORD limitMs)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < limitMs)
    {
        DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
        if (wait == WAIT_OBJECT_0)
            return true;
    }
    return false;
}

HWND CreateRecordingWindow(const wchar_t* text, DWORD style, HWND parentOrOwner)
{
    return CreateWindowExW(0, kRecordingClass, text, style, 0, 0, 200, 100, parentOrOwner, NULL,
                           GetModuleHandleW(NULL), NULL);
}

// What the dialog stand-in received, and which of the other windows were sent WM_DESTROY.
struct WorkerRun
{
    std::vector<Received> reports;
    std::map<HWND, int> destroyed;
};

WorkerRun RunWorkerToEnd(HWND recorder)
{
    g_received.clear();
    CCureWorker worker;
    EXPECT_TRUE(worker.Start(recorder));
    EXPECT_TRUE(PumpUntilEnded(worker.m_hThread, 30000));
    EXPECT_TRUE(worker.Stop());
    WorkerRun run;
    for (const Received& received : g_received)
    {
        if (received.window == recorder)
            run.reports.push_back(received);
        else if (received.message == WM_DESTROY)
            ++run.destroyed[received.window];
    }
    return run;
}

// "Scanning system...", stages 0 to 3 once each in order, then the verdict.
void ExpectFullProtocol(const std::vector<Received>& reports, const wchar_t* verdict)
{
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports[0].message, static_cast<UINT>(WM_CURE_RESULT));
    EXPECT_EQ(reports[0].english, kScanning);
    EXPECT_EQ(reports[0].russian, L"Идет сканирование системы...");
    for (int stage = 0; stage < 4; ++stage)
    {
        EXPECT_EQ(reports[1 + stage].message, static_cast<UINT>(WM_CURE_STAGE));
        EXPECT_EQ(reports[1 + stage].wParam, static_cast<WPARAM>(stage));
    }
    EXPECT_EQ(reports[5].message, static_cast<UINT>(WM_CURE_RESULT));
    EXPECT_EQ(reports[5].english, verdict);
}

class CureWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterClasses();
        recorder_ = CreateRecordingWindow(L"Recorder", WS_OVERLAPPEDWINDOW, NULL);
        ASSERT_NE(recorder_, static_cast<HWND>(NULL));
    }
    void TearDown() override
    {
        for (size_t i = windows_.size(); i > 0; --i)
            DestroyWindow(windows_[i - 1]);
        DestroyWindow(recorder_);
        PumpMessages();
    }

    HWND recorder_ = NULL;
    std::vector<HWND> windows_;
};

TEST_F(CureWorkerTest, ReportsStagesInOrderAndNoDetectionWithoutFamilyWindows)
{
    windows_.push_back(CreateRecordingWindow(L"Notepad", WS_OVERLAPPEDWINDOW, NULL));
    WorkerRun run = RunWorkerToEnd(recorder_);
    ExpectFullProtocol(run.reports, kNothingFound);
    EXPECT_EQ(run.reports[5].russian, L"В системе не обнаружен Trojan-Ransom.Win32.Quorrel");
    EXPECT_TRUE(run.destroyed.empty());
}

// A window of a case: its text, and the window it is a child of or the pop-up of.
enum WindowKind { kTopLevel, kChild, kOwnedPopup };
struct WindowSpec
{
    const wchar_t* text;
    WindowKind kind;
    int above;  // index of the parent or owner; -1 for a top-level window
};

struct PassCase
{
    const char* name;
    std::vector<WindowSpec> windows;
    std::vector<int> destroyed;  // each told to end exactly once
};

TEST_F(CureWorkerTest, WindowPassTellsEachMarkedWindowsRootToEndOnce)
{
    const PassCase cases[] = {
        {"marker alone", {{L"Digital Access", kTopLevel, -1}}, {0}},
        {"marker among other words", {{L"Setup - Get Accelerator 2.1 (trial)", kTopLevel, -1}}, {0}},
        {"other case", {{L"digital access", kTopLevel, -1}, {L"GET ACCELERATOR", kTopLevel, -1}}, {}},
        {"two blanks", {{L"Digital  Access", kTopLevel, -1}, {L"Get  Accelerator", kTopLevel, -1}}, {}},
        {"child control", {{L"Host", kTopLevel, -1}, {L"Get Accelerator", kChild, 0}}, {0}},
        {"owned pop-up", {{L"Owner", kTopLevel, -1}, {L"Digital Access", kOwnedPopup, 0}}, {0}},
        {"pop-up of a pop-up",
         {{L"Owner", kTopLevel, -1}, {L"Middle", kOwnedPopup, 0}, {L"Digital Access", kOwnedPopup, 1}},
         {0}},
        {"label three levels deep",
         {{L"Host", kTopLevel, -1}, {L"Panel", kChild, 0}, {L"Inner panel", kChild, 1},
          {L"Digital Access", kChild, 2}},
         {0}},
        {"two marked labels in one window",
         {{L"Host", kTopLevel, -1}, {L"Panel", kChild, 0}, {L"Digital Access", kChild, 1},
          {L"Get Accelerator", kChild, 0}},
         {0}},
        {"marked window with marked child",
         {{L"Digital Access", kTopLevel, -1}, {L"Get Accelerator", kChild, 0}}, {0}},
        {"marked owner and marked pop-up",
         {{L"Digital Access", kTopLevel, -1}, {L"Get Accelerator", kOwnedPopup, 0}}, {0}},
        {"two family windows",
         {{L"Digital Access", kTopLevel, -1}, {L"Other", kTopLevel, -1}, {L"Get Accelerator", kChild, 1}},
         {0, 1}},
    };
    for (const PassCase& testCase : cases)
    {
        SCOPED_TRACE(testCase.name);
        std::vector<HWND> created;
        for (const WindowSpec& wanted : testCase.windows)
        {
            HWND above = wanted.above >= 0 ? created[wanted.above] : NULL;
            DWORD style = wanted.kind == kChild        ? WS_CHILD | WS_VISIBLE
                          : wanted.kind == kOwnedPopup ? WS_POPUP | WS_CAPTION
                                                     : WS_OVERLAPPEDWINDOW;
            HWND window = CreateRecordingWindow(wanted.text, style, above);
            ASSERT_NE(window, static_cast<HWND>(NULL));
            created.push_back(window);
            windows_.push_back(window);
        }
        WorkerRun run = RunWorkerToEnd(recorder_);
        ExpectFullProtocol(run.reports, testCase.destroyed.empty() ? kNothingFound : kCured);
        std::map<HWND, int> expected;
        for (int index : testCase.destroyed)
            expected[created[index]] = 1;
        EXPECT_EQ(run.destroyed, expected);
        TearDown();
        windows_.clear();
        SetUp();
    }
}

TEST(CureWorkerFamilyMarker, MatchesOnlyTheExactMarkers)
{
    const struct
    {
        const wchar_t* text;
        bool matches;
    } cases[] = {
        {L"Digital Access", true},
        {L"Get Accelerator", true},
        {L"Uninstall Get Accelerator now", true},
        {L"xDigital Accessx", true},
        {L"", false},
        {L"Digital", false},
        {L"digital access", false},
        {L"Get accelerator", false},
        {L"Digital  Access", false},
        {L"Digital\u00a0Access", false},
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(CCureWorker::MatchesFamily(testCase.text), testCase.matches)
            << std::string(testCase.text, testCase.text + wcslen(testCase.text));
}

// A window on a thread of its own that handles no messages until it is released.
class SilentWindowThread
{
public:
    explicit SilentWindowThread(const wchar_t* text) : text_(text)
    {
        RegisterClasses();
        ready_ = CreateEventW(NULL, TRUE, FALSE, NULL);
        release_ = CreateEventW(NULL, TRUE, FALSE, NULL);
        thread_ = CreateThread(NULL, 0, ThreadProc, this, 0, NULL);
        WaitForSingleObject(ready_, 5000);
    }
    ~SilentWindowThread()
    {
        SetEvent(release_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    HWND window() const { return window_; }

private:
    static DWORD WINAPI ThreadProc(LPVOID param)
    {
        SilentWindowThread* self = static_cast<SilentWindowThread*>(param);
        self->window_ = CreateWindowExW(0, kSilentClass, self->text_, WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                        100, NULL, NULL, GetModuleHandleW(NULL), NULL);
        SetEvent(self->ready_);
        WaitForSingleObject(self->release_, INFINITE);
        DestroyWindow(self->window_);
        return 0;
    }

    const wchar_t* text_;
    HWND window_ = NULL;
    HANDLE ready_;
    HANDLE release_;
    HANDLE thread_;
};

DWORD TimeStop(CCureWorker& worker, bool* stopped)
{
    DWORD start = GetTickCount();
    *stopped = worker.Stop();
    return GetTickCount() - start;
}

TEST(CureWorkerStop, WithoutWorkerReturnsFalseAtOnce)
{
    CCureWorker worker;
    bool stopped = true;
    EXPECT_LT(TimeStop(worker, &stopped), 100u);
    EXPECT_FALSE(stopped);
}

TEST_F(CureWorkerTest, OnFinishedWorkerReturnsAtOnceAndOnlyOnce)
{
    CCureWorker worker;
    ASSERT_TRUE(worker.Start(recorder_));
    EXPECT_FALSE(worker.Start(recorder_));
    ASSERT_TRUE(PumpUntilEnded(worker.m_hThread, 30000));
    bool stopped = false;
    EXPECT_LT(TimeStop(worker, &stopped), 100u);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(worker.m_hThread, static_cast<HANDLE>(NULL));
    EXPECT_FALSE(worker.Stop());
}

TEST(CureWorkerStop, EndsWorkerStuckInASendByForceAfter2000Ms)
{
    // The dialog stand-in handles no messages, so the first report never returns.
    SilentWindowThread dialog(L"Stuck dialog");
    CCureWorker worker;
    ASSERT_TRUE(worker.Start(dialog.window()));
    Sleep(300);
    HANDLE thread = NULL;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), worker.m_hThread, GetCurrentProcess(), &thread,
                                0, FALSE, DUPLICATE_SAME_ACCESS));
    bool stopped = false;
    DWORD elapsed = TimeStop(worker, &stopped);
    EXPECT_TRUE(stopped);
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 3000u);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeThread(thread, &exitCode);
    EXPECT_EQ(exitCode, 0xFFFFFFFFu);
    CloseHandle(thread);
}

TEST_F(CureWorkerTest, CloseRequestEndsWorkerBetweenWindowsWithoutForce)
{
    // A family window whose thread answers nothing holds the worker in one bounded send;
    // a stop request made meanwhile ends the worker right after it, with no more reports.
    SilentWindowThread family(L"Digital Access");
    g_received.clear();
    CCureWorker worker;
    ASSERT_TRUE(worker.Start(recorder_));
    DWORD start = GetTickCount();
    while (g_received.size() < 2 && GetTickCount() - start < 10000)
        PumpFor(20);
    ASSERT_EQ(g_received.size(), 2u);
    PumpFor(200);
    HANDLE thread = NULL;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), worker.m_hThread, GetCurrentProcess(), &thread,
                                0, FALSE, DUPLICATE_SAME_ACCESS));
    bool stopped = false;
    DWORD elapsed = TimeStop(worker, &stopped);
    EXPECT_TRUE(stopped);
    EXPECT_LT(elapsed, 1500u);
    DWORD exitCode = 0xDEAD;
    GetExitCodeThread(thread, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(thread);
    PumpMessages();
    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(g_received[0].english, kScanning);
    EXPECT_EQ(g_received[1].message, static_cast<UINT>(WM_CURE_STAGE));
    EXPECT_EQ(g_received[1].wParam, 0u);
}

// Starts the test uninstaller, next to this program, with the given arguments.
bool StartHelper(const wchar_t* arguments, PROCESS_INFORMATION* process)
{
    wchar_t path[MAX_PATH];
    DWORD units = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (units == 0 || units >= MAX_PATH)
        return false;
    std::wstring helper(path);
    helper = helper.substr(0, helper.rfind(L'\\') + 1) + L"cure_test_uninstaller.exe";
    // Outside every drive (the test prefix has no drive for the build tree) Wine names
    // this program "unix\...", which only its "\\?\" form opens.
    if (helper.compare(0, 5, L"unix\\") == 0)
        helper = L"\\\\?\\" + helper;
    std::wstring commandLine = L"\"" + helper + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    *process = PROCESS_INFORMATION();
    return CreateProcessW(helper.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                          process) != FALSE;
}

HWND WaitForWindow(const wchar_t* caption)
{
    HWND window = NULL;
    for (int i = 0; i < 100 && !window; ++i, Sleep(50))
        window = FindWindowW(NULL, caption);
    return window;
}

void EndHelper(PROCESS_INFORMATION* process)
{
    TerminateProcess(process->hProcess, 0);
    WaitForSingleObject(process->hProcess, 5000);
    CloseHandle(process->hProcess);
    CloseHandle(process->hThread);
}

TEST(CureWorkerWindowPass, ReadsAHungProgramsWindowTextWithinABound)
{
    // The test uninstaller shows a marked window and then handles no messages for 10 s.
    PROCESS_INFORMATION process;
    ASSERT_TRUE(StartHelper(L"--hang", &process));
    ASSERT_NE(WaitForWindow(L"Digital Access (not responding)"), static_cast<HWND>(NULL));

    CCureWorker worker;
    DWORD start = GetTickCount();
    worker.CloseActiveInstances();
    DWORD elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, 2000u);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EndHelper(&process);
}

TEST(CureWorkerWindowPass, ReadsOtherProgramsLabelsButNotTheirUsersText)
{
    // Each helper window ends itself after 3 s; exit code 4 says it was told to end.
    const struct
    {
        const wchar_t* arguments;
        const wchar_t* caption;
        bool found;
    } cases[] = {
        // A letter that names the family, in a writable edit or rich-edit control.
        {L"--notepad", L"Letter - Notepad", false},
        {L"--notepad --rich-edit", L"Letter - Notepad", false},
        // The same text where nobody types it is a label.
        {L"--notepad --read-only", L"Letter - Notepad", true},
        // A family window that answers nothing for its first second: its caption is read
        // without it, and it answers WM_DESTROY within the send's bound.
        {L"--busy", L"Digital Access", true},
    };
    for (const auto& testCase : cases)
    {
        SCOPED_TRACE(std::string(testCase.arguments, testCase.arguments + wcslen(testCase.arguments)));
        PROCESS_INFORMATION process;
        ASSERT_TRUE(StartHelper(testCase.arguments, &process));
        ASSERT_NE(WaitForWindow(testCase.caption), static_cast<HWND>(NULL));
        CCureWorker worker;
        EXPECT_EQ(worker.CloseActiveInstances(), testCase.found);
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(exitCode, testCase.found ? 4u : 0u) << "4: the window was told to end";
        EndHelper(&process);
    }
}

}  // namespace
