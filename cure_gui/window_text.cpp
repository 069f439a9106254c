// A window's label: its caption or control text, read with a bounded message, or from
// what the window system keeps when the window's thread is busy.
#include "window_text.h"

#include <wchar.h>

namespace {

const int kClassUnits = 64;
// Long enough for a living window, short enough that a close request is honoured well
// within the dialog's 2000 ms bound on stopping the worker.
const UINT kTextReadTimeoutMs = 250;

bool ClassBeginsWith(const wchar_t* className, const wchar_t* prefix)
{
    return _wcsnicmp(className, prefix, wcslen(prefix)) == 0;
}

// A writable edit or rich-edit control holds what a user types: a letter that names the
// family, or an address box, is no window of the family.
bool HoldsUserContent(HWND window)
{
    wchar_t className[kClassUnits];
    if (GetClassNameW(window, className, kClassUnits) <= 0)
        return false;
    className[kClassUnits - 1] = L'\0';
    if (!ClassBeginsWith(className, L"Edit") && !ClassBeginsWith(className, L"RichEdit"))
        return false;
    return (GetWindowLongW(window, GWL_STYLE) & ES_READONLY) == 0;
}

// The text the window system keeps for the window: its caption, read without a message.
void ReadKeptText(HWND window, wchar_t* text, int capacity)
{
    text[0] = L'\0';
    InternalGetWindowText(window, text, capacity);
    text[capacity - 1] = L'\0';
}

}  // namespace

bool ReadWindowLabel(HWND window, wchar_t* text, int capacity, bool mayWait)
{
    text[0] = L'\0';
    if (HoldsUserContent(window))
        return true;
    // Windows of this process are read without a message: the main thread owning them
    // may be waiting for the worker.
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == GetCurrentProcessId() || !mayWait)
    {
        ReadKeptText(window, text, capacity);
        return true;
    }
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kTextReadTimeoutMs, &copied))
    {
        // A busy or hung window does not answer, but the family's windows carry the
        // marker in their captions, which the window system keeps itself.
        ReadKeptText(window, text, capacity);
        return false;
    }
    if (copied >= static_cast<DWORD_PTR>(capacity))
        copied = capacity - 1;
    text[copied] = L'\0';
    return true;
}
