// Writing the clean rich-edit control library the program carries into the system folder.
// The bytes go into a temporary file beside the target first and are swapped into place
// only when complete, so the system folder never holds a cut library.
#include "rich_edit.h"

#include "file_swap.h"
#include "path_join.h"
#include "platform_family.h"

#include <windows.h>

#include <cstring>

namespace {

const WORD library_resource = 103;
const LPCSTR library_resource_type = MAKEINTRESOURCEA(10);  // RT_RCDATA

}  // namespace

bool rich_edit_target_path(const char *system_folder, char *target)
{
    const size_t length = strlen(system_folder);
    const char *separator = length > 0 && system_folder[length - 1] == '\\' ? "" : "\\";
    return join_path(target, MAX_PATH, system_folder, separator, "riched20.dll");
}

bool restore_rich_edit_library()
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    char target[MAX_PATH];
    if (!rich_edit_target_path(folder, target))
        return false;

    // A read-only library is protected and stays as it is: opening it for writing would
    // be refused, and a replacing rename does not look at the attribute on every system.
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;

    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(library_resource), library_resource_type);
    if (found == nullptr)
        return false;
    const DWORD size = SizeofResource(nullptr, found);
    if (size == 0)
        return false;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (loaded == nullptr)
        return false;
    const void *bytes = LockResource(loaded);

    bool result = false;
    char temporary[MAX_PATH];
    // The temporary file lies in the system folder itself, so the swap is a rename
    // within one volume.
    if (bytes != nullptr && GetTempFileNameA(folder, "red", 0, temporary)) {
        if (write_whole_file(temporary, bytes, size)) {
            result = swap_into_place(temporary, target, folder, "red", is_nt_platform());
            if (!result)
                DeleteFileA(temporary);
        }
    }
    FreeResource(loaded);
    return result;
}
