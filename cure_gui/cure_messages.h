// The worker's two reports to the dialog and the text pair they carry.
#pragma once

#include <windows.h>

// wParam: stage number 0 to 3 (the dialog sets -1 itself); lParam: 0.
#define WM_CURE_STAGE (WM_USER + 101)
// wParam: pointer to a LocalizedText owned by the sender; lParam: 0.
#define WM_CURE_RESULT (WM_USER + 102)

// A Russian and English pair of NUL-terminated texts. The sender owns both; the
// receiver may read them only while it handles the message that carries the pair.
struct LocalizedText
{
    const wchar_t* ru;
    const wchar_t* en;
};
