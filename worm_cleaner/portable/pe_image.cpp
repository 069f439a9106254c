// The worm's PE layout read from byte spans; see pe_image.h. Every field is read by value
// through a byte_reader, so no byte outside what was read is ever used.
#include "pe_image.h"

#include "byte_reader.h"

#include <cstring>

namespace {

// Header fields, as offsets from the PE signature.
const size_t field_number_of_sections = 6;
const size_t field_size_of_optional_header = 20;
const size_t field_size_of_headers = 84;
const size_t field_resource_rva = 136;
const size_t field_resource_size = 140;
const size_t section_table_start = 24;  // plus SizeOfOptionalHeader

// Section header fields, as offsets from the header's start.
const size_t section_virtual_address = 12;
const size_t section_raw_size = 16;
const size_t section_raw_pointer = 20;

// Resource directory tables: a 16-byte header, then 8-byte entries.
const size_t table_header_size = 16;
const size_t table_entry_size = 8;
const size_t table_id_entry_count = 14;
const uint32_t max_table_entries = 256;
const uint32_t rt_rcdata = 10;
const uint32_t host_resource_id = 102;

struct section_header {
    uint32_t virtual_address;
    uint32_t raw_size;
    uint32_t raw_pointer;
};

section_header parse_section_header(byte_reader header)
{
    section_header section;
    section.virtual_address = header.u32(section_virtual_address);
    section.raw_size = header.u32(section_raw_size);
    section.raw_pointer = header.u32(section_raw_pointer);
    return section;
}

// Section headers inside the kept window come from it; later ones are read from the file.
bool read_section_header(const pe_headers &pe, uint16_t optional_size, uint32_t index,
                         section_header &section)
{
    // At most 24 + 65,535 + 40 * 65,535: no size_t wraps.
    const size_t at = section_table_start + size_t(optional_size) +
                      size_t(section_header_size) * index;
    byte_reader window(pe.bytes, pe.size);
    if (window.holds(at, section_header_size)) {
        section = parse_section_header(window.sub(at, section_header_size));
        return true;
    }
    if (pe.read == nullptr)
        return false;
    uint8_t header[section_header_size];
    if (pe.read(pe.context, uint64_t(pe.pe_offset) + at, header, section_header_size) !=
        section_header_size)
        return false;
    section = parse_section_header(byte_reader(header, sizeof header));
    return true;
}

// From a name table at s, its first entry's language table, then that table's first entry.
bool follow_first_language(byte_reader window, uint32_t s, host_data_entry &entry)
{
    // Only an offset's low 16 bits count; this also drops the subdirectory flag.
    const uint32_t language_table = window.u32(size_t(s) + table_header_size + 4) & 0xFFFF;
    const uint32_t data_entry = window.u32(size_t(language_table) + table_header_size + 4) & 0xFFFF;
    entry.rva = window.u32(data_entry);
    entry.size = window.u32(size_t(data_entry) + 4);
    return !window.failed();
}

}  // namespace

bool read_dos_header(const uint8_t *bytes, size_t size, uint32_t &pe_offset)
{
    byte_reader header(bytes, size);
    if (!header.holds(0, dos_header_size) || header.u8(0) != 'M' || header.u8(1) != 'Z')
        return false;
    pe_offset = header.u32(60);
    return true;
}

bool is_pe_header(const uint8_t *bytes, size_t size)
{
    byte_reader header(bytes, size);
    return header.holds(0, pe_header_size) && header.u8(0) == 'P' && header.u8(1) == 'E' &&
           header.u8(2) == 0 && header.u8(3) == 0;
}

bool matches_worm_signature(const uint8_t *code, size_t size, const uint8_t *signature,
                            size_t signature_size)
{
    return size == worm_signature_size && signature_size == worm_signature_size &&
           memcmp(code, signature, worm_signature_size) == 0;
}

