// The fuzz targets' pinned inputs in tests/fuzz/corpus, each with the result it must keep
// giving. A fuzz run only shows that nothing crashed; these show that the seeds which guard
// a fault (a count past the buffer, a script that is not at the very end, a resource walk
// whose first entry is not the host) are still read the way they were meant to be.
#include "page_tail.h"
#include "perf_data.h"
#include "rename_section.h"
#include "resource_walk_input.h"
#include "share_records.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> corpus_file(const std::string &target, const std::string &name)
{
    std::ifstream in(std::string(FUZZ_CORPUS_DIR) + "/" + target + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << target << "/" << name;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void count_instance(void *context, uint32_t, const uint8_t *, size_t)
{
    ++*static_cast<size_t *>(context);
}

}  // namespace

TEST(FuzzCorpus, PageTails)
{
    const struct {
        const char *file;
        bool is_script;
    } cases[] = {
        {"script_at_end", true},
        {"script_then_newline", false},  // the script, then one byte more: not the end
        {"script_upper", true},          // letter case aside
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> bytes = corpus_file("fuzz_page_tail", c.file);
        ASSERT_GE(bytes.size(), worm_script_length);
        const std::vector<uint8_t> tail(bytes.end() - worm_script_length, bytes.end());
        EXPECT_EQ(is_worm_script_tail(tail.data(), tail.size()), c.is_script);
    }
}

TEST(FuzzCorpus, PerformanceData)
{
    const std::vector<uint8_t> titles = corpus_file("fuzz_perf_data", "counter_titles");
    const ProcessTitles found = find_process_titles(titles.data(), titles.size());
    EXPECT_TRUE(found.have_object);
    EXPECT_STREQ(found.object_index, "230");
    EXPECT_TRUE(found.have_id_counter);
    EXPECT_EQ(found.id_counter_index, 784u);

    const struct {
        const char *file;
        size_t instances;
    } cases[] = {{"one_process", 1}, {"three_processes", 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> bytes = corpus_file("fuzz_perf_data", c.file);
        size_t visited = 0;
        EXPECT_EQ(walk_process_instances(bytes.data(), bytes.size(), 784, 511, count_instance, &visited),
                  c.instances);
        EXPECT_EQ(visited, c.instances);
    }
}

TEST(FuzzCorpus, RenameSection)
{
    const std::vector<uint8_t> bytes = corpus_file("fuzz_rename_section", "sections.ini");
    const std::string text(bytes.begin(), bytes.end());
    // The entry ends the rename section; the sections around it stay byte for byte.
    EXPECT_EQ(with_rename_entry(text.data(), text.size(), "NUL=C:\\A.EXE"),
              "[boot]\r\nshell=Explorer.exe\r\n[rename]\r\nNUL=C:\\X.EXE\r\nNUL=C:\\A.EXE\r\n"
              "\r\n[other]\r\na=b\r\n");
}

TEST(FuzzCorpus, ShareRecords)
{
    const struct {
        const char *file;
        size_t usable;
        size_t c_disk_shares;
    } cases[] = {
        {"count_past_buffer", 1, 1},  // nine records reported, room for one
        {"three_shares", 3, 2},       // a printer, then "c$" and "C$" as disks
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> bytes = corpus_file("fuzz_share_records", c.file);
        ASSERT_GE(bytes.size(), 2u);
        const std::vector<uint8_t> buffer(bytes.begin() + 2, bytes.end());
        const size_t usable = share_records_usable(uint16_t(bytes[0] | bytes[1] << 8), buffer.size());
        EXPECT_EQ(usable, c.usable);
        size_t c_disk_shares = 0;
        for (size_t i = 0; i < usable; ++i) {
            ShareRecord record;
            ASSERT_TRUE(read_share_record(buffer.data(), buffer.size(), i, &record));
            c_disk_shares += is_c_disk_share(record);
        }
        EXPECT_EQ(c_disk_shares, c.c_disk_shares);
    }
}

TEST(FuzzCorpus, ResourceWalks)
{
    const struct {
        const char *file;
        carrier_verdict verdict;
        uint32_t host_offset, host_size;
    } cases[] = {
        {"carrier", carrier_holds_host, 53504, 4096},
        // The host is the data under identifier 102: a name table that starts with
        // another identifier leads to no host at all.
        {"rcdata_101_first", carrier_is_broken, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> bytes = corpus_file("fuzz_resource_walk", c.file);
        resource_walk_input in;
        ASSERT_TRUE(split_resource_walk_input(bytes.data(), bytes.size(), in));
        std::vector<uint8_t> scratch(resource_window_size);
        host_location host{};
        EXPECT_EQ(locate_host(resource_walk_headers(in), in.file_size, scratch.data(), host), c.verdict);
        EXPECT_EQ(host.offset, c.host_offset);
        EXPECT_EQ(host.size, c.host_size);
    }
}
