// Builders of test files in the worm's layout: PE32 programs that carry the worm's code and
// a host program as a data resource, bare worm copies, plain programs, and hand-made
// resource trees and header blocks. Portable (no windows.h): native and Windows-side tests
// both use it.
//
// The worm program laid out by build_worm_program:
//   0x0000            DOS header, "MZ", e_lfanew = 0x80
//   0x0080            "PE\0\0", file header, PE32 optional header (224 bytes), 2 section headers
//   0x1000            .text, up to the resource directory; the worm's code at 4332 (0x10EC)
//   directory_offset  .rsrc: directory tables, data entries, padding, then the resources'
//                     data in the order given; the last item (the host) ends the section
//   after .rsrc       the overlay, if any; then the file is padded or cut to file_size
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<uint8_t> byte_vector;

// The worm's two code variants, 64 bytes each.
extern const uint8_t fixture_signature_a[64];
extern const uint8_t fixture_signature_b[64];

enum class worm_code {
    signature_a,  // the first variant
    signature_b,  // the second variant
    near_miss,    // the first variant with one byte changed: matches neither
    none,         // filler bytes only: an ordinary program
};

// One leaf of a resource tree: data stored under type / name / language.
struct resource_item {
    uint32_t type;
    uint32_t name;
    uint32_t language;
    byte_vector data;
};

const uint32_t rt_icon_type = 3;
const uint32_t rt_rcdata_type = 10;
const uint32_t rt_group_icon_type = 14;
const uint32_t host_resource_name = 102;
const uint32_t english_language = 0x409;

// A resource section in the usual layout: the root table, the name tables, the language
// tables, the 16-byte data entries, then (from data_start on) the data. Types, names and
// languages keep the order of first appearance in items, so tests choose the order the
// walk sees. The data starts no earlier than needed to make the section min_size bytes
// long, so that the last item ends the section. data_offsets / data_entry_offsets, when
// given, receive each item's offsets from the section's start.
byte_vector build_resource_section(const std::vector<resource_item> &items, uint32_t section_rva,
                                   uint32_t min_size, std::vector<uint32_t> *data_offsets = nullptr,
                                   std::vector<uint32_t> *data_entry_offsets = nullptr);

struct section_spec {
    uint32_t virtual_address;
    uint32_t raw_size;
    uint32_t raw_pointer;
};

// The bytes from the PE signature on: file header, a PE32 optional header of
// optional_header_size bytes (the first 224 filled in), the section table; zero-padded to
// at least 1,024 bytes. Resource directory address and size go into data directory 2.
byte_vector build_pe_header_block(const std::vector<section_spec> &sections,
                                  uint32_t size_of_headers, uint16_t optional_header_size = 224,
                                  uint32_t resource_rva = 0, uint32_t resource_size = 0);

struct worm_layout {
    worm_code code = worm_code::signature_a;
    std::vector<resource_item> resources;
    uint32_t directory_offset = 40960;  // file offset of the resource directory (>= 0x1200)
    uint32_t directory_rva = 0;         // 0: placed above .text
    uint32_t min_resource_size = 0x4100;
    int64_t directory_size = -1;        // the data directory's size field; -1: the section's
    byte_vector overlay;                // bytes after the resource section
    int64_t file_size = -1;             // exact length (pad with zeros or cut); -1: natural
};

struct built_program {
    byte_vector bytes;
    uint32_t pe_offset;
    uint32_t directory_offset;                // file offset of the resource directory
    uint32_t directory_rva;
    std::vector<uint32_t> data_offsets;       // file offset of each resource item's data
    std::vector<uint32_t> data_entry_offsets; // file offset of each item's data entry
};

built_program build_worm_program(const worm_layout &layout);

// A worm program carrying host as RT_RCDATA 102 (after the worm's own icon), large enough
// for every carrier limit; the host's data ends the file unless an overlay is added.
worm_layout infected_layout(const byte_vector &host, worm_code code = worm_code::signature_a);

// The worm alone: 43,008 bytes, a 2,048-byte resource section with its icon only.
worm_layout bare_copy_layout(worm_code code = worm_code::signature_a);

// A host program of size bytes: a small PE header (when size allows) and filler from seed.
byte_vector make_host_program(uint32_t size, uint32_t seed);

// Deterministic filler bytes.
byte_vector filler_bytes(size_t size, uint32_t seed);

// Little-endian stores for patching built files.
void patch_u16(byte_vector &bytes, size_t offset, uint16_t value);
void patch_u32(byte_vector &bytes, size_t offset, uint32_t value);

// Whole-file helpers; save_file returns false when the file could not be written.
bool save_file(const std::string &path, const byte_vector &bytes);
byte_vector load_file(const std::string &path);
