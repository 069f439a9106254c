// The cure worker: a thread that closes the family's windows, runs the family's
// uninstaller and reports each stage and the verdict to the dialog.
#pragma once

#include <windows.h>

struct LocalizedText;

class CCureWorker
{
public:
    CCureWorker();
    ~CCureWorker();  // stops the worker

    // Starts the worker thread reporting to hDialog; false when one already exists.
    bool Start(HWND hDialog);
    // Asks the worker to stop and waits at most 2000 ms, then ends it by force with
    // exit code 0xFFFFFFFF; false when there was no worker. Messages sent to the calling
    // thread are handled while it waits, so that a report in progress can return.
    bool Stop();

    // True when text is the pair of the result report this worker is sending right now:
    // the dialog believes no other result, from whatever sender.
    bool IsResultInProgress(const LocalizedText* text) const;

    // The cure sequence and its stages, run on the worker thread.
    DWORD Run();
    bool CloseActiveInstances();   // true when a family window was found
    bool RunFamilyUninstaller();   // true when the family's uninstaller was started

    // Case-sensitive test for "Digital Access" or "Get Accelerator" anywhere in text.
    static bool MatchesFamily(const wchar_t* text);

    // Written on the main thread by Start and Stop only; the worker never writes them.
    HANDLE m_hThread;
    HWND m_hDialog;
    // Written and read on the worker thread only.
    bool m_bWindowFound;

private:
    CCureWorker(const CCureWorker&);
    CCureWorker& operator=(const CCureWorker&);

    static DWORD WINAPI ThreadProc(LPVOID worker);

    bool StopRequested() const;
    void ReportStage(int stage);
    void ReportResult(const wchar_t* russian, const wchar_t* english);

    // The pair of the result send in progress, null between sends: written by the worker
    // around each send, read by the dialog while it handles a result.
    const LocalizedText* volatile m_pResultInProgress;

    // Manual-reset event, created by Start before the thread and set by Stop on the
    // main thread; the worker only waits on it and tests it between windows and stages.
    HANDLE m_hStopEvent;
};
