// The worm layout reader: program checks, address mapping on hostile section tables, the
// resource walk on malformed trees, and the carrier decisions on built worm programs.
#include "byte_reader.h"
#include "pe_fixture.h"
#include "pe_image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A file held in memory, read the way the Windows side reads files.
struct memory_file {
    byte_vector bytes;
    int reads = 0;
};

uint32_t read_memory(void *context, uint64_t offset, uint8_t *buffer, uint32_t count)
{
    auto *file = static_cast<memory_file *>(context);
    ++file->reads;
    if (offset > file->bytes.size())
        return 0;
    const uint64_t left = file->bytes.size() - offset;
    const uint32_t got = left < count ? uint32_t(left) : count;
    memcpy(buffer, file->bytes.data() + offset, got);
    return got;
}

// The header window a program check keeps: 1,024 bytes from the PE signature on.
pe_headers headers_of(memory_file &file, uint32_t pe_offset)
{
    return pe_headers{file.bytes.data() + pe_offset,
                      std::min<size_t>(pe_header_size, file.bytes.size() - pe_offset), pe_offset,
                      read_memory, &file};
}

// The mapping's answer as one number: the file offset, or nowhere.
const int64_t nowhere = -1;

int64_t mapped(const pe_headers &pe, uint32_t rva, uint32_t file_size)
{
    uint32_t offset = 0;
    return rva_to_file_offset(pe, rva, file_size, offset) ? int64_t(offset) : nowhere;
}

}  // namespace

TEST(ProgramCheck, DosHeaderAndPeSignature)
{
    byte_vector dos(64, 0);
    dos[0] = 'M';
    dos[1] = 'Z';
    patch_u32(dos, 60, 0x12345678);
    uint32_t pe_offset = 0;
    EXPECT_TRUE(read_dos_header(dos.data(), dos.size(), pe_offset));
    EXPECT_EQ(pe_offset, 0x12345678u);
    EXPECT_FALSE(read_dos_header(dos.data(), 63, pe_offset));  // a short read
    dos[0] = 'Z';
    dos[1] = 'M';
    EXPECT_FALSE(read_dos_header(dos.data(), dos.size(), pe_offset));

    byte_vector pe = build_pe_header_block({}, 0x400);
    EXPECT_TRUE(is_pe_header(pe.data(), pe.size()));
    EXPECT_FALSE(is_pe_header(pe.data(), pe_header_size - 1));  // the window must be full
    pe[3] = 1;
    EXPECT_FALSE(is_pe_header(pe.data(), pe.size()));
}

TEST(ProgramCheck, WormSignatureNeedsAllSixtyFourBytes)
{
    const uint8_t *a = fixture_signature_a;
    byte_vector code(a, a + 64);
    EXPECT_TRUE(matches_worm_signature(code.data(), 64, a, 64));
    EXPECT_FALSE(matches_worm_signature(code.data(), 63, a, 64));  // the file ended early
    EXPECT_FALSE(matches_worm_signature(code.data(), 64, a, 63));  // a cut resource
    EXPECT_FALSE(matches_worm_signature(code.data(), 64, fixture_signature_b, 64));
    code[63] ^= 1;
    EXPECT_FALSE(matches_worm_signature(code.data(), 64, a, 64));
}

TEST(AddressMapping, HostileSectionTables)
{
    struct mapping_case {
        const char *what;
        std::vector<section_spec> sections;
        uint32_t size_of_headers;
        uint32_t rva;
        uint32_t file_size;
        int64_t expected;
    };
    const std::vector<section_spec> two = {{0x1000, 0x200, 0x400}, {0x2000, 0x1000, 0x600}};
    const mapping_case cases[] = {
        {"first byte of a section", two, 0x400, 0x1000, 0x10000, 0x400},
        {"last raw byte of a section", two, 0x400, 0x11FF, 0x10000, 0x5FF},
        {"past the raw data, before the next section", two, 0x400, 0x1200, 0x10000, nowhere},
        {"inside the second section", two, 0x400, 0x2500, 0x10000, 0xB00},
        {"past every section", two, 0x400, 0x3000, 0x10000, nowhere},
        {"gap between headers and first section", two, 0x400, 0x800, 0x10000, 0x800},
        {"end of the header area is not the gap", two, 0x400, 0x400, 0x10000, nowhere},
        {"header area", two, 0x400, 0x100, 0x10000, 0x100},
        {"address 0 is the file's first byte", two, 0x400, 0, 0x10000, 0},
        {"header area beyond the file", two, 0x400, 0x100, 0x100, nowhere},
        {"zero raw size holds nothing",
         {{0x1000, 0, 0x400}, {0x3000, 0x100, 0x800}}, 0x400, 0x1000, 0x10000, nowhere},
        {"overlapping sections: the first wins",
         {{0x1000, 0x1000, 0x400}, {0x1800, 0x1000, 0x4000}}, 0x400, 0x1900, 0x10000, 0xD00},
        {"offset that would wrap past 2^32",
         {{0x1000, 0x2000, 0xFFFFF000u}}, 0x400, 0x2000, 0xFFFFFFFFu, nowhere},
        {"offset just below 2^32", {{0x1000, 0x2000, 0xFFFFF000u}}, 0x400, 0x1FFF, 0xFFFFFFFFu,
         0xFFFFFFFFu},
        {"difference of 2^31 or more is below the section",
         {{0x10, 0xFFFFFFFFu, 0x400}}, 0x4, 0x90000000u, 0xFFFFFFFFu, nowhere},
        {"no sections: header area only", {}, 0x400, 0x200, 0x10000, 0x200},
        {"no sections: nothing past the headers", {}, 0x400, 0x800, 0x10000, nowhere},
    };
    for (const auto &c : cases) {
        memory_file file;
        file.bytes = build_pe_header_block(c.sections, c.size_of_headers);
        pe_headers pe = headers_of(file, 0);
        EXPECT_EQ(mapped(pe, c.rva, c.file_size), c.expected) << c.what;
    }
}

