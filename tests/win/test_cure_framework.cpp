// The window framework under trevalin's dialog: the module's loop map, the message loop's
// filters, idle handlers and quit code, the dialog base's routing and centring.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/app_module.h"
#include "framework/dialog_impl.h"
#include "framework/message_loop.h"
#include "resource.h"

namespace {

const UINT kProbeMessage = WM_APP + 7;

struct Log
{
    std::vector<std::string> entries;
};

class RecordingFilter : public CMessageFilter
{
public:
    RecordingFilter(Log& log, const char* name, bool consume) : m_log(log), m_name(name), m_bConsume(consume) {}
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message != kProbeMessage)
            return FALSE;
        m_log.entries.push_back(m_name);
        return m_bConsume;
    }

private:
    Log& m_log;
    const char* m_name;
    bool m_bConsume;
};

class CountingIdle : public CIdleHandler
{
public:
    BOOL OnIdle() override
    {
        m_nCalls++;
        return m_nCalls < 3;  // wants idle time twice more, then lets the loop block
    }
    int m_nCalls = 0;
};

LRESULT CALLBACK RecordingWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == kProbeMessage)
    {
        reinterpret_cast<Log*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA))->entries.push_back("dispatched");
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND MakeRecordingWindow(Log& log)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FrameworkTestWindow";
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&log));
    return hWnd;
}

TEST(MessageLoop, OffersMessagesToFiltersNewestFirstAndDispatchesOnlyWhatNoneConsumed)
{
    struct Row
    {
        bool olderConsumes;
        bool newerConsumes;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {false, false, {"newer", "older", "dispatched"}},
        {true, false, {"newer", "older"}},
        {false, true, {"newer"}},
    };
    for (const Row& row : rows)
    {
        Log log;
        HWND hWnd = MakeRecordingWindow(log);
        ASSERT_NE(nullptr, hWnd);
        CMessageLoop loop;
        RecordingFilter older(log, "older", row.olderConsumes), newer(log, "newer", row.newerConsumes);
        loop.AddMessageFilter(&older);
        loop.AddMessageFilter(&newer);
        PostMessageW(hWnd, kProbeMessage, 0, 0);
        PostQuitMessage(42);
        EXPECT_EQ(42, loop.Run());
        EXPECT_EQ(row.expected, log.entries);
        DestroyWindow(hWnd);
    }
}

TEST(MessageLoop, RemovedFilterIsNotAskedAndIdleHandlersRunWhileTheQueueIsEmpty)
{
    Log log;
    HWND hWnd = MakeRecordingWindow(log);
    CMessageLoop loop;
    RecordingFilter removed(log, "removed", true);
    CountingIdle idle;
    loop.AddMessageFilter(&removed);
    EXPECT_TRUE(loop.RemoveMessageFilter(&removed));
    EXPECT_FALSE(loop.RemoveMessageFilter(&removed));
    loop.AddIdleHandler(&idle);
    // Quit from a timer, so that the loop has been idle and blocked first.
    SetTimer(hWnd, 1, 100, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(7); });
    PostMessageW(hWnd, kProbeMessage, 0, 0);
    EXPECT_EQ(7, loop.Run());
    EXPECT_EQ(std::vector<std::string>{"dispatched"}, log.entries);
    EXPECT_GE(idle.m_nCalls, 3);
    KillTimer(hWnd, 1);
    DestroyWindow(hWnd);
}

TEST(AppModule, KeepsOneLoopPerThreadBetweenInitAndTerm)
{
    CAppModule module;
    CMessageLoop loop, other;
    EXPECT_FALSE(module.AddMessageLoop(&loop)) << "not initialised yet";
    ASSERT_EQ(S_OK, module.Init(GetModuleHandleW(nullptr)));
    EXPECT_EQ(GetCurrentThreadId(), module.GetMainThreadID());
    EXPECT_EQ(GetModuleHandleW(nullptr), module.GetResourceInstance());
    EXPECT_TRUE(module.AddMessageLoop(&loop));
    EXPECT_FALSE(module.AddMessageLoop(&other));
    EXPECT_EQ(&loop, module.GetMessageLoop());

    // Another thread has no loop of its own.
    struct Query
    {
        CAppModule* module;
        CMessageLoop* found;
    } query = {&module, &loop};
    HANDLE hThread = CreateThread(nullptr, 0, [](LPVOID p) -> DWORD {
        Query* q = static_cast<Query*>(p);
        q->found = q->module->GetMessageLoop();
        return 0;
    }, &query, 0, nullptr);
    WaitForSingleObject(hThread, INFINITE);
    CloseHandle(hThread);
    EXPECT_EQ(nullptr, query.found);

    EXPECT_TRUE(module.RemoveMessageLoop());
    EXPECT_EQ(nullptr, module.GetMessageLoop());
    EXPECT_TRUE(module.AddMessageLoop(&loop));
    module.Term();
    EXPECT_EQ(nullptr, module.GetMessageLoop());
}

// A dialog on trevalin's template that records what reaches its message map.
class RecordingDlg : public CDialogImpl<RecordingDlg>
{
public:
    enum { IDD = IDD_MAINDLG };

