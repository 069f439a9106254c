// Walking a fixed drive: each file is examined as a worm program or an infected web page,
// treated, and reported with one line.
#include "drive_sweep.h"

#include "console.h"
#include "defer_ops.h"
#include "disinfect.h"
#include "listed_file.h"
#include "page_name.h"
#include "path_join.h"
#include "sweep_progress.h"
#include "web_page.h"

#include <windows.h>

#include <cstring>

namespace {

const char line_disinfected[] = "%s\t\tdisinfected\t\tvirus I-Worm.Pellix.\n";
const char line_replace_after_reboot[] =
    "%s\t\tfile will be replaced by desinfected version after reboot\t\tvirus I-Worm.Pellix.\n";
const char line_not_disinfected[] = "%s\t\tcan not be disinfected\t\tvirus I-Worm.Pellix.\n";
const char line_deleted[] = "%s\t\tdeleted\t\tvirus I-Worm.Pellix.\n";
const char line_delete_after_reboot[] =
    "%s\t\tfile will be deleted after reboot\t\tvirus I-Worm.Pellix.\n";
const char line_not_deleted[] = "%s\t\tcan not be deleted\t\tvirus I-Worm.Pellix.\n";

bool is_dot_entry(const char *name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// Makes the empty file that receives the restored host, beside the infected file: a
// start-up rename can't cross drives, and the restored program keeps the access rights of
// its own folder. A unique name in that folder, or else the infected file's own path with
// ".quv" appended. restore_target_path stays empty when neither can be made.
void make_restore_target()
{
    restore_target_path[0] = '\0';
    char folder[MAX_PATH];
    const char *last_separator = strrchr(current_file_path, '\\');
    const size_t folder_length = last_separator != nullptr ? last_separator - current_file_path + 1 : 0;
    // The platform's limit for the folder of a unique name: 14 characters are left for it.
    if (folder_length > 0 && folder_length <= MAX_PATH - 14) {
        memcpy(folder, current_file_path, folder_length);
        folder[folder_length] = '\0';
        if (GetTempFileNameA(folder, "quv", 0, restore_target_path) != 0)
            return;
    }
    if (!join_path(restore_target_path, MAX_PATH, current_file_path, ".quv"))
        return;
    // CREATE_NEW: a file of that name that is already there may be the user's.
    HANDLE file = CreateFileA(restore_target_path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        restore_target_path[0] = '\0';
        return;
    }
    CloseHandle(file);
}

// A restore target that will not be moved into place must not stay behind, unless the
// infected file is already gone: then it holds the only copy of the user's program.
void discard_restore_target()
{
    if (restore_target_path[0] != '\0' &&
        GetFileAttributesA(current_file_path) != INVALID_FILE_ATTRIBUTES)
        DeleteFileA(restore_target_path);
    restore_target_path[0] = '\0';
}

void put_restored_host_in_place()
{
    switch (replace_or_defer(restore_target_path, current_file_path)) {
    case done_now:
        console_print(line_disinfected, current_file_path);
        break;
    case deferred:
        // The target is what the next start puts in place: it stays.
        console_print(line_replace_after_reboot, current_file_path);
        break;
    case failed:
    case no_version:
        discard_restore_target();
        console_print(line_not_disinfected, current_file_path);
        break;
    }
}

void delete_worm_copy()
{
    switch (delete_or_defer(current_file_path)) {
    case done_now:
        console_print(line_deleted, current_file_path);
        break;
    case deferred:
        console_print(line_delete_after_reboot, current_file_path);
        break;
    case failed:
    case no_version:
        console_print(line_not_deleted, current_file_path);
        break;
    }
}

void examine_program(DWORD listed_size)
{
    // Without a target a carrier stays as it is, but a bare copy, which needs none, is
    // still deleted.
    make_restore_target();
    current_file_size = listed_size;
    switch (disinfect_program()) {
    case cured:
        put_restored_host_in_place();
        break;
    case worm_copy:
        discard_restore_target();
        delete_worm_copy();
        break;
    case not_cured:
        discard_restore_target();
        break;
    }
}

// The file in current_file_path; name is its last component.
void examine_file(const char *name, DWORD listed_size)
{
    // A PE program is never treated as a page, whatever its name.
    switch (test_program_file()) {
    case worm_program:
        examine_program(listed_size);
        return;
    case program_without_worm_code:
        return;
    case not_a_program:
        break;
    }
    if (is_web_page_name(name) && clean_web_page() == cured)
        console_print(line_disinfected, current_file_path);
}

// The walk of sweep_folder, depth first.
void sweep_tree(const char *folder)
{
    char pattern[MAX_PATH];
    if (!join_path(pattern, MAX_PATH, folder, "*.*"))
        return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (is_dot_entry(entry.cFileName))
            continue;
        // A junction or symbolic link may lead back up the tree, to files reached under
        // another name, or off the drive: only the real folders and files are walked.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            char subfolder[MAX_PATH];
            // A path that does not fit is passed over; a cut one could name another file.
            if (join_path(subfolder, MAX_PATH, folder, entry.cFileName, "\\"))
                sweep_tree(subfolder);
        } else {
            note_file_examined(folder);
            // Files too short to carry the worm's code and not named as pages, about half of
            // a drive's, are judged from the listing and never opened.
            if (sweep_must_open(entry.cFileName, entry.nFileSizeHigh, entry.nFileSizeLow) &&
                join_path(current_file_path, MAX_PATH, folder, entry.cFileName))
                examine_file(entry.cFileName, entry.nFileSizeLow);
        }
        memset(current_file_path, 0, sizeof(current_file_path));
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

}  // namespace

void sweep_folder(const char *folder)
{
    begin_sweep_progress(folder);
    sweep_tree(folder);
    end_sweep_progress();
}
