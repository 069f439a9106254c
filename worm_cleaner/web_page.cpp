// Cutting the worm's script off the end of a web page, in place, by shortening the file.
#include "web_page.h"

#include "file_position.h"
#include "page_tail.h"

cure_result clean_web_page()
{
    // A read-only page stays as it is even where the open for writing succeeds (an
    // administrator on some file systems).
    const DWORD attributes = GetFileAttributesA(current_file_path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY))
        return not_cured;
    HANDLE file = CreateFileA(current_file_path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return not_cured;  // held open by another program, or gone

    // The full size: a cut computed from the low 32 bits alone could land far too early.
    cure_result result = not_cured;
    ULONGLONG size = 0;
    if (get_file_size64(file, &size) && size >= worm_script_length) {
        const ULONGLONG cut = size - worm_script_length;
        unsigned char tail[worm_script_length];
        DWORD got = 0;
        if (set_file_position(file, cut) && ReadFile(file, tail, sizeof tail, &got, nullptr) &&
            is_worm_script_tail(tail, got) && set_file_position(file, cut) && SetEndOfFile(file))
            result = cured;
    }
    CloseHandle(file);
    return result;
}
