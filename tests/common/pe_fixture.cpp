// Builders of test files in the worm's layout; see pe_fixture.h.
#include "pe_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

const uint8_t fixture_signature_a[64] = {
    0x6A, 0x02, 0x6A, 0x02, 0x66, 0x89, 0x45, 0xE6, 0xFF, 0x15, 0x5C, 0xAC, 0x17, 0x36, 0x8B, 0xF0,
    0x83, 0xFE, 0xFF, 0x74, 0x18, 0x8D, 0x45, 0xE4, 0x6A, 0x10, 0x50, 0x56, 0xFF, 0x15, 0x58, 0xAC,
    0x17, 0x36, 0x85, 0xC0, 0x74, 0x20, 0x56, 0xFF, 0x15, 0x3C, 0xAC, 0x17, 0x36, 0x68, 0x00, 0x01,
    0x00, 0x00, 0xFF, 0x75, 0x08, 0xFF, 0x75, 0x10, 0xFF, 0x15, 0x30, 0x81, 0x17, 0x36, 0x83, 0xC4,
};

const uint8_t fixture_signature_b[64] = {
    0x6A, 0x02, 0x6A, 0x02, 0x66, 0x89, 0x45, 0xE6, 0xFF, 0x15, 0xBC, 0xAC, 0x37, 0x37, 0x8B, 0xF0,
    0x83, 0xFE, 0xFF, 0x74, 0x18, 0x8D, 0x45, 0xE4, 0x6A, 0x10, 0x50, 0x56, 0xFF, 0x15, 0xB8, 0xAC,
    0x37, 0x37, 0x85, 0xC0, 0x74, 0x20, 0x56, 0xFF, 0x15, 0x9C, 0xAC, 0x37, 0x37, 0x68, 0x00, 0x01,
    0x00, 0x00, 0xFF, 0x75, 0x08, 0xFF, 0x75, 0x10, 0xFF, 0x15, 0x30, 0x81, 0x37, 0x37, 0x83, 0xC4,
};