    BEGIN_MESSAGE_MAP_OF(RecordingDlg)
        if (m_messages.empty())
            m_hWndAtFirstMessage = m_hWnd;
        m_messages.push_back(uMsg);
        ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
        ON_MESSAGE(kProbeMessage, OnProbe)
    END_MESSAGE_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        if (m_bThrowOnInit)
            throw std::runtime_error("handler failure");
        return TRUE;
    }
    LRESULT OnProbe(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam == 1)
            throw std::runtime_error("handler failure");
        bHandled = wParam == 2;  // 0: declines, so the message counts as unhandled
        return 1234;
    }
    void OnFinalMessage(HWND) override { m_bFinal = true; }

    std::vector<UINT> m_messages;
    HWND m_hWndAtFirstMessage = nullptr;
    bool m_bThrowOnInit = false;
    bool m_bFinal = false;
};

class DialogBase : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(S_OK, g_module.Init(GetModuleHandleW(nullptr))); }
    void TearDown() override { g_module.Term(); }
};

TEST_F(DialogBase, RoutesEveryMessageFromTheFirstToTheObject)
{
    RecordingDlg dlg;
    HWND hWnd = dlg.Create(nullptr, 0x5678);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(hWnd, dlg.m_hWnd);
    ASSERT_FALSE(dlg.m_messages.empty());
    // The template sets a font, so the font message comes before the initialisation.
    EXPECT_EQ(static_cast<UINT>(WM_SETFONT), dlg.m_messages.front());
    EXPECT_EQ(hWnd, dlg.m_hWndAtFirstMessage);
    EXPECT_NE(dlg.m_messages.end(), std::find(dlg.m_messages.begin(), dlg.m_messages.end(), static_cast<UINT>(WM_INITDIALOG)));

    // A handled message's result reaches the sender; a declined one gets the default.
    EXPECT_EQ(1234, SendMessageW(hWnd, kProbeMessage, 2, 0));
    EXPECT_EQ(0, SendMessageW(hWnd, kProbeMessage, 0, 0));

    DestroyWindow(hWnd);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_TRUE(dlg.m_bFinal);
}

TEST_F(DialogBase, ExceptionsInHandlersStayInsideTheDialogProcedure)
{
    RecordingDlg dlg;
    dlg.m_bThrowOnInit = true;
    HWND hWnd = dlg.Create(nullptr);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(0, SendMessageW(hWnd, kProbeMessage, 1, 0));
    EXPECT_TRUE(IsWindow(hWnd));
    DestroyWindow(hWnd);
}

TEST_F(DialogBase, SecondDialogGetsItsOwnObjectAndMissingTemplateMakesNoWindow)
{
    RecordingDlg first, second;
    HWND hFirst = first.Create(nullptr);
    HWND hSecond = second.Create(nullptr);
    ASSERT_NE(nullptr, hFirst);
    ASSERT_NE(nullptr, hSecond);
    EXPECT_EQ(hSecond, second.m_hWnd);
    size_t before = first.m_messages.size();
    SendMessageW(hSecond, kProbeMessage, 2, 0);
    EXPECT_EQ(before, first.m_messages.size());
    DestroyWindow(hFirst);
    DestroyWindow(hSecond);

    class MissingDlg : public CDialogImpl<MissingDlg>
    {
    public:
        enum { IDD = 4242 };
        BEGIN_MESSAGE_MAP_OF(MissingDlg)
        END_MESSAGE_MAP()
    } missing;
    EXPECT_EQ(nullptr, missing.Create(nullptr));
    // The slot left by the failed creation must not capture the next dialog's messages.
    RecordingDlg third;
    HWND hThird = third.Create(nullptr);
    ASSERT_NE(nullptr, hThird);
    EXPECT_EQ(hThird, third.m_hWnd);
    DestroyWindow(hThird);
}

TEST_F(DialogBase, CentresOnTheNearestMonitorsWorkAreaAndStaysInsideIt)
{
    RecordingDlg dlg;
    ASSERT_NE(nullptr, dlg.Create(nullptr));
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(dlg, MONITOR_DEFAULTTONEAREST), &mi));
    const RECT area = mi.rcWork;

    struct Row
    {
        int width, height;
    };
    // An ordinary size, and one larger than the work area, which is pinned to its corner.
    const Row rows[] = {{400, 200}, {(area.right - area.left) + 300, (area.bottom - area.top) + 200}};
    for (const Row& row : rows)
    {
        SetWindowPos(dlg, nullptr, area.left + 3, area.top + 3, row.width, row.height, SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(dlg.CenterWindow());
        RECT rc;
        GetWindowRect(dlg, &rc);
        const LONG width = rc.right - rc.left;
        if (width <= area.right - area.left)
        {
            // Equal margins on both sides, to the pixel that an odd difference leaves over.
            EXPECT_LE(std::abs((rc.left - area.left) - (area.right - rc.right)), 1);
            EXPECT_LE(std::abs((rc.top - area.top) - (area.bottom - rc.bottom)), 1);
            EXPECT_GE(rc.left, area.left);
            EXPECT_GE(rc.top, area.top);
        }
        else
        {
            EXPECT_EQ(area.left, rc.left);
            EXPECT_EQ(area.top, rc.top);
        }
    }
    DestroyWindow(dlg);
}

}  // namespace
