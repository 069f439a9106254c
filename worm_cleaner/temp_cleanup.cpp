// Emptying the temporary folder: every file below it is deleted, now or at the next start;
// the folders stay.
#include "temp_cleanup.h"

#include "defer_ops.h"
#include "path_join.h"

#include <windows.h>

#include <cstring>

namespace {

temp_cleanup_result worse(temp_cleanup_result a, temp_cleanup_result b)
{
    return a > b ? a : b;
}

temp_cleanup_result result_of_deletion(DeferResult deletion)
{
    switch (deletion) {
    case done_now:
        return temp_files_deleted;
    case deferred:
        return temp_files_deferred;
    case failed:
    case no_version:
        break;
    }
    // Still there and nothing registered: the user must be told to delete it.
    return temp_files_left;
}

}  // namespace

temp_cleanup_result clean_temp_folder(const char *folder)
{
    temp_cleanup_result result = temp_files_deleted;
    char path[MAX_PATH];
    if (!join_path(path, MAX_PATH, folder, "*.*"))
        return temp_files_left;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return temp_files_deleted;
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0)
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or folder link may lead out of the temporary folder: its files
            // are not ours to delete.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue;
            // A path that does not fit is passed over, and its files stay; a cut one could
            // name another file.
            if (join_path(path, MAX_PATH, folder, entry.cFileName, "\\"))
                result = worse(result, clean_temp_folder(path));
            else
                result = temp_files_left;
        } else if (join_path(path, MAX_PATH, folder, entry.cFileName)) {
            // A link to a file is removed itself; the file it names is left alone.
            result = worse(result, result_of_deletion(delete_or_defer(path)));
        } else {
            result = temp_files_left;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return result;
}