TEST(AddressMapping, SectionHeadersBeyondTheWindowAreReadFromTheFile)
{
    // A long optional header pushes the section table past the 1,024 kept bytes.
    memory_file file;
    const uint32_t pe_offset = 0x40;
    file.bytes = byte_vector(pe_offset, 0);
    const byte_vector block =
        build_pe_header_block({{0x1000, 0x200, 0x400}, {0x2000, 0x200, 0x600}}, 0x400, 1200);
    file.bytes.insert(file.bytes.end(), block.begin(), block.end());

    pe_headers pe = headers_of(file, pe_offset);
    EXPECT_EQ(mapped(pe, 0x2010, 0x10000), 0x610);
    EXPECT_GT(file.reads, 0);

    // Without a way to read them, no section maps; the header area still does.
    pe.read = nullptr;
    EXPECT_EQ(mapped(pe, 0x2010, 0x10000), nowhere);
    EXPECT_EQ(mapped(pe, 0x10, 0x10000), 0x10);

    // A table cut off by the end of the file: the readable first section still maps.
    pe.read = read_memory;
    file.bytes.resize(pe_offset + 24 + 1200 + 40 + 20);
    EXPECT_EQ(mapped(pe, 0x1010, 0x10000), 0x410);
    EXPECT_EQ(mapped(pe, 0x2010, 0x10000), nowhere);
}

TEST(AddressMapping, HeaderWindowTooShortMapsNothing)
{
    memory_file file;
    file.bytes = build_pe_header_block({{0x1000, 0x200, 0x400}}, 0x400);
    pe_headers pe = headers_of(file, 0);
    pe.size = 85;  // SizeOfHeaders lies at 84..87
    EXPECT_EQ(mapped(pe, 0x1000, 0x10000), nowhere);
}

namespace {

std::vector<resource_item> host_tree(const byte_vector &host)
{
    return infected_layout(host).resources;
}

}  // namespace

TEST(ResourceWalk, FindsTheHostAndRefusesMalformedTrees)
{
    const byte_vector host = make_host_program(0x300, 1);
    struct walk_case {
        const char *what;
        std::vector<resource_item> items;
        bool found;
    };
    const walk_case cases[] = {
        {"icon, group icon, then the host", host_tree(host), true},
        {"the host alone", {{rt_rcdata_type, host_resource_name, english_language, host}}, true},
        {"the host's name after another data resource",
         {{rt_rcdata_type, 101, english_language, {1, 2}},
          {rt_rcdata_type, host_resource_name, english_language, host}},
         false},
        {"the host under 103", {{rt_rcdata_type, 103, english_language, host}}, false},
        {"no data resources at all", {{rt_icon_type, 1, english_language, {1}}}, false},
        {"an empty tree", {}, false},
    };
    for (const auto &c : cases) {
        std::vector<uint32_t> data_offsets;
        byte_vector section = build_resource_section(c.items, 0x5000, 0, &data_offsets);
        section.resize(resource_window_size, 0);
        host_data_entry entry{};
        ASSERT_EQ(find_host_data_entry(section.data(), section.size(), entry), c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(entry.rva, 0x5000 + data_offsets.back()) << c.what;
            EXPECT_EQ(entry.size, host.size()) << c.what;
        }
    }
}

