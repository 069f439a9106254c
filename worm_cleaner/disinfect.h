// Recognising the worm's programs and restoring the host program an infected file carries.
#pragma once

#include <windows.h>

#include "pe_image.h"

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

// The examined file's bytes from its PE signature on, and that signature's file offset,
// as the last true is_pe_program() left them.
extern unsigned char pe_header[pe_header_size];
extern DWORD pe_header_offset;
// The resource window, then each block of the host copy.
extern unsigned char work_buffer[4096];

// Whether current_file_path is a PE program; when true, pe_header describes it.
bool is_pe_program();
// Whether the file at path holds one of the worm's two code signatures at its code offset.
bool has_worm_signature(const char *path);
// What the two tests above find in current_file_path, in their order.
enum program_test_result {
    not_a_program,              // is_pe_program() false
    program_without_worm_code,  // a program, but has_worm_signature() false
    worm_program,               // both true
};
// is_pe_program() and then, for a program, has_worm_signature(current_file_path), with the
// file opened once: the same outcome for a file that does not change between the two.
program_test_result test_program_file();
// For the file of the last true is_pe_program() or worm_program, current_file_size set and
// an existing restore target: cured (the target now holds exactly the host), worm_copy or
// not_cured. With restore_target_path empty (no target could be made) a bare copy is still
// told apart; a carrier then gives not_cured. A host that is empty or does not begin with
// "MZ" gives not_cured.
cure_result disinfect_program();

// The file offset of an address of the examined file, or 0 when it maps to none.
DWORD rva_to_file_offset(DWORD rva);
// Copies the host (file offset start, followed by tail bytes of the infected file) into
// the restore target and makes the target exactly the host's length.
cure_result restore_host(DWORD start, DWORD tail);
// Bytes read from current_file_path at offset (0 on any failure).
DWORD read_block(DWORD offset, void *buffer, DWORD count);
// Bytes written into the existing restore target at offset (0 on any failure).
DWORD write_block(DWORD offset, const void *buffer, DWORD count);
// Whether the restore target's end was set at exactly length bytes.
bool set_target_end(DWORD length);
