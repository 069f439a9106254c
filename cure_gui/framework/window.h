// A thin wrapper over a window handle, with the few operations the dialog needs that the
// platform has no single call for.
#pragma once

#include <windows.h>

class CWindow
{
public:
    explicit CWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}

    operator HWND() const { return m_hWnd; }
    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }

    // Centres a top-level window on hWndCenter, or when that is null on its owner, or
    // when it has no visible owner on the work area of the monitor nearest to it; the
    // result is kept inside that work area. Child windows are left where they are.
    BOOL CenterWindow(HWND hWndCenter = nullptr);

    HWND m_hWnd;
};