TEST(ResourceWalk, NonZeroCharacteristicsBeforeTheHostEndsTheWalk)
{
    byte_vector section = build_resource_section(host_tree({1, 2, 3}), 0x5000, 0);
    section.resize(resource_window_size, 0);
    host_data_entry entry;
    patch_u32(section, 0, 1);  // the root table
    EXPECT_FALSE(find_host_data_entry(section.data(), section.size(), entry));
}

TEST(ResourceWalk, TakesTablesAsTheyLieAndDropsTheSubdirectoryFlag)
{
    // The root's RT_RCDATA leads to a table starting with 101; the table that follows the
    // root in the window has its own RT_RCDATA entry, which leads to 102.
    byte_vector w(resource_window_size, 0);
    patch_u16(w, 0 + 14, 1);
    patch_u32(w, 16, 10); patch_u32(w, 20, 0x80000000u | 48);
    patch_u16(w, 24 + 14, 1);  // the next table in the window
    patch_u32(w, 40, 10); patch_u32(w, 44, 0x80000000u | 96);
    patch_u16(w, 48 + 14, 1);
    patch_u32(w, 64, 101); patch_u32(w, 68, 0x80000000u | 200);
    patch_u16(w, 96 + 14, 1);
    patch_u32(w, 112, 102); patch_u32(w, 116, 0x7FFF0000u | 128);  // only the low 16 bits count
    patch_u16(w, 128 + 14, 1);
    patch_u32(w, 144, 0x409); patch_u32(w, 148, 160);
    patch_u32(w, 160, 0x5000); patch_u32(w, 164, 0x123);

    host_data_entry entry{};
    ASSERT_TRUE(find_host_data_entry(w.data(), w.size(), entry));
    EXPECT_EQ(entry.rva, 0x5000u);
    EXPECT_EQ(entry.size, 0x123u);
}

TEST(ResourceWalk, FieldsOutsideTheWindowEndTheWalk)
{
    struct patch {
        size_t at;
        uint32_t value;
        int width;  // 2 for the entry counts, 4 for everything else
    };
    auto apply = [](byte_vector &w, const std::vector<patch> &patches) {
        for (const auto &p : patches) {
            if (p.width == 2)
                patch_u16(w, p.at, uint16_t(p.value));
            else
                patch_u32(w, p.at, p.value);
        }
    };
    struct edge_case {
        const char *what;
        std::vector<patch> patches;
    };
    // Root: one RT_RCDATA entry at 16 leading to the name table at 24, whose first entry
    // (40) leads to the language table at 48, whose first entry (64) leads to the data
    // entry at 72.
    const std::vector<patch> base = {
        {14, 1, 2}, {16, 10, 4},    {20, 0x80000000u | 24, 4},
        {38, 1, 2}, {40, 102, 4},   {44, 0x80000000u | 48, 4},
        {62, 1, 2}, {64, 0x409, 4}, {68, 72, 4},
        {72, 0x5000, 4}, {76, 0x40, 4}};
    const edge_case cases[] = {
        {"name table whose first entry lies past the window", {{20, 0x80000000u | 2032, 4}}},
        {"name table at the window's end", {{20, 0x80000000u | 2048, 4}}},
        {"language table whose first entry is cut by the end", {{44, 0x80000000u | 2028, 4}}},
        {"language table offset of 0xFFFF", {{44, 0x8000FFFFu, 4}}},
        {"data entry whose size lies past the window", {{68, 2044, 4}}},
        {"data entry at the window's end", {{68, 2048, 4}}},
        {"more than 256 entries", {{14, 257, 2}}},
        {"256 entries run past the window before any RT_RCDATA", {{14, 256, 2}, {16, 3, 4}}},
    };
    for (const auto &c : cases) {
        byte_vector w(resource_window_size, 0);
        apply(w, base);
        host_data_entry entry{};
        ASSERT_TRUE(find_host_data_entry(w.data(), w.size(), entry)) << "base of " << c.what;
        EXPECT_EQ(entry.rva, 0x5000u);
        apply(w, c.patches);
        EXPECT_FALSE(find_host_data_entry(w.data(), w.size(), entry)) << c.what;
    }
}

TEST(ResourceWalk, ChainOfEmptyTablesEndsAtTheWindow)
{
    // Every table empty: the walk moves 16 bytes a table and must stop at the end.
    byte_vector w(resource_window_size, 0);
    host_data_entry entry;
    EXPECT_FALSE(find_host_data_entry(w.data(), w.size(), entry));
    EXPECT_FALSE(find_host_data_entry(w.data(), 15, entry));
}

namespace {

struct carrier_case {
    const char *what;
    worm_layout layout;
    carrier_verdict expected;
};

carrier_verdict decide(const built_program &program, host_location &host)
{
    memory_file file;
    file.bytes = program.bytes;
    const pe_headers pe = headers_of(file, program.pe_offset);
    byte_vector window(resource_window_size);
    return locate_host(pe, uint32_t(file.bytes.size()), window.data(), host);
}

worm_layout with(worm_layout layout, void (*change)(worm_layout &))
{
    change(layout);
    return layout;
}

}  // namespace

