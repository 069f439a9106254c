// The main dialog: initialisation, the stage display driven by the worker's reports,
// painting of the stage icon and the logo, and closing with the program's exit code.
#include "main_dlg.h"

#include <commctrl.h>
#include <wchar.h>

namespace {

// Where the logo sits: this far from the client area's right and bottom edges.
const int kLogoRightMargin = 10;
const int kLogoBottomMargin = 5;
// The logo's background, not drawn.
const COLORREF kLogoBackground = RGB(248, 246, 244);
// Stage icon and progress bar beside the active line, in client pixels.
const int kStageIconX = 35;
const int kStageIconSize = 16;
const int kProgressX = 370;
const int kStageLineYOffset = 10;

const int kStageLines[] = {IDC_STAGE_ACTIVE, IDC_STAGE_REMOVE, IDC_STAGE_FILES};

bool UserLanguageIsRussian()
{
    // Asked each time, so that a text always follows the locale of the moment.
    wchar_t language[1024];
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, language, 1024) <= 0)
        return false;
    language[1023] = L'\0';
    return wcscmp(language, L"Russian") == 0;
}

}  // namespace

void SetLocalizedText(HWND hWnd, int nItem, const wchar_t* russian, const wchar_t* english)
{
    HWND hTarget = nItem == -1 ? hWnd : ::GetDlgItem(hWnd, nItem);
    const wchar_t* text = UserLanguageIsRussian() ? russian : english;
    ::SetWindowTextW(hTarget, text != nullptr ? text : L"");
}

CMainDlg::CMainDlg()
    : m_hStageIcon(nullptr), m_hLogo(nullptr), m_hBoldFont(nullptr), m_hNormalFont(nullptr),
      m_hResultFont(nullptr), m_nStage(0)
{
}