bool rva_to_file_offset(const pe_headers &pe, uint32_t rva, uint32_t file_size, uint32_t &offset)
{
    byte_reader headers(pe.bytes, pe.size);
    const uint16_t section_count = headers.u16(field_number_of_sections);
    const uint16_t optional_size = headers.u16(field_size_of_optional_header);
    const uint32_t headers_size = headers.u32(field_size_of_headers);
    if (headers.failed())
        return false;

    section_header section;
    // Between the headers and the first section the file is laid out as in memory.
    if (section_count > 0 && read_section_header(pe, optional_size, 0, section) &&
        headers_size < rva && rva < section.virtual_address) {
        offset = rva;
        return true;
    }

    for (uint32_t i = 0; i < section_count; ++i) {
        if (!read_section_header(pe, optional_size, i, section))
            break;  // the table runs past the file: no later section can be read either
        // The difference taken as signed: an address below the section never belongs to it.
        const uint32_t d = rva - section.virtual_address;
        if (d < 0x80000000u && d < section.raw_size) {
            // The first section that holds the address decides, even when the offset it
            // gives would pass 2^32.
            if (d > 0xFFFFFFFFu - section.raw_pointer)
                return false;
            offset = section.raw_pointer + d;
            return true;
        }
    }

    if (rva < headers_size && rva < file_size) {
        offset = rva;
        return true;
    }
    return false;
}

bool find_host_data_entry(const uint8_t *window, size_t size, host_data_entry &entry)
{
    byte_reader tables(window, size);
    // The tables are taken one after another as they lie in the window, from the root on;
    // p only grows, so the walk ends.
    size_t p = 0;
    for (;;) {
        const uint32_t characteristics = tables.u32(p);
        const uint16_t count = tables.u16(p + table_id_entry_count);
        if (tables.failed() || characteristics != 0)
            return false;
        p += table_header_size;
        if (count > max_table_entries)
            return false;
        for (uint32_t i = 0; i < count; ++i, p += table_entry_size) {
            const uint32_t name = tables.u32(p);
            const uint32_t offset = tables.u32(p + 4);
            if (tables.failed())
                return false;
            if (name != rt_rcdata)
                continue;
            const uint32_t s = offset & 0xFFFF;
            const uint32_t first_name = tables.u32(size_t(s) + table_header_size);
            if (tables.failed())
                return false;
            if (first_name == host_resource_id)
                return follow_first_language(tables, s, entry);
        }
        if (p >= size)
            return false;
    }
}

carrier_verdict locate_host(const pe_headers &pe, uint32_t file_size, uint8_t *window,
                            host_location &host)
{
    if (file_size < carrier_min_file_size)
        return carrier_is_bare_copy;
    byte_reader headers(pe.bytes, pe.size);
    const uint32_t directory_rva = headers.u32(field_resource_rva);
    const uint32_t directory_size = headers.u32(field_resource_size);
    if (headers.failed())
        return carrier_is_broken;
    if (directory_size < carrier_min_directory_size)
        return carrier_is_bare_copy;
    uint32_t directory;
    if (!rva_to_file_offset(pe, directory_rva, file_size, directory) ||
        directory < carrier_min_directory_offset ||
        directory > file_size - carrier_directory_end_room)
        return carrier_is_bare_copy;
    if (pe.read == nullptr)
        return carrier_is_broken;
    if (pe.read(pe.context, directory, window, resource_window_size) != resource_window_size)
        return carrier_is_bare_copy;

    host_data_entry entry;
    if (!find_host_data_entry(window, resource_window_size, entry))
        return carrier_is_broken;
    // A host starting at the file's first byte would be the worm itself.
    uint32_t start;
    if (!rva_to_file_offset(pe, entry.rva, file_size, start) || start == 0 ||
        start > file_size || entry.size > file_size - start)
        return carrier_is_broken;
    host.offset = start;
    host.size = entry.size;
    return carrier_holds_host;
}