TEST(Carrier, LimitsOfSizeAndPlacement)
{
    const byte_vector host = make_host_program(0x1000, 2);
    const worm_layout infected = infected_layout(host);
    const carrier_case cases[] = {
        {"infected program", infected, carrier_holds_host},
        {"second signature variant", infected_layout(host, worm_code::signature_b),
         carrier_holds_host},
        {"bare copy", bare_copy_layout(), carrier_is_bare_copy},
        // The default layout is exactly 57,600 bytes; one byte less of padding before the
        // host leaves the host whole.
        {"57,599 bytes", with(infected, [](worm_layout &l) { l.min_resource_size -= 1; }),
         carrier_is_bare_copy},
        {"57,600 bytes", with(infected, [](worm_layout &l) { l.file_size = 57600; }),
         carrier_holds_host},
        {"directory size 7,935", with(infected, [](worm_layout &l) { l.directory_size = 7935; }),
         carrier_is_bare_copy},
        {"directory size 7,936", with(infected, [](worm_layout &l) { l.directory_size = 7936; }),
         carrier_holds_host},
        {"directory at 40,959", with(infected, [](worm_layout &l) { l.directory_offset = 40959; }),
         carrier_is_bare_copy},
        {"directory at 40,960", with(infected, [](worm_layout &l) { l.directory_offset = 40960; }),
         carrier_holds_host},
        {"directory 255 bytes before the end",
         with(infected, [](worm_layout &l) { l.min_resource_size = 0;
                                             l.directory_size = 8000;
                                             l.directory_offset = 0x10000;
                                             l.file_size = 0x10000 + 255; }),
         carrier_is_bare_copy},
        {"fewer than 2,048 directory bytes in the file",
         with(infected, [](worm_layout &l) { l.min_resource_size = 0;
                                             l.directory_size = 8000;
                                             l.directory_offset = 0x10000;
                                             l.file_size = 0x10000 + 2047; }),
         carrier_is_bare_copy},
        {"host data ends before trailing bytes",
         with(infected, [](worm_layout &l) { l.overlay = filler_bytes(300, 9); }),
         carrier_holds_host},
        {"the host under 103",
         with(infected, [](worm_layout &l) { l.resources.back().name = 103; }),
         carrier_is_broken},
    };
    for (const auto &c : cases) {
        const built_program program = build_worm_program(c.layout);
        host_location found{};
        ASSERT_EQ(decide(program, found), c.expected) << c.what;
        if (c.expected == carrier_holds_host && !c.layout.resources.empty()) {
            const byte_vector &expected_host = c.layout.resources.back().data;
            EXPECT_EQ(found.offset, program.data_offsets.back()) << c.what;
            ASSERT_EQ(found.size, expected_host.size()) << c.what;
            EXPECT_TRUE(std::equal(expected_host.begin(), expected_host.end(),
                                   program.bytes.begin() + found.offset))
                << c.what;
        }
    }
}

TEST(Carrier, DataEntriesThatDoNotFitAreRefused)
{
    const byte_vector host = make_host_program(0x1000, 3);
    struct entry_case {
        const char *what;
        uint32_t rva_shift;  // added to the entry's address
        int64_t size;        // new size; -1 keeps it
        carrier_verdict expected;
    };
    const entry_case cases[] = {
        {"exact host at the end of the file", 0, -1, carrier_holds_host},
        {"one byte past the end", 0, 0x1001, carrier_is_broken},
        {"size of 0xFFFFFFFF", 0, 0xFFFFFFFFu, carrier_is_broken},
        {"address in no section and not in the headers", 0x100000, -1, carrier_is_broken},
    };
    for (const auto &c : cases) {
        built_program program = build_worm_program(infected_layout(host));
        const uint32_t entry_at = program.data_entry_offsets.back();
        byte_reader bytes(program.bytes.data(), program.bytes.size());
        const uint32_t rva = bytes.u32(entry_at);
        ASSERT_FALSE(bytes.failed());
        patch_u32(program.bytes, entry_at, rva + c.rva_shift);
        if (c.size >= 0)
            patch_u32(program.bytes, entry_at + 4, uint32_t(c.size));
        host_location found{};
        EXPECT_EQ(decide(program, found), c.expected) << c.what;
    }

    // An address of 0 maps into the header area, to file offset 0: never a host.
    built_program program = build_worm_program(infected_layout(host));
    patch_u32(program.bytes, program.data_entry_offsets.back(), 0);
    host_location found{};
    EXPECT_EQ(decide(program, found), carrier_is_broken);
}
