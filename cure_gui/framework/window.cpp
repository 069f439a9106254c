// Centring of a top-level window within the work area of its nearest monitor.
#include "framework/window.h"

namespace {

LONG CentredStart(LONG areaStart, LONG areaEnd, LONG centreStart, LONG centreEnd, LONG size)
{
    LONG start = centreStart + ((centreEnd - centreStart) - size) / 2;
    // Keep the window inside the work area; when it is larger, pin its start.
    if (start + size > areaEnd)
        start = areaEnd - size;
    if (start < areaStart)
        start = areaStart;
    return start;
}

}  // namespace

BOOL CWindow::CenterWindow(HWND hWndCenter)
{
    if (!::IsWindow(m_hWnd) || (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) != 0)
        return FALSE;

    if (hWndCenter == nullptr)
        hWndCenter = ::GetWindow(m_hWnd, GW_OWNER);
    // An owner that can't be seen is no place to centre on.
    if (hWndCenter != nullptr && (!::IsWindowVisible(hWndCenter) || ::IsIconic(hWndCenter)))
        hWndCenter = nullptr;

    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoW(::MonitorFromWindow(hWndCenter != nullptr ? hWndCenter : m_hWnd,
                                               MONITOR_DEFAULTTONEAREST), &mi))
        return FALSE;
    const RECT area = mi.rcWork;

    RECT rcCentre = area;
    if (hWndCenter != nullptr && !::GetWindowRect(hWndCenter, &rcCentre))
        return FALSE;

    RECT rcWindow;
    if (!::GetWindowRect(m_hWnd, &rcWindow))
        return FALSE;
    const LONG width = rcWindow.right - rcWindow.left;
    const LONG height = rcWindow.bottom - rcWindow.top;

    const LONG x = CentredStart(area.left, area.right, rcCentre.left, rcCentre.right, width);
    const LONG y = CentredStart(area.top, area.bottom, rcCentre.top, rcCentre.bottom, height);
    return ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
