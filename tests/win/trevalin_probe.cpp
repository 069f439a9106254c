// Test helper for the whole-program tests of trevalin, run in the same Wine prefix:
//   dump                     prints the main dialog's state as key=value lines (UTF-8)
//   press return|escape|close  types the key into the dialog, or clicks its close box
//   window <title> <record>  shows a top-level window with that title; records
//                            "WM_DESTROY" in <record> when it receives the message
// Exit code 0 on success, 3 when no dialog is open.
#include <windows.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "record_line.h"

namespace {

const int kItems[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007};

void WriteUtf8(HANDLE hOut, const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(hOut, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Print(const std::wstring& line)
{
    WriteUtf8(GetStdHandle(STD_OUTPUT_HANDLE), line + L"\n");
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t buffer[1024] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &length))
        return L"";
    buffer[1023] = L'\0';
    return buffer;
}

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    wchar_t className[64] = {};
    GetClassNameW(hWnd, className, 64);
    if (wcscmp(className, L"#32770") == 0 && GetDlgItem(hWnd, 1006) != nullptr && GetDlgItem(hWnd, 1000) != nullptr &&
        TextOf(hWnd).rfind(L"Varnholt Lab:", 0) == 0)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> FindDialogs()
{
    std::vector<HWND> found;
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring Number(long value)
{
    return std::to_wstring(value);
}

int Dump()
{
    std::vector<HWND> dialogs = FindDialogs();
    Print(L"dialogs=" + Number(static_cast<long>(dialogs.size())));
    if (dialogs.empty())
        return 3;
    HWND hDlg = dialogs[0];
    Print(L"caption=" + TextOf(hDlg));
    Print(L"visible=" + Number(IsWindowVisible(hDlg) ? 1 : 0));
    for (int id : kItems)
    {
        HWND hItem = GetDlgItem(hDlg, id);
        std::wstring key = std::to_wstring(id);
        Print(L"text." + key + L"=" + TextOf(hItem));
        Print(L"enabled." + key + L"=" + Number(IsWindowEnabled(hItem) ? 1 : 0));
        Print(L"visible." + key + L"=" + Number(IsWindowVisible(hItem) ? 1 : 0));
        RECT rc = {};
        GetWindowRect(hItem, &rc);
        MapWindowPoints(HWND_DESKTOP, hDlg, reinterpret_cast<POINT*>(&rc), 2);
        Print(L"rect." + key + L"=" + Number(rc.left) + L"," + Number(rc.top) + L"," + Number(rc.right) + L"," + Number(rc.bottom));
    }
    // The client area in screen pixels, for reading the screenshot.
    RECT rcClient = {};
    GetClientRect(hDlg, &rcClient);
    MapWindowPoints(hDlg, HWND_DESKTOP, reinterpret_cast<POINT*>(&rcClient), 2);
    Print(L"client=" + Number(rcClient.left) + L"," + Number(rcClient.top) + L"," + Number(rcClient.right) + L"," +
          Number(rcClient.bottom));
    RECT rcWindow = {};
    GetWindowRect(hDlg, &rcWindow);
    Print(L"window=" + Number(rcWindow.left) + L"," + Number(rcWindow.top) + L"," + Number(rcWindow.right) + L"," +
          Number(rcWindow.bottom));
    return 0;
}

void SendKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// A point of the close box: the rightmost point of the caption row that the window
// itself reports as HTCLOSE.
bool FindCloseBox(HWND hDlg, POINT* pt)
{
    RECT rc;
    GetWindowRect(hDlg, &rc);
    for (int y = rc.top; y < rc.top + 40 && y < rc.bottom; y++)
    {
        for (int x = rc.right - 1; x > rc.right - 80 && x > rc.left; x--)
        {
            DWORD_PTR hit = 0;
            SendMessageTimeoutW(hDlg, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
            if (hit == HTCLOSE)
            {
                pt->x = x - 4;  // a little inside the box
                pt->y = y + 4;
                return true;
            }
        }
    }
    return false;
}

int Press(const std::wstring& what)
{
    std::vector<HWND> dialogs = FindDialogs();
    if (dialogs.empty())
        return 3;
    HWND hDlg = dialogs[0];
    SetForegroundWindow(hDlg);
    Sleep(300);
    if (what == L"return")
        SendKey(VK_RETURN);
    else if (what == L"escape")
        SendKey(VK_ESCAPE);
    else if (what == L"close")
    {
        POINT pt;
        if (!FindCloseBox(hDlg, &pt))
            return 4;
        SetCursorPos(pt.x, pt.y);
        Sleep(100);
        INPUT inputs[2] = {};
        inputs[0].type = inputs[1].type = INPUT_MOUSE;
        inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &inputs[0], sizeof(INPUT));
        Sleep(100);
        SendInput(1, &inputs[1], sizeof(INPUT));
    }
    else
        return 2;
    return 0;
}

const wchar_t* g_recordPath = nullptr;

LRESULT CALLBACK FamilyWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY)
    {
        Record(g_recordPath, "WM_DESTROY");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

int FamilyWindow(const wchar_t* title, const wchar_t* record)
{
    g_recordPath = record;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FamilyWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"FamilyWindowOfTheTests";
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, 20, 20, 300, 120, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (hWnd == nullptr)
        return 1;
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    Record(record, "shown");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"dump")
        return Dump();
    if (command == L"press" && argc > 2)
        return Press(argv[2]);
    if (command == L"window" && argc > 3)
        return FamilyWindow(argv[2], argv[3]);
    fwprintf(stderr, L"usage: trevalin_probe dump | press return|escape|close | window <title> <record>\n");
    return 2;
}
