// The window pass shared by the two cure stages: each window once, bounded text reads.
#include "window_pass.h"

#include "family_marker.h"
#include "window_text.h"

namespace {

const int kTextUnits = 1024;
// Text reads wait for windows only within this time from a pass's start; later windows
// are read from what the window system keeps, so that many busy windows can't stretch a
// pass without end.
const DWORD kTextWaitBudgetMs = 2000;
// Above the time a busy but living window takes to answer: a bounded send that runs out
// is withdrawn, and the window never gets the message.
const UINT kCommandTimeoutMs = 1000;
const int kMaxChainLength = 256;
const int kMaxHandledRoots = 256;
const int kMaxBusyThreads = 64;

struct FamilyWindowWalk
{
    MarkedWindowHandler handler;
    void* context;
    HANDLE stopEvent;
    DWORD startTick;
    bool found;
    bool stopped;
    int handledCount;
    HWND handledRoots[kMaxHandledRoots];
    int busyCount;
    DWORD busyThreads[kMaxBusyThreads];
    wchar_t text[kTextUnits];
};

bool StopRequested(FamilyWindowWalk* walk)
{
    if (walk->stopEvent && WaitForSingleObject(walk->stopEvent, 0) == WAIT_OBJECT_0)
        walk->stopped = true;
    return walk->stopped;
}

// True when the root was handled earlier in this pass; otherwise remembers it.
bool AlreadyHandled(FamilyWindowWalk* walk, HWND root)
{
    for (int i = 0; i < walk->handledCount; ++i)
        if (walk->handledRoots[i] == root)
            return true;
    if (walk->handledCount < kMaxHandledRoots)
        walk->handledRoots[walk->handledCount++] = root;
    return false;
}

// True when a window of the thread did not answer earlier in this pass: a busy thread
// is busy for each of its windows, and one wait for it is enough.
bool IsBusyThread(const FamilyWindowWalk* walk, DWORD thread)
{
    for (int i = 0; i < walk->busyCount; ++i)
        if (walk->busyThreads[i] == thread)
            return true;
    return false;
}

// Reads the window's label, waiting for its thread only within the pass's time for
// waiting and only until the thread has once failed to answer.
void ReadLabel(FamilyWindowWalk* walk, HWND window)
{
    DWORD thread = GetWindowThreadProcessId(window, NULL);
    bool mayWait = GetTickCount() - walk->startTick < kTextWaitBudgetMs &&
                   !IsBusyThread(walk, thread);
    if (!ReadWindowLabel(window, walk->text, kTextUnits, mayWait) &&
        walk->busyCount < kMaxBusyThreads)
        walk->busyThreads[walk->busyCount++] = thread;
}

// True when the window carries a marker; its root is then handed to the handler,
// unless an earlier marked window of this pass had the same root.
bool VisitWindow(FamilyWindowWalk* walk, HWND window)
{
    ReadLabel(walk, window);
    if (!HasFamilyMarker(walk->text))
        return false;
    walk->found = true;
    HWND root = FindRootWindow(window);
    if (!AlreadyHandled(walk, root))
        walk->handler(window, root, walk->context);
    return true;
}

BOOL CALLBACK DescendantProc(HWND window, LPARAM param)
{
    FamilyWindowWalk* walk = reinterpret_cast<FamilyWindowWalk*>(param);
    if (StopRequested(walk))
        return FALSE;
    // Every window below one top-level window shares that window's root, and that
    // root has just been handled: nothing further below it can change the outcome.
    return VisitWindow(walk, window) ? FALSE : TRUE;
}

BOOL CALLBACK TopLevelProc(HWND window, LPARAM param)
{
    FamilyWindowWalk* walk = reinterpret_cast<FamilyWindowWalk*>(param);
    if (StopRequested(walk))
        return FALSE;
    // The child enumeration reaches every descendant, not only the direct children,
    // so it is started once per top-level window and never again further down.
    if (!VisitWindow(walk, window))
        EnumChildWindows(window, DescendantProc, param);
    return walk->stopped ? FALSE : TRUE;
}

}  // namespace

HWND FindRootWindow(HWND window)
{
    HWND desktop = GetDesktopWindow();
    HWND root = window;
    for (int step = 0; step < kMaxChainLength; ++step)
    {
        HWND up = GetParent(root);
        if (!up || up == desktop)
            break;
        root = up;
    }
    return root;
}

bool SendBoundedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                               kCommandTimeoutMs, &result) != 0;
}

bool WalkFamilyWindows(MarkedWindowHandler handler, void* context, HANDLE stopEvent)
{
    FamilyWindowWalk walk = {};
    walk.handler = handler;
    walk.context = context;
    walk.stopEvent = stopEvent;
    walk.startTick = GetTickCount();
    if (!StopRequested(&walk))
        EnumWindows(TopLevelProc, reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}
