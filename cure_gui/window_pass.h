// One pass over every window on the desktop that hands each window carrying a family
// marker to a handler, together with its root window.
#pragma once

#include <windows.h>

// Called once per root window for the first marked window found under that root.
typedef void (*MarkedWindowHandler)(HWND window, HWND root, void* context);

// Visits every top-level window and each of its descendants once; the descendants of
// a marked window are not looked at. Ends early once stopEvent (may be null) is set.
// True when at least one marked window was found.
bool WalkFamilyWindows(MarkedWindowHandler handler, void* context, HANDLE stopEvent);

// The top of the window's parent and owner chains, never the desktop window itself.
HWND FindRootWindow(HWND window);

// Sends a command message to another program's window, waiting a bounded time for it
// to be handled: a window that does not answer must not hold the worker. True when the
// window handled it; a send that ran out of time was withdrawn and never arrives.
bool SendBoundedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
