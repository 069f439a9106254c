// The main dialog of trevalin in-process, on the real worker, the window framework under
// it, and the resources the dialog is built from.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/app_module.h"
#include "framework/dialog_impl.h"
#include "framework/message_loop.h"
#include "main_dlg.h"

namespace {

const wchar_t kNoDetection[] = L"There was no detection of Trojan-Ransom.Win32.Quorrel in system";

std::wstring ItemText(HWND hDlg, int id)
{
    wchar_t buffer[1024] = {};
    if (id == -1)
        GetWindowTextW(hDlg, buffer, 1024);
    else
        GetDlgItemTextW(hDlg, id, buffer, 1024);
    return buffer;
}

LONG FontWeight(HWND hWnd)
{
    LOGFONTW lf = {};
    HFONT hFont = reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0));
    if (hFont == nullptr || GetObjectW(hFont, sizeof(lf), &lf) != sizeof(lf))
        return -1;
    return lf.lfWeight;
}

// The window's own visibility; its dialog may still be hidden.
bool IsShown(HWND hWnd)
{
    return (GetWindowLongW(hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Handles this thread's messages until done() holds; false on timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000)
{
    DWORD start = GetTickCount();
    while (!done())
    {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// The module and the thread's loop, as the program's start-up prepares them.
class ModuleFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, g_module.Init(GetModuleHandleW(nullptr)));
        ASSERT_TRUE(g_module.AddMessageLoop(&m_loop));
    }
    void TearDown() override
    {
        g_module.RemoveMessageLoop();
        g_module.Term();
    }
    CMessageLoop m_loop;
};

class MainDialog : public ModuleFixture
{
protected:
    void TearDown() override
    {
        if (IsWindow(m_dlg.m_hWnd))
            DestroyWindow(m_dlg.m_hWnd);
        ModuleFixture::TearDown();
    }
    bool WaitForVerdict()
    {
        return PumpUntil([this] { return ItemText(m_dlg, IDC_RESULT) == kNoDetection; });
    }
    CMainDlg m_dlg;
};

TEST_F(MainDialog, ReadsCloseBeforeTheFirstReportAndAfterTheVerdict)
{
    ASSERT_NE(nullptr, m_dlg.Create(nullptr));
    // The worker is running but its first report waits for this thread's messages.
    EXPECT_EQ(L"Varnholt Lab: Cure Trojan-Ransom.Win.Quorrel", ItemText(m_dlg, -1));
    EXPECT_EQ(L"Cure info:", ItemText(m_dlg, IDC_INFO_GROUP));
    EXPECT_EQ(L"cure of active infection", ItemText(m_dlg, IDC_STAGE_ACTIVE));
    EXPECT_EQ(L"removing malware from system", ItemText(m_dlg, IDC_STAGE_REMOVE));
    EXPECT_EQ(L"clean up the file system from malware", ItemText(m_dlg, IDC_STAGE_FILES));
    EXPECT_EQ(L"Close", ItemText(m_dlg, IDC_FINISH));
    EXPECT_EQ(L"Results:", ItemText(m_dlg, IDC_RESULT_GROUP));
    EXPECT_EQ(L"", ItemText(m_dlg, IDC_RESULT));
    EXPECT_FALSE(IsShown(m_dlg.GetDlgItem(IDC_PROGRESS)));
    for (int id : {IDC_STAGE_ACTIVE, IDC_STAGE_REMOVE, IDC_STAGE_FILES})
        EXPECT_FALSE(IsWindowEnabled(m_dlg.GetDlgItem(id))) << id;
    EXPECT_FALSE(IsWindowVisible(m_dlg)) << "shown by the start-up, not by the template";
    EXPECT_NE(0, GetWindowLongW(m_dlg.GetDlgItem(IDC_PROGRESS), GWL_STYLE) & PBS_MARQUEE);

    ASSERT_TRUE(WaitForVerdict());
    EXPECT_EQ(L"Close", ItemText(m_dlg, IDC_FINISH));
    EXPECT_FALSE(IsShown(m_dlg.GetDlgItem(IDC_PROGRESS)));
    EXPECT_EQ(FW_BOLD, FontWeight(m_dlg.GetDlgItem(IDC_RESULT)));
    for (int id : {IDC_STAGE_ACTIVE, IDC_STAGE_REMOVE, IDC_STAGE_FILES})
    {
        EXPECT_TRUE(IsWindowEnabled(m_dlg.GetDlgItem(id))) << id;
        EXPECT_NE(FW_BOLD, FontWeight(m_dlg.GetDlgItem(id))) << id;
    }
}

TEST_F(MainDialog, EachStageReportSetsLinesButtonAndProgressBar)
{
    ASSERT_NE(nullptr, m_dlg.Create(nullptr));
    ASSERT_TRUE(WaitForVerdict());
    const int lines[] = {IDC_STAGE_ACTIVE, IDC_STAGE_REMOVE, IDC_STAGE_FILES};

    struct Row
    {
        int stage;
        const wchar_t* button;
        int progressBeside;  // stage line, or 0 for a hidden bar
        int boldLine;        // 0: none
        bool enabled[3];
    };
    const Row rows[] = {
        {0, L"Cancel", IDC_STAGE_ACTIVE, IDC_STAGE_ACTIVE, {true, false, false}},
        {1, L"Cancel", IDC_STAGE_REMOVE, IDC_STAGE_REMOVE, {true, true, false}},
        {2, L"Cancel", IDC_STAGE_FILES, IDC_STAGE_FILES, {true, true, true}},
        {3, L"Close", 0, 0, {true, true, true}},
        {1, L"Cancel", IDC_STAGE_REMOVE, IDC_STAGE_REMOVE, {true, true, false}},
        // Unknown stages change no control: the state of stage 1 stays.
        {7, L"Cancel", IDC_STAGE_REMOVE, IDC_STAGE_REMOVE, {true, true, false}},
        {-5, L"Cancel", IDC_STAGE_REMOVE, IDC_STAGE_REMOVE, {true, true, false}},
        // Idle hides the bar and leaves the lines alone.
        {-1, L"Cancel", 0, IDC_STAGE_REMOVE, {true, true, false}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.stage);
        SendMessageW(m_dlg, WM_CURE_STAGE, static_cast<WPARAM>(static_cast<INT_PTR>(row.stage)), 0);
        EXPECT_EQ(row.button, ItemText(m_dlg, IDC_FINISH));
        HWND hProgress = m_dlg.GetDlgItem(IDC_PROGRESS);
        EXPECT_EQ(row.progressBeside != 0, IsShown(hProgress));
        if (row.progressBeside != 0)
        {
            RECT rcBar, rcLine, rcGroup;
            GetWindowRect(hProgress, &rcBar);
            GetWindowRect(m_dlg.GetDlgItem(row.progressBeside), &rcLine);
            GetWindowRect(m_dlg.GetDlgItem(IDC_INFO_GROUP), &rcGroup);
            // Beside its stage line: to the right of where the line starts, level with it.
            EXPECT_GT(rcBar.left, rcLine.left);
            EXPECT_LT(rcBar.top, rcLine.bottom);
            EXPECT_GT(rcBar.bottom, rcLine.top);
            // And inside the group that frames the stage lines.
            EXPECT_GE(rcBar.left, rcGroup.left);
            EXPECT_LE(rcBar.right, rcGroup.right);
            EXPECT_GE(rcBar.top, rcGroup.top);
            EXPECT_LE(rcBar.bottom, rcGroup.bottom);
        }
        for (int i = 0; i < 3; i++)
        {
            EXPECT_EQ(row.enabled[i], IsWindowEnabled(m_dlg.GetDlgItem(lines[i])) != FALSE) << lines[i];
            EXPECT_EQ(lines[i] == row.boldLine, FontWeight(m_dlg.GetDlgItem(lines[i])) == FW_BOLD) << lines[i];
        }
    }
}

TEST_F(MainDialog, ResultLineFollowsTheRussianTextBeingEmpty)
{
    ASSERT_NE(nullptr, m_dlg.Create(nullptr));
    ASSERT_TRUE(WaitForVerdict());
    struct Row
    {
        const wchar_t* ru;
        const wchar_t* en;
        const wchar_t* shown;
    };
    const Row rows[] = {
        {L"русский", L"English words", L"English words"},
        {L"", L"English only", L""},
        {L"x", L"", L""},
    };
    for (const Row& row : rows)
    {
        LocalizedText text = {row.ru, row.en};
        m_dlg.ShowResult(text);
        EXPECT_EQ(row.shown, ItemText(m_dlg, IDC_RESULT)) << row.en;
    }
}

// How the user closes the dialog, and the loop's result: the program's exit code.
TEST_F(MainDialog, ClosingEndsTheLoopWithTheExitCode)
{
    struct Row
    {
        const char* how;
        std::function<void(HWND)> close;
        int code;
    };
    auto key = [](WORD vk) {
        return [vk](HWND hDlg) {
            HWND hFocus = GetFocus();
            HWND hTarget = hFocus != nullptr ? hFocus : hDlg;
            PostMessageW(hTarget, WM_KEYDOWN, vk, 1);
            PostMessageW(hTarget, WM_KEYUP, vk, 0xC0000001);
        };
    };
    const Row rows[] = {
        {"button", [](HWND h) { PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDC_FINISH, BN_CLICKED), 0); }, 1},
        {"Enter", key(VK_RETURN), 1},
        {"Esc", key(VK_ESCAPE), 2},
        {"close box", [](HWND h) { PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0); }, 2},
        {"IDCANCEL with a notification code", [](HWND h) { PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, 5), 0); }, 2},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.how);
        CMainDlg dlg;
        ASSERT_NE(nullptr, dlg.Create(nullptr));
        ShowWindow(dlg, SW_SHOW);
        SetForegroundWindow(dlg);
        ASSERT_TRUE(PumpUntil([&dlg] { return ItemText(dlg, IDC_RESULT) == kNoDetection; }));
        HWND hDlg = dlg;
        row.close(hDlg);
        EXPECT_EQ(row.code, m_loop.Run());
        EXPECT_FALSE(IsWindow(hDlg));
    }
}

