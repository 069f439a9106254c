// The cure worker's thread, its stage sequence and reports, and stage 1: closing the
// family's running windows.
#include "cure_worker.h"

#include "cure_messages.h"
#include "family_marker.h"
#include "window_pass.h"

namespace {

const int kReportUnits = 1024;
const DWORD kStopWaitMs = 2000;

// Stage 1 handler: the root of a family window is told to end.
void CloseInstanceProc(HWND /*window*/, HWND root, void* /*worker*/)
{
    SendBoundedMessage(root, WM_DESTROY, 0, 0);
}

// Waits for the thread to end within the time, handling the messages other threads send
// to the calling thread meanwhile (the worker's report to the dialog among them) but no
// posted message or input. False when the time ran out.
bool WaitServingSentMessages(HANDLE thread, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        DWORD wait =
            MsgWaitForMultipleObjects(1, &thread, FALSE, milliseconds - spent, QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0)
            return true;
        if (wait != WAIT_OBJECT_0 + 1)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        // Handles the pending sent messages; nothing is taken from the queue.
        MSG msg;
        PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

CCureWorker::CCureWorker()
    : m_hThread(NULL), m_hDialog(NULL), m_bWindowFound(false), m_pResultInProgress(NULL),
      m_hStopEvent(NULL)
{
}

CCureWorker::~CCureWorker()
{
    Stop();
    if (m_hStopEvent)
        CloseHandle(m_hStopEvent);
}

bool CCureWorker::Start(HWND hDialog)
{
    m_hDialog = hDialog;
    if (m_hThread)
        return false;
    if (m_hStopEvent)
        ResetEvent(m_hStopEvent);
    else
        m_hStopEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    m_hThread = CreateThread(NULL, 0, ThreadProc, this, 0, NULL);
    return m_hThread != NULL;
}

bool CCureWorker::Stop()
{
    if (!m_hThread)
        return false;
    // The worker looks at the request between windows and between stages, so it
    // normally ends long before the bound; the forced end is the last resort for a
    // worker held in a send to a window that does not answer.
    if (m_hStopEvent)
        SetEvent(m_hStopEvent);
    // The handle is given up before the wait: a message served meanwhile may close the
    // dialog and call Stop again, which then finds no worker.
    HANDLE thread = m_hThread;
    m_hThread = NULL;
    if (!WaitServingSentMessages(thread, kStopWaitMs))
        TerminateThread(thread, static_cast<DWORD>(-1));
    CloseHandle(thread);
    return true;
}

DWORD WINAPI CCureWorker::ThreadProc(LPVOID worker)
{
    return static_cast<CCureWorker*>(worker)->Run();
}

bool CCureWorker::StopRequested() const
{
    return m_hStopEvent && WaitForSingleObject(m_hStopEvent, 0) == WAIT_OBJECT_0;
}

DWORD CCureWorker::Run()
{
    // After a stop request every report is left out and every stage returns at once.
    ReportResult(L"Идет сканирование системы...", L"Scanning system...");
    ReportStage(0);
    bool windowFound = CloseActiveInstances();
    ReportStage(1);
    bool installationFound = RunFamilyUninstaller();
    ReportStage(2);
    ReportStage(3);
    if (windowFound || installationFound)
        ReportResult(L"Trojan-Ransom.Win32.Quorrel излечен!",
                     L"Trojan-Ransom.Win32.Quorrel was cured!");
    else
        ReportResult(L"В системе не обнаружен Trojan-Ransom.Win32.Quorrel",
                     L"There was no detection of Trojan-Ransom.Win32.Quorrel in system");
    return 0;
}

void CCureWorker::ReportStage(int stage)
{
    if (StopRequested())
        return;
    SendMessageW(m_hDialog, WM_CURE_STAGE, static_cast<WPARAM>(stage), 0);
}

void CCureWorker::ReportResult(const wchar_t* russian, const wchar_t* english)
{
    if (StopRequested())
        return;
    // The dialog reads the pair only while it handles the send; the copies live on
    // this frame until the send has returned.
    wchar_t russianCopy[kReportUnits];
    wchar_t englishCopy[kReportUnits];
    lstrcpynW(russianCopy, russian, kReportUnits);
    lstrcpynW(englishCopy, english, kReportUnits);
    LocalizedText text = {russianCopy, englishCopy};
    m_pResultInProgress = &text;
    SendMessageW(m_hDialog, WM_CURE_RESULT, reinterpret_cast<WPARAM>(&text), 0);
    m_pResultInProgress = NULL;
}

bool CCureWorker::IsResultInProgress(const LocalizedText* text) const
{
    return text != NULL && text == m_pResultInProgress;
}

bool CCureWorker::CloseActiveInstances()
{
    m_bWindowFound = WalkFamilyWindows(CloseInstanceProc, this, m_hStopEvent);
    return m_bWindowFound;
}

bool CCureWorker::MatchesFamily(const wchar_t* text)
{
    return HasFamilyMarker(text);
}
