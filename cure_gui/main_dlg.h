// The program's one window: a modeless dialog that shows the cure's stages, the verdict
// and one push button, in Russian or English by the user's locale.
#pragma once

#include <windows.h>

#include "cure_messages.h"
#include "cure_worker.h"
#include "framework/dialog_impl.h"
#include "framework/message_loop.h"
#include "framework/update_ui.h"
#include "resource.h"

// Sets the text of dialog item nItem of hWnd (or of hWnd itself when nItem is -1) to the
// Russian text when the user's locale language is "Russian", otherwise to the English one.
void SetLocalizedText(HWND hWnd, int nItem, const wchar_t* russian, const wchar_t* english);

class CMainDlg : public CDialogImpl<CMainDlg>,
                 public CUpdateUI<CMainDlg>,
                 public CMessageFilter,
                 public CIdleHandler
{
public:
    enum { IDD = IDD_MAINDLG };

    enum
    {
        STAGE_IDLE = -1,
        STAGE_ACTIVE_INFECTION = 0,
        STAGE_REMOVE_MALWARE = 1,
        STAGE_CLEAN_FILES = 2,
        STAGE_DONE = 3,
    };

    CMainDlg();

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnIdle() override;

    BEGIN_MESSAGE_MAP_OF(CMainDlg)
        ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
        ON_MESSAGE(WM_DESTROY, OnDestroy)
        ON_MESSAGE(WM_PAINT, OnPaint)
        ON_MESSAGE(WM_CURE_STAGE, OnCureStage)
        ON_MESSAGE(WM_CURE_RESULT, OnCureResult)
        ON_COMMAND_ID(IDCANCEL, OnCancel)
        ON_COMMAND_ID_CODE(IDC_FINISH, BN_CLICKED, OnFinish)
    END_MESSAGE_MAP()

    // Handlers: LRESULT OnMessage(UINT, WPARAM, LPARAM, BOOL&) and
    // LRESULT OnCommand(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL&).
    LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnCureStage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnCureResult(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnCancel(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
    LRESULT OnFinish(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);

    // Destroys the window and posts the quit message with nCode, the program's exit code.
    void CloseDialog(int nCode);

    // Shows a result text pair on the result line (an empty Russian text clears it).
    void ShowResult(const LocalizedText& text);

    // The cure worker, for the tests that watch its thread.
    CCureWorker& Worker() { return m_worker; }

private:
    void SetStage(int nStage);
    void SetStageLine(int nItem, bool bBold, bool bEnabled);
    void DrawStageIcon(HDC hDC, int nItem);
    void MoveProgressBeside(int nItem);
    int StageLineY(int nItem) const;

    HICON m_hStageIcon;
    HBITMAP m_hLogo;
    HFONT m_hBoldFont;
    HFONT m_hNormalFont;
    HFONT m_hResultFont;
    int m_nStage;
    CCureWorker m_worker;
};