// A second handle to the worker's thread, which Stop closes.
HANDLE WorkerThread(CMainDlg& dlg)
{
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), dlg.Worker().m_hThread, GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return thread;
}

DWORD ExitCodeOf(HANDLE thread)
{
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0)
        GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

TEST_F(MainDialog, ClosingWhileTheCureRunsStopsTheWorker)
{
    CMainDlg dlg;
    ASSERT_NE(nullptr, dlg.Create(nullptr));
    HANDLE thread = WorkerThread(dlg);
    ASSERT_NE(nullptr, thread);
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_FINISH, BN_CLICKED), 0);
    DWORD start = GetTickCount();
    EXPECT_EQ(1, m_loop.Run());
    // The worker's stop is bounded; the window is gone when the loop ends.
    EXPECT_LT(GetTickCount() - start, 2600u);
    EXPECT_FALSE(IsWindow(dlg.m_hWnd));
    // Ended by its stop request, not by force.
    EXPECT_EQ(0u, ExitCodeOf(thread));
}

TEST_F(MainDialog, ClosingDuringAReportEndsTheWorkerCleanly)
{
    CMainDlg dlg;
    ASSERT_NE(nullptr, dlg.Create(nullptr));
    HANDLE thread = WorkerThread(dlg);
    ASSERT_NE(nullptr, thread);
    // No message is handled here, so the worker's first report waits in its send; the
    // close comes meanwhile, straight into the dialog.
    Sleep(300);
    DWORD start = GetTickCount();
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_FINISH, BN_CLICKED), 0);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_FALSE(IsWindow(dlg.m_hWnd));
    EXPECT_LT(elapsed, 1000u);
    EXPECT_EQ(0u, ExitCodeOf(thread)) << "0xFFFFFFFF: ended by force";
    EXPECT_EQ(1, m_loop.Run());
}