namespace {

const uint32_t pe_offset = 0x80;
const uint32_t headers_size = 0x1000;
const uint32_t text_rva = 0x1000;
const uint32_t code_offset = 4332;
const uint32_t subdirectory_flag = 0x80000000u;

uint32_t align_up(uint32_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

void put_bytes(byte_vector &bytes, size_t offset, const void *data, size_t size)
{
    if (offset > bytes.size() || size > bytes.size() - offset)
        throw std::out_of_range("fixture write past its buffer");
    std::copy_n(static_cast<const uint8_t *>(data), size, bytes.begin() + offset);
}

// A directory table header (all zero but the count of identifier entries).
void put_table(byte_vector &bytes, uint32_t at, size_t entries)
{
    patch_u16(bytes, at + 14, uint16_t(entries));
}

void put_entry(byte_vector &bytes, uint32_t at, uint32_t id, uint32_t offset)
{
    patch_u32(bytes, at, id);
    patch_u32(bytes, at + 4, offset);
}

template <typename T>
size_t index_of(std::vector<T> &list, const T &value)
{
    auto found = std::find(list.begin(), list.end(), value);
    if (found != list.end())
        return size_t(found - list.begin());
    list.push_back(value);
    return list.size() - 1;
}

}  // namespace

void patch_u16(byte_vector &bytes, size_t offset, uint16_t value)
{
    const uint8_t le[2] = {uint8_t(value), uint8_t(value >> 8)};
    put_bytes(bytes, offset, le, sizeof le);
}

void patch_u32(byte_vector &bytes, size_t offset, uint32_t value)
{
    const uint8_t le[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                           uint8_t(value >> 24)};
    put_bytes(bytes, offset, le, sizeof le);
}

byte_vector filler_bytes(size_t size, uint32_t seed)
{
    byte_vector bytes(size);
    uint32_t state = seed * 2654435761u + 12345u;
    for (auto &b : bytes) {
        state = state * 1103515245u + 12345u;
        b = uint8_t(state >> 16);
    }
    return bytes;
}

byte_vector build_resource_section(const std::vector<resource_item> &items, uint32_t section_rva,
                                   uint32_t min_size, std::vector<uint32_t> *data_offsets,
                                   std::vector<uint32_t> *data_entry_offsets)
{
    // Group the leaves: types, the names of each type, the languages of each name.
    std::vector<uint32_t> types;
    std::vector<std::vector<uint32_t>> names;                      // per type
    std::vector<std::vector<std::vector<size_t>>> leaves;          // per type, name: items
    for (size_t i = 0; i < items.size(); ++i) {
        const size_t t = index_of(types, items[i].type);
        names.resize(types.size());
        leaves.resize(types.size());
        const size_t n = index_of(names[t], items[i].name);
        leaves[t].resize(names[t].size());
        leaves[t][n].push_back(i);
    }

    // Offsets of every table, in the usual order: root, name tables, language tables.
    uint32_t at = 16 + 8 * uint32_t(types.size());
    std::vector<uint32_t> name_table(types.size());
    for (size_t t = 0; t < types.size(); ++t) {
        name_table[t] = at;
        at += 16 + 8 * uint32_t(names[t].size());
    }
    std::vector<std::vector<uint32_t>> language_table(types.size());
    for (size_t t = 0; t < types.size(); ++t)
        for (size_t n = 0; n < names[t].size(); ++n) {
            language_table[t].push_back(at);
            at += 16 + 8 * uint32_t(leaves[t][n].size());
        }
    const uint32_t entries_start = at;
    const uint32_t tables_end = entries_start + 16 * uint32_t(items.size());
    uint32_t data_size = 0;
    for (const auto &item : items)
        data_size += uint32_t(item.data.size());
    const uint32_t data_start =
        std::max(align_up(tables_end, 16), min_size > data_size ? min_size - data_size : 0);

    byte_vector section(data_start + data_size);
    std::vector<uint32_t> item_data(items.size()), item_entry(items.size());
    uint32_t data_at = data_start;
    for (size_t i = 0; i < items.size(); ++i) {
        item_entry[i] = entries_start + 16 * uint32_t(i);
        item_data[i] = data_at;
        put_bytes(section, data_at, items[i].data.data(), items[i].data.size());
        patch_u32(section, item_entry[i], section_rva + data_at);
        patch_u32(section, item_entry[i] + 4, uint32_t(items[i].data.size()));
        data_at += uint32_t(items[i].data.size());
    }

    put_table(section, 0, types.size());
    for (size_t t = 0; t < types.size(); ++t) {
        put_entry(section, 16 + 8 * uint32_t(t), types[t], subdirectory_flag | name_table[t]);
        put_table(section, name_table[t], names[t].size());
        for (size_t n = 0; n < names[t].size(); ++n) {
            put_entry(section, name_table[t] + 16 + 8 * uint32_t(n), names[t][n],
                      subdirectory_flag | language_table[t][n]);
            put_table(section, language_table[t][n], leaves[t][n].size());
            for (size_t l = 0; l < leaves[t][n].size(); ++l) {
                const size_t i = leaves[t][n][l];
                put_entry(section, language_table[t][n] + 16 + 8 * uint32_t(l), items[i].language,
                          item_entry[i]);
            }
        }
    }
    if (data_offsets)
        *data_offsets = item_data;
    if (data_entry_offsets)
        *data_entry_offsets = item_entry;
    return section;
}

byte_vector build_pe_header_block(const std::vector<section_spec> &sections,
                                  uint32_t size_of_headers, uint16_t optional_header_size,
                                  uint32_t resource_rva, uint32_t resource_size)
{
    const size_t table = 24 + size_t(optional_header_size);
    byte_vector block(std::max<size_t>(1024, table + 40 * sections.size()));
    put_bytes(block, 0, "PE\0\0", 4);
    patch_u16(block, 4, 0x014C);  // Intel 386
    patch_u16(block, 6, uint16_t(sections.size()));
    patch_u16(block, 20, optional_header_size);
    patch_u16(block, 22, 0x010F);  // executable, 32-bit, no relocations
    if (optional_header_size >= 224) {
        const size_t opt = 24;
        patch_u16(block, opt + 0, 0x010B);  // PE32
        patch_u32(block, opt + 16, text_rva);        // entry point
        patch_u32(block, opt + 28, 0x00400000);      // image base
        patch_u32(block, opt + 32, 0x1000);          // section alignment
        patch_u32(block, opt + 36, 0x200);           // file alignment
        patch_u16(block, opt + 40, 4);               // OS version
        patch_u16(block, opt + 48, 4);               // subsystem version
        uint32_t image_end = align_up(size_of_headers, 0x1000);
        for (const auto &s : sections)
            image_end = std::max(image_end, align_up(s.virtual_address + s.raw_size, 0x1000));
        patch_u32(block, opt + 56, image_end);       // SizeOfImage
        patch_u16(block, opt + 68, 2);               // Windows GUI
        patch_u32(block, opt + 92, 16);              // data directories
        patch_u32(block, opt + 96 + 16, resource_rva);
        patch_u32(block, opt + 96 + 20, resource_size);
    }
    // The fixed fields are written even over a short optional header; the section table,
    // written last, wins where they overlap.
    patch_u32(block, 84, size_of_headers);
    if (optional_header_size < 224) {
        patch_u32(block, 136, resource_rva);
        patch_u32(block, 140, resource_size);
    }
    for (size_t i = 0; i < sections.size(); ++i) {
        const size_t h = table + 40 * i;
        put_bytes(block, h, i == 0 ? ".text" : ".rsrc", 5);
        patch_u32(block, h + 8, sections[i].raw_size);  // VirtualSize
        patch_u32(block, h + 12, sections[i].virtual_address);
        patch_u32(block, h + 16, sections[i].raw_size);
        patch_u32(block, h + 20, sections[i].raw_pointer);
        patch_u32(block, h + 36, i == 0 ? 0x60000020u : 0x40000040u);
    }
    return block;
}

built_program build_worm_program(const worm_layout &layout)
{
    if (layout.directory_offset < headers_size + 0x200)
        throw std::invalid_argument("the resource directory must lie after the worm's code");
    const uint32_t text_size = layout.directory_offset - headers_size;
    built_program out;
    out.pe_offset = pe_offset;
    out.directory_offset = layout.directory_offset;
    out.directory_rva = layout.directory_rva != 0
                            ? layout.directory_rva
                            : align_up(text_rva + text_size, 0x1000) + 0x2000;

    std::vector<uint32_t> data_offsets, entry_offsets;
    const byte_vector rsrc = build_resource_section(layout.resources, out.directory_rva,
                                                    layout.min_resource_size, &data_offsets,
                                                    &entry_offsets);
    const uint32_t directory_size =
        layout.directory_size >= 0 ? uint32_t(layout.directory_size) : uint32_t(rsrc.size());
    const byte_vector headers = build_pe_header_block(
        {{text_rva, text_size, headers_size},
         {out.directory_rva, uint32_t(rsrc.size()), layout.directory_offset}},
        headers_size, 224, out.directory_rva, directory_size);

    byte_vector &bytes = out.bytes;
    bytes = filler_bytes(layout.directory_offset, 7);  // .text: the worm's "code"
    std::fill(bytes.begin(), bytes.begin() + headers_size, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    patch_u32(bytes, 60, pe_offset);
    put_bytes(bytes, pe_offset, headers.data(), headers.size());
    switch (layout.code) {
    case worm_code::signature_a:
        put_bytes(bytes, code_offset, fixture_signature_a, 64);
        break;
    case worm_code::signature_b:
        put_bytes(bytes, code_offset, fixture_signature_b, 64);
        break;
    case worm_code::near_miss:
        put_bytes(bytes, code_offset, fixture_signature_a, 64);
        bytes[code_offset + 63] ^= 0x01;  // the last byte, the same in both variants
        break;
    case worm_code::none:
        break;
    }
    bytes.insert(bytes.end(), rsrc.begin(), rsrc.end());
    bytes.insert(bytes.end(), layout.overlay.begin(), layout.overlay.end());
    if (layout.file_size >= 0)
        bytes.resize(size_t(layout.file_size), 0);

    for (uint32_t d : data_offsets)
        out.data_offsets.push_back(layout.directory_offset + d);
    for (uint32_t e : entry_offsets)
        out.data_entry_offsets.push_back(layout.directory_offset + e);
    return out;
}

worm_layout infected_layout(const byte_vector &host, worm_code code)
{
    worm_layout layout;
    layout.code = code;
    layout.resources = {
        {rt_icon_type, 1, english_language, filler_bytes(0x2E8, 3)},
        {rt_group_icon_type, 1, english_language, filler_bytes(0x14, 4)},
        {rt_rcdata_type, host_resource_name, english_language, host},
    };
    return layout;
}

worm_layout bare_copy_layout(worm_code code)
{
    worm_layout layout;
    layout.code = code;
    layout.resources = {
        {rt_icon_type, 1, english_language, filler_bytes(0x2E8, 3)},
        {rt_group_icon_type, 1, english_language, filler_bytes(0x14, 4)},
    };
    layout.min_resource_size = 0x800;
    return layout;
}

byte_vector make_host_program(uint32_t size, uint32_t seed)
{
    byte_vector host = filler_bytes(size, seed);
    if (size >= 2) {
        host[0] = 'M';
        host[1] = 'Z';
    }
    if (size >= 0x200) {
        std::fill(host.begin() + 2, host.begin() + 0x200, 0);
        patch_u32(host, 60, 0x40);
        put_bytes(host, 0x40, "PE\0\0", 4);
        patch_u16(host, 0x44, 0x014C);
    }
    return host;
}

bool save_file(const std::string &path, const byte_vector &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

byte_vector load_file(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return byte_vector(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
