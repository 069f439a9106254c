// The modeless dialog base: creates a dialog from a template of the program's resources
// and routes every message, from the very first, to the object's message map.
#pragma once

#include <windows.h>

#include "framework/app_module.h"
#include "framework/window.h"

class CDialogImplBase : public CWindow
{
public:
    // The message map: TRUE when the message was handled, its result in lResult.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult) = 0;
    virtual ~CDialogImplBase() {}
    virtual DLGPROC GetDialogProc() { return DialogProc; }
    // Called after the window's last message (WM_NCDESTROY), when m_hWnd is null again.
    virtual void OnFinalMessage(HWND /*hWnd*/) {}

protected:
    CDialogImplBase() {}

    // Creates the dialog from template nTemplateID; null when no window was made.
    HWND CreateFromTemplate(HINSTANCE hInstance, int nTemplateID, HWND hWndParent, LPARAM dwInitParam);

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    CDialogImplBase(const CDialogImplBase&);
    CDialogImplBase& operator=(const CDialogImplBase&);
};

// T names its template with enum { IDD = ... }.
template <class T>
class CDialogImpl : public CDialogImplBase
{
public:
    HWND Create(HWND hWndParent, LPARAM dwInitParam = 0)
    {
        return CreateFromTemplate(g_module.GetResourceInstance(), T::IDD, hWndParent, dwInitParam);
    }
};

// The message map, written in the class as one handler a line:
//   LRESULT OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
//   LRESULT OnCommand(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
// Entries are tried in order; a handler that clears bHandled lets the search go on.
#define BEGIN_MESSAGE_MAP_OF(theClass)                                                          \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,             \
                              LRESULT& lResult) override                                      \
    {                                                                                         \
        BOOL bHandled = TRUE;                                                                 \
        (void)hWnd, (void)uMsg, (void)wParam, (void)lParam, (void)lResult, (void)bHandled;

#define ON_MESSAGE(msg, func)                                                                 \
        if (uMsg == (msg))                                                                    \
        {                                                                                     \
            bHandled = TRUE;                                                                  \
            lResult = func(uMsg, wParam, lParam, bHandled);                                   \
            if (bHandled)                                                                     \
                return TRUE;                                                                  \
        }

// Any notification code.
#define ON_COMMAND_ID(id, func)                                                               \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id))                                     \
        {                                                                                     \
            bHandled = TRUE;                                                                  \
            lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
            if (bHandled)                                                                     \
                return TRUE;                                                                  \
        }

// One notification code only.
#define ON_COMMAND_ID_CODE(id, code, func)                                                    \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code))         \
        {                                                                                     \
            bHandled = TRUE;                                                                  \
            lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
            if (bHandled)                                                                     \
                return TRUE;                                                                  \
        }

#define END_MESSAGE_MAP()                                                                     \
        return FALSE;                                                                         \
    }
