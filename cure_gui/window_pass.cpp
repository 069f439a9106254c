// The window pass shared by the two cure stages: each window once, bounded text reads.
#include "window_pass.h"

#include "cure_worker.h"

namespace {

const int kTextUnits = 1024;
// Long enough for a busy but living window, short enough that a close request is
// honoured well within the dialog's 2000 ms bound on stopping the worker.
const UINT kTextReadTimeoutMs = 250;
const UINT kCommandTimeoutMs = 1000;
const int kMaxChainLength = 256;
const int kMaxHandledRoots = 256;

struct FamilyWindowWalk
{
    MarkedWindowHandler handler;
    void* context;
    HANDLE stopEvent;
    bool found;
    bool stopped;
    int handledCount;
    HWND handledRoots[kMaxHandledRoots];
    wchar_t text[kTextUnits];
};

// Reads a window's own text; an unreadable text is empty. Windows of this process are
// read without a message: the main thread owning them may be waiting for the worker.
void ReadWindowText(HWND window, wchar_t* text, int capacity)
{
    text[0] = L'\0';
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == GetCurrentProcessId())
    {
        InternalGetWindowText(window, text, capacity);
        text[capacity - 1] = L'\0';
        return;
    }
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kTextReadTimeoutMs, &copied))
        copied = 0;
    if (copied >= static_cast<DWORD_PTR>(capacity))
        copied = capacity - 1;
    text[copied] = L'\0';
}

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

// True when the window carries a marker; its root is then handed to the handler,
// unless an earlier marked window of this pass had the same root.
bool VisitWindow(FamilyWindowWalk* walk, HWND window)
{
    ReadWindowText(window, walk->text, kTextUnits);
    if (!CCureWorker::MatchesFamily(walk->text))
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

void SendBoundedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kCommandTimeoutMs,
                        &result);
}

bool WalkFamilyWindows(MarkedWindowHandler handler, void* context, HANDLE stopEvent)
{
    FamilyWindowWalk walk = {};
    walk.handler = handler;
    walk.context = context;
    walk.stopEvent = stopEvent;
    if (!StopRequested(&walk))
        EnumWindows(TopLevelProc, reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}
