// Recognising the worm's programs and restoring the host an infected file carries. The file
// work is here; the reading of the layout is in portable/pe_image.cpp. Every file operation
// opens the file by its path and closes it again before it returns.
#include "disinfect.h"

#include "file_position.h"
#include "pe_image.h"

#include <cstring>

char current_file_path[MAX_PATH];
char restore_target_path[MAX_PATH];
DWORD current_file_size;

unsigned char pe_header[pe_header_size];
DWORD pe_header_offset;
unsigned char work_buffer[4096];

namespace {

const WORD worm_signature_a = 101;
const WORD worm_signature_b = 104;

HANDLE open_for_reading(const char *path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE open_target_for_writing()
{
    return CreateFileA(restore_target_path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool seek_to(HANDLE file, DWORD offset)
{
    // Unsigned: offsets past 2 GiB are not taken for negative ones.
    return set_file_position(file, offset);
}

// Reads up to count bytes at offset of the file at path; the number read, 0 on failure.
DWORD read_file_at(const char *path, DWORD offset, void *buffer, DWORD count)
{
    HANDLE file = open_for_reading(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD got = 0;
    if (!seek_to(file, offset) || !ReadFile(file, buffer, count, &got, nullptr))
        got = 0;
    CloseHandle(file);
    return got;
}

// The sweep knows only the low 32 bits of a file's size; a larger file must never be
// taken for a carrier of that size.
bool examined_file_fits_32_bits()
{
    HANDLE file = open_for_reading(current_file_path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ULONGLONG size = 0;
    const bool known = get_file_size64(file, &size);
    CloseHandle(file);
    return known && size <= 0xFFFFFFFFull;
}

uint32_t read_examined_file(void *, uint64_t offset, uint8_t *buffer, uint32_t count)
{
    if (offset > 0xFFFFFFFFu)
        return 0;
    return read_block(DWORD(offset), buffer, count);
}

pe_headers examined_headers()
{
    return pe_headers{pe_header, sizeof pe_header, pe_header_offset, read_examined_file, nullptr};
}

// One signature resource of this program against the code read from a file (got bytes of
// it); a missing resource matches nothing. The resources are part of this program and
// stay in place while it runs, so each is looked up once.
bool code_matches_signature(const uint8_t *code, DWORD got, WORD id)
{
    struct found_signature {
        bool looked_up;
        const uint8_t *bytes;
        DWORD size;
    };
    static found_signature found[2];
    found_signature &signature = found[id == worm_signature_a ? 0 : 1];
    if (!signature.looked_up) {
        signature.looked_up = true;
        HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
        HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
        signature.bytes = loaded != nullptr ? static_cast<const uint8_t *>(LockResource(loaded))
                                            : nullptr;
        signature.size = signature.bytes != nullptr ? SizeofResource(nullptr, resource) : 0;
    }
    return signature.bytes != nullptr &&
           matches_worm_signature(code, got, signature.bytes, signature.size);
}

bool code_has_signature(const uint8_t *code, DWORD got)
{
    return code_matches_signature(code, got, worm_signature_a) ||
           code_matches_signature(code, got, worm_signature_b);
}

// A host of at least two bytes that begins with a program's "MZ".
bool host_is_a_program(const host_location &host)
{
    uint8_t start[2];
    return host.size >= sizeof start &&
           read_block(host.offset, start, sizeof start) == sizeof start && start[0] == 'M' &&
           start[1] == 'Z';
}

// count bytes at offset of the open file: taken from head (head_got bytes of the file's
// start) when it holds them all, else read by themselves. The number of bytes got.
DWORD read_from_head_or_file(HANDLE file, const uint8_t *head, DWORD head_got, DWORD offset,
                             uint8_t *buffer, DWORD count)
{
    if (offset <= head_got && count <= head_got - offset) {
        memcpy(buffer, head + offset, count);
        return count;
    }
    DWORD got = 0;
    if (!seek_to(file, offset) || !ReadFile(file, buffer, count, &got, nullptr))
        got = 0;
    return got;
}

// The program test on the open file: its DOS header, then the PE header window, which is
// kept in pe_header with its offset when the file passes. Bytes that head (the first
// head_got bytes of the file) holds are taken from it.
bool open_file_is_pe_program(HANDLE file, const uint8_t *head, DWORD head_got)
{
    uint8_t dos_header[dos_header_size];
    uint32_t pe_offset = 0;
    const DWORD dos_got =
        read_from_head_or_file(file, head, head_got, 0, dos_header, sizeof dos_header);
    if (!read_dos_header(dos_header, dos_got, pe_offset) ||
        !is_pe_header(pe_header, read_from_head_or_file(file, head, head_got, pe_offset,
                                                        pe_header, sizeof pe_header)))
        return false;
    pe_header_offset = pe_offset;
    return true;
}

// The worm's code position of the open file against both signatures. Both signatures
// cover the same 64 bytes, so they are read once.
bool open_file_has_signature(HANDLE file, const uint8_t *head, DWORD head_got)
{
    uint8_t code[worm_signature_size];
    const DWORD got =
        read_from_head_or_file(file, head, head_got, worm_code_offset, code, sizeof code);
    return code_has_signature(code, got);
}

}  // namespace

bool is_pe_program()
{
    HANDLE file = open_for_reading(current_file_path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = open_file_is_pe_program(file, nullptr, 0);
    CloseHandle(file);
    return ok;
}

bool has_worm_signature(const char *path)
{
    HANDLE file = open_for_reading(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool match = open_file_has_signature(file, nullptr, 0);
    CloseHandle(file);
    return match;
}

program_test_result test_program_file()
{
    HANDLE file = open_for_reading(current_file_path);
    if (file == INVALID_HANDLE_VALUE)
        return not_a_program;
    // One read of the file's start up to the end of the worm's code serves both tests for
    // most programs; a part that lies beyond what it brought is read by itself.
    static uint8_t head[worm_code_offset + worm_signature_size];
    DWORD head_got = 0;
    if (!ReadFile(file, head, sizeof head, &head_got, nullptr))
        head_got = 0;
    program_test_result result = not_a_program;
    if (open_file_is_pe_program(file, head, head_got))
        result = open_file_has_signature(file, head, head_got) ? worm_program
                                                               : program_without_worm_code;
    CloseHandle(file);
    return result;
}

DWORD rva_to_file_offset(DWORD rva)
{
    uint32_t offset;
    if (!rva_to_file_offset(examined_headers(), rva, current_file_size, offset))
        return 0;
    return offset;
}

cure_result disinfect_program()
{
    if (!examined_file_fits_32_bits())
        return not_cured;
    host_location host;
    switch (locate_host(examined_headers(), current_file_size, work_buffer, host)) {
    case carrier_is_bare_copy:
        return worm_copy;
    case carrier_is_broken:
        return not_cured;
    case carrier_holds_host:
        break;
    }
    // An empty or broken host would take the place of the user's program and be reported
    // as disinfected: the infected file stays as it is instead.
    if (!host_is_a_program(host))
        return not_cured;
    // Without a restore target the host has nowhere to go; only a bare copy is treated.
    if (restore_target_path[0] == '\0')
        return not_cured;
    return restore_host(host.offset, current_file_size - host.offset - host.size);
}

cure_result restore_host(DWORD start, DWORD tail)
{
    if (start > current_file_size || tail > current_file_size - start)
        return not_cured;
    // Only the host's own bytes are copied, so the target ends up exactly the host.
    const DWORD length = current_file_size - start - tail;
    for (DWORD done = 0; done < length;) {
        const DWORD left = length - done;
        const DWORD count = left < sizeof work_buffer ? left : DWORD(sizeof work_buffer);
        if (read_block(start + done, work_buffer, count) != count)
            return not_cured;  // the file is shorter than its listing said
        if (write_block(done, work_buffer, count) != count)
            return not_cured;
        done += count;
    }
    return set_target_end(length) ? cured : not_cured;
}

DWORD read_block(DWORD offset, void *buffer, DWORD count)
{
    return read_file_at(current_file_path, offset, buffer, count);
}

DWORD write_block(DWORD offset, const void *buffer, DWORD count)
{
    HANDLE file = open_target_for_writing();
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    if (!seek_to(file, offset) || !WriteFile(file, buffer, count, &written, nullptr))
        written = 0;
    CloseHandle(file);
    return written;
}

bool set_target_end(DWORD length)
{
    HANDLE file = open_target_for_writing();
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = seek_to(file, length) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}
