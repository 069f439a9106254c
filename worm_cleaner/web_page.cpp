// Cutting the worm's script off the end of a web page, in place, by shortening the file.
#include "web_page.h"

#include "page_tail.h"

cure_result clean_web_page()
{
    HANDLE file = CreateFileA(current_file_path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return not_cured;  // read-only, held open by another program, or gone

    // A read-only page stays as it is even where the open for writing succeeds (an
    // administrator on some file systems).
    BY_HANDLE_FILE_INFORMATION info;
    const bool writable = GetFileInformationByHandle(file, &info) &&
                          !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY);

    // The full size: a cut computed from the low 32 bits alone could land far too early.
    cure_result result = not_cured;
    LARGE_INTEGER size;
    if (writable && GetFileSizeEx(file, &size) && size.QuadPart >= LONGLONG(worm_script_length)) {
        LARGE_INTEGER cut;
        cut.QuadPart = size.QuadPart - LONGLONG(worm_script_length);
        unsigned char tail[worm_script_length];
        DWORD got = 0;
        if (SetFilePointerEx(file, cut, nullptr, FILE_BEGIN) &&
            ReadFile(file, tail, sizeof tail, &got, nullptr) &&
            is_worm_script_tail(tail, got) &&
            SetFilePointerEx(file, cut, nullptr, FILE_BEGIN) && SetEndOfFile(file))
            result = cured;
    }
    CloseHandle(file);
    return result;
}
