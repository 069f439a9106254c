// Emptying the temporary folder: every file below it is deleted, now or at the next start;
// the folders stay.
#include "temp_cleanup.h"

#include "defer_ops.h"
#include "path_join.h"

#include <windows.h>

#include <cstring>

bool clean_temp_folder(const char *folder)
{
    bool deletion_deferred = false;
    char path[MAX_PATH];
    if (!join_path(path, MAX_PATH, folder, "*.*"))
        return false;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0)
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or folder link may lead out of the temporary folder: its files
            // are not ours to delete.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue;
            // A path that does not fit is passed over; a cut one could name another file.
            if (join_path(path, MAX_PATH, folder, entry.cFileName, "\\") &&
                clean_temp_folder(path))
                deletion_deferred = true;
        } else if (join_path(path, MAX_PATH, folder, entry.cFileName)) {
            // A link to a file is removed itself; the file it names is left alone.
            if (delete_or_defer(path) == deferred)
                deletion_deferred = true;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return deletion_deferred;
}
