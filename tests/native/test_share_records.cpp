// Share records of the 9x family's enumeration: which records are read, and which are the
// worm's "c$" disk share.
#include "share_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A level-50 record as the enumeration lays it out: name, type, then unused fields.
std::vector<uint8_t> record(const std::string &name, uint8_t type)
{
    std::vector<uint8_t> bytes(share_record_size, 0xCC);  // unused fields: noise
    memset(bytes.data(), 0, share_name_field);
    memcpy(bytes.data(), name.data(), name.size() < share_name_field ? name.size() : share_name_field);
    bytes[share_name_field] = type;
    return bytes;
}

}  // namespace

TEST(ShareRecords, MatchesOnlyDiskSharesNamedCDollar)
{
    using namespace std::string_literals;
    struct Case {
        std::string name_field;  // the name bytes as stored, terminator and junk included
        uint8_t type;
        bool matches;
    } cases[] = {
        {"c$", 0, true},           {"C$", 0, true},
        {"c$", 1, false},          {"C$", 3, false},  // a print queue, an IPC share
        {"d$", 0, false},          {"c", 0, false},
        {"c$x", 0, false},         {"$", 0, false},
        {"", 0, false},            {"ADMIN$", 0, false},
        {"c$\0junk"s, 0, true},   // what follows the terminator is not part of the name
        {"x\0c$"s, 0, false},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> bytes = record(c.name_field, c.type);
        ShareRecord parsed;
        ASSERT_TRUE(read_share_record(bytes.data(), bytes.size(), 0, &parsed));
        EXPECT_EQ(is_c_disk_share(parsed), c.matches) << parsed.name << " type " << int(c.type);
    }
}

TEST(ShareRecords, NameFillingTheWholeFieldIsCutAtTheField)
{
    std::vector<uint8_t> bytes = record("ABCDEFGHIJKLM", 0);  // 13 characters, no terminator
    bytes[share_name_field] = 0;                              // type right after the name
    ShareRecord parsed;
    ASSERT_TRUE(read_share_record(bytes.data(), bytes.size(), 0, &parsed));
    EXPECT_STREQ(parsed.name, "ABCDEFGHIJKLM");
    EXPECT_EQ(parsed.type, 0);
    EXPECT_FALSE(is_c_disk_share(parsed));
}

TEST(ShareRecords, RecordsAreReadOnlyWithinTheBuffer)
{
    std::vector<uint8_t> buffer;
    for (const char *name : {"print", "c$", "C$"}) {
        std::vector<uint8_t> one = record(name, std::string(name) == "print" ? 1 : 0);
        buffer.insert(buffer.end(), one.begin(), one.end());
    }
    ShareRecord parsed;
    ASSERT_TRUE(read_share_record(buffer.data(), buffer.size(), 2, &parsed));
    EXPECT_STREQ(parsed.name, "C$");
    EXPECT_FALSE(read_share_record(buffer.data(), buffer.size(), 3, &parsed));
    // A buffer that ends inside the third record holds two whole records only.
    EXPECT_FALSE(read_share_record(buffer.data(), buffer.size() - 1, 2, &parsed));
    EXPECT_FALSE(read_share_record(buffer.data(), 0, 0, &parsed));
}

TEST(ShareRecords, ReportedCountNeverExceedsTheBuffer)
{
    struct Case {
        uint16_t entries_read;
        size_t buffer_size;
        size_t usable;
    } cases[] = {
        {0, 0, 0},       {3, 3 * 42, 3},       {5, 3 * 42, 3},  // more reported than fit
        {2, 3 * 42, 2},  {1, 41, 0},           {0xFFFF, share_buffer_limit, share_buffer_limit / 42},
    };
    for (const Case &c : cases)
        EXPECT_EQ(share_records_usable(c.entries_read, c.buffer_size), c.usable)
            << c.entries_read << " in " << c.buffer_size;
}

TEST(ShareRecords, BufferSizeFitsSixteenBits)
{
    EXPECT_EQ(share_buffer_size(0), 0u);
    EXPECT_EQ(share_buffer_size(1), 42u);
    EXPECT_EQ(share_buffer_size(1560), 65520u);  // the last count that fits whole
    EXPECT_EQ(share_buffer_size(1561), 65520u);
    EXPECT_EQ(share_buffer_size(0xFFFF), 65520u);
}
