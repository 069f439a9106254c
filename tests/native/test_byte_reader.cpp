// The bounded reader every parser of untrusted bytes goes through: reads at the edges of
// what was read, the latched failure, views that can't reach past their bytes, and counts
// that would wrap if they were multiplied.
#include "byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

TEST(ByteReader, ReadsLittleEndianUpToTheLastByteAndNoFurther)
{
    // An exact-size heap copy: a read one byte too far shows under the sanitizer.
    const uint8_t data[] = {0x11, 0x22, 0x33, 0x44, 0x55};
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[sizeof data]);
    std::copy(data, data + sizeof data, bytes.get());

    struct read_case {
        const char *what;
        size_t offset;
        int width;
        uint32_t value;  // 0 when the read doesn't fit
        bool fits;
    };
    const read_case cases[] = {
        {"u32 at the start", 0, 4, 0x44332211u, true},
        {"u32 ending at the last byte", 1, 4, 0x55443322u, true},
        {"u32 one byte past the end", 2, 4, 0, false},
        {"u16 ending at the last byte", 3, 2, 0x5544u, true},
        {"u16 starting at the last byte", 4, 2, 0, false},
        {"u8 at the last byte", 4, 1, 0x55u, true},
        {"u8 at the end", 5, 1, 0, false},
        {"offset that would wrap", SIZE_MAX - 1, 4, 0, false},
    };
    for (const auto &c : cases) {
        byte_reader reader(bytes.get(), sizeof data);
        const uint32_t value = c.width == 4   ? reader.u32(c.offset)
                               : c.width == 2 ? reader.u16(c.offset)
                                              : reader.u8(c.offset);
        EXPECT_EQ(value, c.value) << c.what;
        EXPECT_EQ(reader.failed(), !c.fits) << c.what;
    }
}

TEST(ByteReader, FailureStaysLatchedAcrossLaterGoodReads)
{
    const uint8_t bytes[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    byte_reader reader(bytes, sizeof bytes);
    EXPECT_EQ(reader.u32(0), 1u);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.u32(6), 0u);
    EXPECT_EQ(reader.u32(4), 2u);
    EXPECT_TRUE(reader.failed());

    byte_reader empty(nullptr, 16);  // no bytes at all, whatever size is claimed
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(empty.u8(0), 0u);
    EXPECT_TRUE(empty.failed());
}

TEST(ByteReader, ViewsCannotReachPastTheirBytes)
{
    const uint8_t bytes[12] = {0, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0};
    byte_reader whole(bytes, sizeof bytes);

    byte_reader middle = whole.sub(4, 4);
    EXPECT_EQ(middle.u32(0), 7u);
    EXPECT_EQ(middle.u32(4), 0u);  // the parent holds these bytes, the view does not
    EXPECT_TRUE(middle.failed());
    EXPECT_FALSE(whole.failed());

    byte_reader past = whole.sub(8, 5);
    EXPECT_TRUE(past.failed());
    EXPECT_EQ(past.size(), 0u);
    EXPECT_TRUE(whole.failed());

    byte_reader again(bytes, sizeof bytes);
    EXPECT_EQ(again.bytes_at(8, 4), bytes + 8);
    EXPECT_EQ(again.bytes_at(9, 4), nullptr);
    EXPECT_TRUE(again.failed());
}

TEST(ByteReader, ItemCountsAreDividedNotMultiplied)
{
    const uint8_t bytes[100] = {};
    const byte_reader reader(bytes, sizeof bytes);
    struct items_case {
        size_t offset, count, item_size;
        bool fits;
    };
    const items_case cases[] = {
        {0, 2, 50, true},    {0, 3, 50, false},   {20, 2, 40, true},  {21, 2, 40, false},
        {100, 0, 40, true},  {101, 0, 40, false},
        // count * item_size wraps to 0 in size_t arithmetic.
        {0, SIZE_MAX / 8 + 1, 8, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(reader.holds_items(c.offset, c.count, c.item_size), c.fits)
            << c.offset << " + " << c.count << " x " << c.item_size;
}
