// The process list's reading of performance data: counter titles and the instance walk,
// over blocks laid out as the platform lays them out, intact and damaged.
#include "perf_block.h"
#include "perf_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Listed {
    std::u16string name;
    uint32_t process_id;
};

void collect(void *context, uint32_t process_id, const uint8_t *name, size_t name_units)
{
    std::u16string text;
    for (size_t i = 0; i < name_units; ++i)
        text.push_back(char16_t(name[2 * i] | name[2 * i + 1] << 8));
    static_cast<std::vector<Listed> *>(context)->push_back({text, process_id});
}

// Walks a copy in a buffer of exactly the given size, so that any read past it is caught.
size_t walk(const std::vector<uint8_t> &bytes, size_t size, std::vector<Listed> *listed,
            size_t max_records = 511, uint32_t id_title = 784)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size ? size : 1]);
    if (size)
        memcpy(exact.get(), bytes.data(), size);
    return walk_process_instances(exact.get(), size, id_title, max_records, collect, listed);
}

ProcessTitles titles_of(const std::vector<uint8_t> &bytes)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + 1]);
    if (!bytes.empty())
        memcpy(exact.get(), bytes.data(), bytes.size());
    return find_process_titles(exact.get(), bytes.size());
}

std::vector<uint8_t> raw(const std::string &text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

const std::vector<PerfInstance> three = {
    {u"Idle", 0}, {u"System", 4}, {u"MMC", 0x1234},
};

}  // namespace

