// Writing a file beside its place and swapping it in whole.
#include "file_swap.h"

bool write_whole_file(const char *path, const void *data, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(path);
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    if (!ok)
        DeleteFileA(path);
    return ok;
}

namespace {

// A held file refuses the first rename, so it stays untouched. No step deletes the old
// bytes before the new ones are in place; should even the way back fail, they stay under
// the aside name.
bool swap_by_renaming(const char *source, const char *target, const char *folder,
                      const char *aside_prefix)
{
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES)
        return MoveFileA(source, target) != FALSE;
    char aside[MAX_PATH];
    if (!GetTempFileNameA(folder, aside_prefix, 0, aside))
        return false;
    DeleteFileA(aside);  // only the unique name is wanted; the rename creates the file
    if (!MoveFileA(target, aside))
        return false;
    if (!MoveFileA(source, target)) {
        MoveFileA(aside, target);
        return false;
    }
    DeleteFileA(aside);
    return true;
}

}  // namespace

bool swap_into_place(const char *source, const char *target, const char *folder,
                     const char *aside_prefix, PlatformFamily family)
{
    if (family == platform_nt)
        return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    return swap_by_renaming(source, target, folder, aside_prefix);
}
