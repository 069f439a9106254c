// Creation of a modeless dialog and the one dialog procedure that hands its messages to
// the object. The object is found without the creation parameter: the creating thread
// leaves it in a thread-local slot, and the first message the dialog procedure receives
// (WM_SETFONT or WM_INITDIALOG, still inside CreateDialogParamW) claims it.
#include "framework/dialog_impl.h"

namespace {

thread_local CDialogImplBase* t_pCreating = nullptr;

// Messages whose result the dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT uMsg)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

}  // namespace

HWND CDialogImplBase::CreateFromTemplate(HINSTANCE hInstance, int nTemplateID, HWND hWndParent,
                                         LPARAM dwInitParam)
{
    if (m_hWnd != nullptr)
        return nullptr;  // one window per object
    // A dialog created from inside another's creation must not take the outer one's slot.
    CDialogImplBase* pOuter = t_pCreating;
    t_pCreating = this;
    HWND hWnd = ::CreateDialogParamW(hInstance, MAKEINTRESOURCEW(nTemplateID), hWndParent,
                                     GetDialogProc(), dwInitParam);
    t_pCreating = pOuter;
    return hWnd;
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CDialogImplBase* pThis = reinterpret_cast<CDialogImplBase*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (pThis == nullptr)
    {
        pThis = t_pCreating;
        if (pThis == nullptr)
            return FALSE;  // not one of ours
        t_pCreating = nullptr;
        pThis->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pThis));
    }

    LRESULT lResult = 0;
    BOOL bHandled = FALSE;
    // No exception may unwind through the system's code that called us.
    try
    {
        bHandled = pThis->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult);
    }
    catch (...)
    {
        bHandled = FALSE;
        lResult = 0;
    }

    if (uMsg == WM_NCDESTROY)
    {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        pThis->m_hWnd = nullptr;
        try
        {
            pThis->OnFinalMessage(hWnd);
        }
        catch (...)
        {
        }
        return FALSE;
    }

    if (!bHandled)
        return FALSE;
    if (ReturnsResultDirectly(uMsg))
        return static_cast<INT_PTR>(lResult);
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lResult);
    return TRUE;
}
