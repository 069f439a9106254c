// Reading the text by which a window labels itself, without being held by the window
// and without reading what a user typed.
#pragma once

#include <windows.h>

// Reads the window's own label into text (capacity units, always terminated; empty
// when it can't be read). The contents of a writable edit or rich-edit control are the
// user's, not a label, and read as empty. mayWait false reads without any message to the
// window, as when the pass has used its time for waiting. False when the window was
// asked and did not answer in time: its thread is busy or hung.
bool ReadWindowLabel(HWND window, wchar_t* text, int capacity, bool mayWait);