TEST(CounterTitles, FindsTheProcessObjectAndIdentifierCounter)
{
    struct Case {
        const char *what;
        std::vector<uint8_t> titles;
        bool have_object;
        const char *object_index;
        bool have_id;
        uint32_t id_index;
    };
    const Case cases[] = {
        {"as the platform writes them",
         build_counter_titles({{"1", "1847"}, {"2", "System"}, {"230", "Process"}, {"6", "% Processor Time"},
                               {"784", "ID Process"}}),
         true, "230", true, 784},
        {"case is ignored",
         build_counter_titles({{"230", "PROCESS"}, {"784", "id PROCESS"}}), true, "230", true, 784},
        {"the later of two occurrences wins",
         build_counter_titles({{"230", "Process"}, {"784", "ID Process"}, {"1230", "process"}, {"1784", "ID process"}}),
         true, "1230", true, 1784},
        {"similar titles don't match",
         build_counter_titles({{"230", "Processor"}, {"784", "ID Process "}, {"6", "% Process"}}),
         false, "", false, 0},
        {"the titles of a system without a process object",
         build_counter_titles({{"1", "1847"}, {"1846", "End Marker"}}), false, "", false, 0},
        {"only the process object",
         build_counter_titles({{"230", "Process"}}), true, "230", false, 0},
        {"the index is the trailing digits of the string before",
         raw(std::string("x230\0Process\0abc\0ID Process\0\0", 30)), true, "230", false, 0},
        {"a title as the very first string has no index",
         raw(std::string("Process\0ID Process\0\0", 21)), false, "", false, 0},
        {"an index too long for 32 bits is not taken",
         build_counter_titles({{"4294967296", "ID Process"}, {"123456789012", "Process"}}), false, "", false, 0},
        {"the largest 32-bit index is",
         build_counter_titles({{"4294967295", "ID Process"}}), false, "", true, 4294967295u},
        {"an empty string ends the text",
         raw(std::string("230\0Process\0\0" "784\0ID Process\0\0", 30)), true, "230", false, 0},
        {"an unterminated last string runs to the end of the bytes",
         raw(std::string("230\0Process\0" "784\0ID Process", 26)), true, "230", true, 784},
        {"no bytes at all", {}, false, "", false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ProcessTitles found = titles_of(c.titles);
        EXPECT_EQ(found.have_object, c.have_object);
        if (c.have_object)
            EXPECT_STREQ(found.object_index, c.object_index);
        EXPECT_EQ(found.have_id_counter, c.have_id);
        if (c.have_id)
            EXPECT_EQ(found.id_counter_index, c.id_index);
    }
}

TEST(ProcessWalk, ListsEveryInstanceWithItsIdentifier)
{
    const std::vector<uint8_t> block = build_perf_block(build_process_object(three));
    std::vector<Listed> listed;
    ASSERT_EQ(walk(block, block.size(), &listed), 3u);
    ASSERT_EQ(listed.size(), 3u);
    // The idle instance carries identifier 0, which is listed as 0xFFFFFFFE.
    EXPECT_EQ(listed[0].name, u"Idle");
    EXPECT_EQ(listed[0].process_id, 0xFFFFFFFEu);
    EXPECT_EQ(listed[1].name, u"System");
    EXPECT_EQ(listed[1].process_id, 4u);
    EXPECT_EQ(listed[2].name, u"MMC");
    EXPECT_EQ(listed[2].process_id, 0x1234u);
}

TEST(ProcessWalk, IdentifierCounterMustBeDefined)
{
    const std::vector<uint8_t> block = build_perf_block(build_process_object(three, 230, 785));
    std::vector<Listed> listed;
    EXPECT_EQ(walk(block, block.size(), &listed, 511, 784), 0u);
    EXPECT_TRUE(listed.empty());
}

TEST(ProcessWalk, StopsAtTheRecordLimit)
{
    std::vector<PerfInstance> many;
    for (uint32_t i = 0; i < 600; ++i)
        many.push_back({u"p" + std::u16string(1, char16_t(u'a' + i % 26)), 1000 + i});
    const std::vector<uint8_t> block = build_perf_block(build_process_object(many));
    std::vector<Listed> listed;
    ASSERT_EQ(walk(block, block.size(), &listed, 511), 511u);
    EXPECT_EQ(listed.back().process_id, 1000u + 510);
    listed.clear();
    EXPECT_EQ(walk(block, block.size(), &listed, 0), 0u);
    EXPECT_TRUE(listed.empty());
}

TEST(ProcessWalk, DamagedBlocksListNothingOrStopBeforeTheDamage)
{
    const std::vector<uint8_t> good = build_perf_block(build_process_object(three));
    const PerfLayout at = perf_layout(three);
    const size_t second_counter = at.first_counter + 40;
    struct Case {
        const char *what;
        size_t field;
        uint32_t value;
        size_t expected;
    };
    const Case cases[] = {
        {"no signature", 0, 0x00520050 ^ 1, 0},
        {"block header length past the end", perf_field::block_header_length, uint32_t(good.size()), 0},
        {"block header length huge", perf_field::block_header_length, 0xFFFFFFF0u, 0},
        {"object header length past the end", at.object + perf_field::object_header_length, 0xFFFFFFFFu, 0},
        {"more counters than bytes", at.object + perf_field::object_num_counters, 0x10000000u, 0},
        {"counter count that wraps when multiplied", at.object + perf_field::object_num_counters, 0x80000001u, 0},
        {"no instances (-1)", at.object + perf_field::object_num_instances, 0xFFFFFFFFu, 0},
        {"negative instance count", at.object + perf_field::object_num_instances, 0x80000000u, 0},
        {"more instances than bytes", at.object + perf_field::object_num_instances, 100, 0},
        {"definition length past the end", at.object + perf_field::object_definition_length, 0xFFFFFFF8u, 0},
        {"identifier offset past its counter block", second_counter + perf_field::counter_offset, 21, 0},
        {"identifier offset huge", second_counter + perf_field::counter_offset, 0xFFFFFFFEu, 0},
        {"first counter block empty", at.blocks[0], 0, 0},
        {"second instance longer than the data", at.instances[1] + perf_field::instance_byte_length, 0x7FFFFFFFu, 1},
        {"second instance shorter than its header", at.instances[1] + perf_field::instance_byte_length, 8, 1},
        {"second instance name past the end", at.instances[1] + perf_field::instance_name_offset, 0xFFFFFFF0u, 1},
        {"last counter block longer than the data", at.blocks[2], 0x1000, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> block = good;
        put_u32(block, c.field, c.value);
        std::vector<Listed> listed;
        EXPECT_EQ(walk(block, block.size(), &listed), c.expected);
        EXPECT_EQ(listed.size(), c.expected);
    }
}

TEST(ProcessWalk, EveryTruncationStaysInsideTheBytes)
{
    // The instance count still says three, so a cut through the instances is refused as a
    // count that doesn't fit, or the walk stops at the first instance that runs out.
    const std::vector<uint8_t> block = build_perf_block(build_process_object(three));
    for (size_t size = 0; size < block.size(); ++size) {
        SCOPED_TRACE(size);
        std::vector<Listed> listed;
        const size_t count = walk(block, size, &listed);
        EXPECT_LT(count, 3u);
        EXPECT_EQ(listed.size(), count);
    }
}

TEST(ProcessWalk, UnterminatedNameAtTheEndStopsTheWalk)
{
    std::vector<uint8_t> block = build_perf_block(build_process_object(three));
    const PerfLayout at = perf_layout(three);
    // The last instance's name runs on to the end of the data, with no terminator.
    const size_t name = at.instances[2] + 24;
    block.resize(name + 6);
    put_u32(block, at.object + perf_field::object_num_instances, 3);
    put_u32(block, at.instances[2] + perf_field::instance_byte_length, 24);
    std::vector<Listed> listed;
    // The two complete instances before it are listed, and nothing of the cut one.
    ASSERT_EQ(walk(block, block.size(), &listed), 2u);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, u"Idle");
    EXPECT_EQ(listed[0].process_id, 0xFFFFFFFEu);
    EXPECT_EQ(listed[1].name, u"System");
    EXPECT_EQ(listed[1].process_id, 4u);
}