// Another program can send or post the result's message number with any value: the
// dialog neither reads it nor loses the worker's own verdict.
DWORD WINAPI SendStrayResult(LPVOID dialog)
{
    SendMessageW(static_cast<HWND>(dialog), WM_CURE_RESULT, 0x10, 0);
    SendMessageW(static_cast<HWND>(dialog), WM_CURE_RESULT, static_cast<WPARAM>(-8), 0);
    return 0;
}

TEST_F(MainDialog, IgnoresResultsThatAreNotTheWorkersReport)
{
    ASSERT_NE(nullptr, m_dlg.Create(nullptr));
    PostMessageW(m_dlg, WM_CURE_RESULT, 0x20, 0);
    HANDLE sender = CreateThread(nullptr, 0, SendStrayResult, static_cast<HWND>(m_dlg), 0, nullptr);
    ASSERT_NE(nullptr, sender);
    EXPECT_TRUE(PumpUntil([sender] { return WaitForSingleObject(sender, 0) == WAIT_OBJECT_0; }));
    CloseHandle(sender);
    ASSERT_TRUE(WaitForVerdict());
    PostMessageW(m_dlg, WM_CURE_RESULT, 0x30, 0);
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(IsWindow(m_dlg));
    EXPECT_EQ(kNoDetection, ItemText(m_dlg, IDC_RESULT));
}

}  // namespace
