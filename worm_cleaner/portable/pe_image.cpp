// The worm's PE layout read from byte spans; see pe_image.h. Every field is read by value
// through a bounds-checked getter, so no byte outside what was read is ever used.
#include "pe_image.h"

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

bool parse_section_header(const uint8_t *bytes, size_t size, size_t at, section_header &section)
{
    return get_u32(bytes, size, at + section_virtual_address, section.virtual_address) &&
           get_u32(bytes, size, at + section_raw_size, section.raw_size) &&
           get_u32(bytes, size, at + section_raw_pointer, section.raw_pointer);
}

// Section headers inside the kept window come from it; later ones are read from the file.
bool read_section_header(const pe_headers &pe, uint16_t optional_size, uint32_t index,
                         section_header &section)
{
    const uint64_t at = section_table_start + uint64_t(optional_size) +
                        uint64_t(section_header_size) * index;
    if (at <= pe.size && section_header_size <= pe.size - at)
        return parse_section_header(pe.bytes, pe.size, size_t(at), section);
    if (pe.read == nullptr)
        return false;
    uint8_t header[section_header_size];
    if (pe.read(pe.context, pe.pe_offset + at, header, section_header_size) != section_header_size)
        return false;
    return parse_section_header(header, sizeof header, 0, section);
}

// From a name table at s, its first entry's language table, then that table's first entry.
bool follow_first_language(const uint8_t *window, size_t size, uint32_t s, host_data_entry &entry)
{
    uint32_t language_table, data_entry;
    if (!get_u32(window, size, size_t(s) + table_header_size + 4, language_table))
        return false;
    language_table &= 0xFFFF;  // the offset's low 16 bits; this drops the subdirectory flag
    if (!get_u32(window, size, size_t(language_table) + table_header_size + 4, data_entry))
        return false;
    data_entry &= 0xFFFF;
    return get_u32(window, size, data_entry, entry.rva) &&
           get_u32(window, size, size_t(data_entry) + 4, entry.size);
}

}  // namespace

bool get_u16(const uint8_t *bytes, size_t size, size_t offset, uint16_t &value)
{
    if (offset > size || 2 > size - offset)
        return false;
    value = uint16_t(bytes[offset] | bytes[offset + 1] << 8);
    return true;
}

bool get_u32(const uint8_t *bytes, size_t size, size_t offset, uint32_t &value)
{
    if (offset > size || 4 > size - offset)
        return false;
    value = uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
            uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24;
    return true;
}

bool read_dos_header(const uint8_t *bytes, size_t size, uint32_t &pe_offset)
{
    if (size < dos_header_size || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    return get_u32(bytes, size, 60, pe_offset);
}

bool is_pe_header(const uint8_t *bytes, size_t size)
{
    return size >= pe_header_size && bytes[0] == 'P' && bytes[1] == 'E' && bytes[2] == 0 &&
           bytes[3] == 0;
}

bool matches_worm_signature(const uint8_t *code, size_t size, const uint8_t *signature,
                            size_t signature_size)
{
    return size == worm_signature_size && signature_size == worm_signature_size &&
           memcmp(code, signature, worm_signature_size) == 0;
}

uint32_t rva_to_file_offset(const pe_headers &pe, uint32_t rva, uint32_t file_size)
{
    uint16_t section_count, optional_size;
    uint32_t headers_size;
    if (!get_u16(pe.bytes, pe.size, field_number_of_sections, section_count) ||
        !get_u16(pe.bytes, pe.size, field_size_of_optional_header, optional_size) ||
        !get_u32(pe.bytes, pe.size, field_size_of_headers, headers_size))
        return 0;

    section_header section;
    // Between the headers and the first section the file is laid out as in memory.
    if (section_count > 0 && read_section_header(pe, optional_size, 0, section) &&
        headers_size < rva && rva < section.virtual_address)
        return rva;

    for (uint32_t i = 0; i < section_count; ++i) {
        if (!read_section_header(pe, optional_size, i, section))
            break;  // the table runs past the file: no later section can be read either
        // The difference taken as signed: an address below the section never belongs to it.
        const uint32_t d = rva - section.virtual_address;
        if (d < 0x80000000u && d < section.raw_size) {
            const uint64_t offset = uint64_t(section.raw_pointer) + d;
            return offset <= 0xFFFFFFFFu ? uint32_t(offset) : 0;
        }
    }

    if (rva < headers_size && rva < file_size)
        return rva;
    return 0;
}

bool find_host_data_entry(const uint8_t *window, size_t size, host_data_entry &entry)
{
    // The tables are taken one after another as they lie in the window, from the root on;
    // p only grows, so the walk ends.
    size_t p = 0;
    for (;;) {
        uint32_t characteristics;
        uint16_t count;
        if (!get_u32(window, size, p, characteristics) ||
            !get_u16(window, size, p + table_id_entry_count, count))
            return false;
        if (characteristics != 0)
            return false;
        p += table_header_size;
        if (count > max_table_entries)
            return false;
        for (uint32_t i = 0; i < count; ++i, p += table_entry_size) {
            uint32_t name, offset;
            if (!get_u32(window, size, p, name) || !get_u32(window, size, p + 4, offset))
                return false;
            if (name != rt_rcdata)
                continue;
            const uint32_t s = offset & 0xFFFF;
            uint32_t first_name;
            if (!get_u32(window, size, size_t(s) + table_header_size, first_name))
                return false;
            if (first_name == host_resource_id)
                return follow_first_language(window, size, s, entry);
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
    uint32_t directory_rva, directory_size;
    if (!get_u32(pe.bytes, pe.size, field_resource_rva, directory_rva) ||
        !get_u32(pe.bytes, pe.size, field_resource_size, directory_size))
        return carrier_is_broken;
    if (directory_size < carrier_min_directory_size)
        return carrier_is_bare_copy;
    const uint32_t directory = rva_to_file_offset(pe, directory_rva, file_size);
    if (directory < carrier_min_directory_offset ||
        directory > file_size - carrier_directory_end_room)
        return carrier_is_bare_copy;
    if (pe.read == nullptr)
        return carrier_is_broken;
    if (pe.read(pe.context, directory, window, resource_window_size) != resource_window_size)
        return carrier_is_bare_copy;

    host_data_entry entry;
    if (!find_host_data_entry(window, resource_window_size, entry))
        return carrier_is_broken;
    // 0 means the address maps nowhere; the copy would otherwise start at the worm's own
    // first byte.
    const uint32_t start = rva_to_file_offset(pe, entry.rva, file_size);
    if (start == 0 || start > file_size || entry.size > file_size - start)
        return carrier_is_broken;
    host.offset = start;
    host.size = entry.size;
    return carrier_holds_host;
}
