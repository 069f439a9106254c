// Entry point of trevalin: prepares COM, the common controls and the module, runs the
// main dialog on the main thread's message loop and returns the dialog's quit code.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "framework/app_module.h"
#include "framework/message_loop.h"
#include "main_dlg.h"

namespace {

int Run(LPWSTR /*lpstrCmdLine*/, int nCmdShow)
{
    CMessageLoop theLoop;
    g_module.AddMessageLoop(&theLoop);

    CMainDlg dlgMain;
    if (dlgMain.Create(nullptr) == nullptr)
    {
        // No template, or the window was refused: nothing is shown and nothing is said.
        g_module.RemoveMessageLoop();
        return 0;
    }
    ::ShowWindow(dlgMain.m_hWnd, nCmdShow);

    int nRet = theLoop.Run();

    g_module.RemoveMessageLoop();
    return nRet;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR lpstrCmdLine, int nCmdShow)
{
    ::CoInitialize(nullptr);

    // The progress bar's class is asked for as well as the bar classes, so that the
    // dialog can be made even where the version-6 controls of the manifest are missing.
    INITCOMMONCONTROLSEX iccx;
    iccx.dwSize = sizeof(iccx);
    iccx.dwICC = ICC_BAR_CLASSES | ICC_PROGRESS_CLASS;
    ::InitCommonControlsEx(&iccx);

    g_module.Init(hInstance);

    int nRet = Run(lpstrCmdLine, nCmdShow);

    g_module.Term();
    ::CoUninitialize();
    return nRet;
}
