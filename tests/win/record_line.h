// Appends one line to a record file that an end-to-end script reads afterwards; the test
// programs that play the family's windows and its uninstaller leave their traces this way.
#pragma once

#include <windows.h>

#include <string.h>

inline void Record(const wchar_t* path, const char* line)
{
    HANDLE hFile = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(hFile, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    WriteFile(hFile, "\n", 1, &written, nullptr);
    CloseHandle(hFile);
}
