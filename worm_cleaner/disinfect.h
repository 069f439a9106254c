// Recognising the worm's programs and restoring the host program an infected file carries.
#pragma once

#include <windows.h>

// Outcome of a cure attempt; the values are fixed.
enum cure_result : unsigned short {
    cured = 3,       // host written into the restore target (a page: cut clean)
    worm_copy = 5,   // a bare worm copy, to be deleted
    not_cured = 12,  // nothing done, the file stays as it is
};

// The file in hand, set by the drive sweep for one file at a time.
extern char current_file_path[MAX_PATH];
extern char restore_target_path[MAX_PATH];
extern DWORD current_file_size;

bool is_pe_program();
bool has_worm_signature(const char *path);
cure_result disinfect_program();