BOOL CMainDlg::PreTranslateMessage(MSG* pMsg)
{
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CMainDlg::OnIdle()
{
    return FALSE;
}

LRESULT CMainDlg::OnInitDialog(UINT /*uMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, BOOL& /*bHandled*/)
{
    CenterWindow();

    HINSTANCE hInstance = g_module.GetResourceInstance();
    HICON hIcon = static_cast<HICON>(::LoadImageW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    HICON hIconSmall = static_cast<HICON>(::LoadImageW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIconSmall));

    m_hStageIcon = static_cast<HICON>(::LoadImageW(hInstance, MAKEINTRESOURCEW(IDI_STAGE), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    m_hLogo = ::LoadBitmapW(hInstance, MAKEINTRESOURCEW(IDB_LOGO));

    HWND hProgress = GetDlgItem(IDC_PROGRESS);
    ::SetWindowLongW(hProgress, GWL_STYLE, ::GetWindowLongW(hProgress, GWL_STYLE) | PBS_MARQUEE);
    ::SendMessageW(hProgress, PBM_SETMARQUEE, TRUE, 75);

    SetStage(STAGE_IDLE);

    LOGFONTW lf = {};
    HFONT hDialogFont = reinterpret_cast<HFONT>(::SendMessageW(GetDlgItem(IDC_STAGE_ACTIVE), WM_GETFONT, 0, 0));
    if (hDialogFont == nullptr || ::GetObjectW(hDialogFont, sizeof(lf), &lf) != sizeof(lf))
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    m_hNormalFont = ::CreateFontIndirectW(&lf);
    lf.lfWeight = FW_BOLD;
    m_hBoldFont = ::CreateFontIndirectW(&lf);
    m_hResultFont = ::CreateFontIndirectW(&lf);

    CMessageLoop* pLoop = g_module.GetMessageLoop();
    if (pLoop != nullptr)
    {
        pLoop->AddMessageFilter(this);
        pLoop->AddIdleHandler(this);
    }

    UIAddChildWindowContainer(m_hWnd);

    SetLocalizedText(m_hWnd, -1, L"Varnholt Lab: лечение Trojan-Ransom.Win.Quorrel",
                     L"Varnholt Lab: Cure Trojan-Ransom.Win.Quorrel");
    SetLocalizedText(m_hWnd, IDC_INFO_GROUP, L"Информация по лечению:", L"Cure info:");
    SetLocalizedText(m_hWnd, IDC_STAGE_ACTIVE, L"лечение активного заражения", L"cure of active infection");
    SetLocalizedText(m_hWnd, IDC_STAGE_REMOVE, L"удаление троянской программы из системы",
                     L"removing malware from system");
    SetLocalizedText(m_hWnd, IDC_STAGE_FILES, L"очистка файловой системы от троянской программ",
                     L"clean up the file system from malware");
    // SetStage(STAGE_IDLE) said "Cancel"; until the first report the button reads "Close".
    SetLocalizedText(m_hWnd, IDC_FINISH, L"Завершить", L"Close");
    SetLocalizedText(m_hWnd, IDC_RESULT_GROUP, L"Результаты:", L"Results:");

    m_worker.Start(m_hWnd);
    return TRUE;
}

LRESULT CMainDlg::OnDestroy(UINT /*uMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, BOOL& /*bHandled*/)
{
    m_worker.Stop();

    HGDIOBJ objects[] = {m_hBoldFont, m_hNormalFont, m_hResultFont, m_hLogo};
    for (HGDIOBJ hObject : objects)
    {
        if (hObject != nullptr)
            ::DeleteObject(hObject);
    }
    m_hBoldFont = m_hNormalFont = m_hResultFont = nullptr;
    m_hLogo = nullptr;
    if (m_hStageIcon != nullptr)
    {
        ::DestroyIcon(m_hStageIcon);
        m_hStageIcon = nullptr;
    }

    CMessageLoop* pLoop = g_module.GetMessageLoop();
    if (pLoop != nullptr)
    {
        pLoop->RemoveMessageFilter(this);
        pLoop->RemoveIdleHandler(this);
    }
    return 0;
}

LRESULT CMainDlg::OnPaint(UINT /*uMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, BOOL& /*bHandled*/)
{
    PAINTSTRUCT ps;
    HDC hDC = ::BeginPaint(m_hWnd, &ps);
    if (hDC == nullptr)
        return 0;

    if (m_nStage >= STAGE_ACTIVE_INFECTION && m_nStage <= STAGE_CLEAN_FILES)
        DrawStageIcon(hDC, kStageLines[m_nStage]);

    RECT rcClient;
    ::GetClientRect(m_hWnd, &rcClient);
    HDC hMemDC = ::CreateCompatibleDC(hDC);
    BITMAP bm = {};
    if (hMemDC != nullptr && m_hLogo != nullptr && ::GetObjectW(m_hLogo, sizeof(bm), &bm) == sizeof(bm))
    {
        HGDIOBJ hOld = ::SelectObject(hMemDC, m_hLogo);
        // gdi32's own transparent blit: the library that exports the same blit under
        // another name is not one the system always loads from its own folder, and one
        // planted beside the program would run.
        ::GdiTransparentBlt(hDC, rcClient.right - bm.bmWidth - kLogoRightMargin,
                         rcClient.bottom - bm.bmHeight - kLogoBottomMargin, bm.bmWidth, bm.bmHeight,
                         hMemDC, 0, 0, bm.bmWidth, bm.bmHeight, kLogoBackground);
        ::SelectObject(hMemDC, hOld);
    }
    if (hMemDC != nullptr)
        ::DeleteDC(hMemDC);

    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CMainDlg::OnCureStage(UINT /*uMsg*/, WPARAM wParam, LPARAM /*lParam*/, BOOL& /*bHandled*/)
{
    // The stage travels as a 32-bit signed number.
    SetStage(static_cast<int>(static_cast<INT_PTR>(wParam)));
    return 0;
}

LRESULT CMainDlg::OnCureResult(UINT /*uMsg*/, WPARAM wParam, LPARAM /*lParam*/, BOOL& /*bHandled*/)
{
    // Any program can send this message number, or broadcast it: only the address of the
    // worker's own report in progress is ever read.
    const LocalizedText* pText = reinterpret_cast<const LocalizedText*>(wParam);
    if (!m_worker.IsResultInProgress(pText))
        return 0;
    ShowResult(*pText);
    return 0;
}

void CMainDlg::ShowResult(const LocalizedText& text)
{
    if (text.ru != nullptr && text.ru[0] != L'\0')
    {
        SetLocalizedText(m_hWnd, IDC_RESULT, text.ru, text.en);
        ::SendMessageW(GetDlgItem(IDC_RESULT), WM_SETFONT, reinterpret_cast<WPARAM>(m_hResultFont), TRUE);
    }
    else
    {
        SetLocalizedText(m_hWnd, IDC_RESULT, L"", L"");
    }
}

LRESULT CMainDlg::OnCancel(WORD /*wNotifyCode*/, WORD /*wID*/, HWND /*hWndCtl*/, BOOL& /*bHandled*/)
{
    // The worker is stopped by OnDestroy, inside DestroyWindow.
    CloseDialog(IDCANCEL);
    return 0;
}

LRESULT CMainDlg::OnFinish(WORD /*wNotifyCode*/, WORD /*wID*/, HWND /*hWndCtl*/, BOOL& /*bHandled*/)
{
    m_worker.Stop();
    CloseDialog(1);
    return 0;
}

void CMainDlg::CloseDialog(int nCode)
{
    ::DestroyWindow(m_hWnd);
    ::PostQuitMessage(nCode);
}

void CMainDlg::SetStage(int nStage)
{
    m_nStage = nStage;
    HWND hProgress = GetDlgItem(IDC_PROGRESS);

    if (nStage == STAGE_IDLE)
    {
        ::ShowWindow(hProgress, SW_HIDE);
        SetLocalizedText(m_hWnd, IDC_FINISH, L"Прервать", L"Cancel");
    }
    else if (nStage >= STAGE_ACTIVE_INFECTION && nStage <= STAGE_CLEAN_FILES)
    {
        // Lines before the active one are done (enabled), lines after it still to come.
        for (int i = 0; i < 3; i++)
            SetStageLine(kStageLines[i], i == nStage, i <= nStage);
        SetLocalizedText(m_hWnd, IDC_FINISH, L"Прервать", L"Cancel");
        ::ShowWindow(hProgress, SW_SHOW);
        MoveProgressBeside(kStageLines[nStage]);
    }
    else if (nStage == STAGE_DONE)
    {
        ::ShowWindow(hProgress, SW_HIDE);
        for (int i = 0; i < 3; i++)
            SetStageLine(kStageLines[i], false, true);
        SetLocalizedText(m_hWnd, IDC_FINISH, L"Завершить", L"Close");
    }

    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CMainDlg::SetStageLine(int nItem, bool bBold, bool bEnabled)
{
    HWND hLine = GetDlgItem(nItem);
    ::SendMessageW(hLine, WM_SETFONT, reinterpret_cast<WPARAM>(bBold ? m_hBoldFont : m_hNormalFont), TRUE);
    ::EnableWindow(hLine, bEnabled);
}

int CMainDlg::StageLineY(int nItem) const
{
    RECT rcLine = {}, rcGroup = {};
    ::GetWindowRect(GetDlgItem(nItem), &rcLine);
    ::GetWindowRect(GetDlgItem(IDC_INFO_GROUP), &rcGroup);
    return rcLine.top - rcGroup.top + kStageLineYOffset;
}

void CMainDlg::DrawStageIcon(HDC hDC, int nItem)
{
    ::DrawIconEx(hDC, kStageIconX, StageLineY(nItem), m_hStageIcon, kStageIconSize, kStageIconSize, 0,
                 nullptr, DI_NORMAL);
}

void CMainDlg::MoveProgressBeside(int nItem)
{
    ::SetWindowPos(GetDlgItem(IDC_PROGRESS), nullptr, kProgressX, StageLineY(nItem), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
}
