// Reading the worm's PE layout from bytes the caller has read: the program checks, the
// mapping of addresses to file offsets, and the resource walk that finds the stored host.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes read from the start of a file for the program check.
const uint32_t dos_header_size = 64;
// Bytes kept from the PE signature on; every header field the cure uses lies within them.
const uint32_t pe_header_size = 1024;
const uint32_t section_header_size = 40;
// Where the worm's code lies in its files, and how much of it identifies them.
const uint32_t worm_code_offset = 4332;
const uint32_t worm_signature_size = 64;
// The part of the resource directory that is read and searched for the host.
const uint32_t resource_window_size = 2048;

// Layout limits of a file that carries a host; a worm file below them is a bare copy.
const uint32_t carrier_min_file_size = 57600;
const uint32_t carrier_min_directory_size = 7936;
const uint32_t carrier_min_directory_offset = 40960;
const uint32_t carrier_directory_end_room = 256;

// Reads up to count bytes of the examined file at offset into buffer; returns how many it
// read (0 on any failure). The mapping uses it for section headers beyond the header
// window, the cure for the resource window.
typedef uint32_t (*file_reader)(void *context, uint64_t offset, uint8_t *buffer, uint32_t count);

// The examined file's headers as the program check kept them.
struct pe_headers {
    const uint8_t *bytes;  // from the PE signature on
    size_t size;           // how many of them were actually read
    uint32_t pe_offset;    // file offset of the PE signature (e_lfanew)
    file_reader read;      // the examined file, for section headers past the window
    void *context;
};

// The first 64 bytes of a file: true when they start with "MZ"; pe_offset gets e_lfanew.
bool read_dos_header(const uint8_t *bytes, size_t size, uint32_t &pe_offset);

// The bytes at the PE offset: true when a full header window starting "PE\0\0" was read.
bool is_pe_header(const uint8_t *bytes, size_t size);

// The 64 bytes at the worm's code offset, as read (size), against one signature.
bool matches_worm_signature(const uint8_t *code, size_t size, const uint8_t *signature,
                            size_t signature_size);

// Maps an address of the examined file to its file offset: true with offset set, false
// when the address maps nowhere (0 is a valid offset, so it can't say that). file_size is
// the file's length; addresses in the header area map only within it.
bool rva_to_file_offset(const pe_headers &pe, uint32_t rva, uint32_t file_size, uint32_t &offset);

// Where the host's data entry points: its address and length.
struct host_data_entry {
    uint32_t rva;
    uint32_t size;
};

// Walks the directory tables in the resource window (size = bytes actually read) for
// the first RT_RCDATA entry whose name table starts with identifier 102, and follows its
// first language entry to the data entry. False when the walk fails, including whenever
// a field it needs lies outside the window.
bool find_host_data_entry(const uint8_t *window, size_t size, host_data_entry &entry);

enum carrier_verdict {
    carrier_holds_host,    // host found: restore host_offset .. host_offset + host_size
    carrier_is_bare_copy,  // too small or wrongly placed to carry a host: the worm alone
    carrier_is_broken,     // looks like a carrier but no usable host was found
};

struct host_location {
    uint32_t offset;  // file offset of the host's first byte
    uint32_t size;    // the host's length
};

// Decides, for a file already known to be a PE program with the worm's code, whether it
// carries a host and where. window is scratch of at least resource_window_size bytes.
carrier_verdict locate_host(const pe_headers &pe, uint32_t file_size, uint8_t *window,
                            host_location &host);
