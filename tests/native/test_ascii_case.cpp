// The case-blind comparison every name and text test of the cleaner uses: only A to Z
// fold, whatever the bytes around them.
#include "ascii_case.h"

#include <gtest/gtest.h>

#include <string>

TEST(AsciiCase, OnlyTheTwentySixLettersFold)
{
    using namespace std::string_literals;
    struct Case {
        std::string a, b;
        bool equal;
    };
    const Case cases[] = {
        {"Process", "pROCESS", true},
        {"AZ", "az", true},
        {"@[", "`{", false},            // the neighbours of A and Z differ by the case bit too
        {"\xc1", "\xe1", false},        // a letter of a code page is not ASCII
        {"c$\0X"s, "C$\0x"s, true},     // sized: bytes after a zero still count
        {"c$\0X"s, "C$\0y"s, false},
        {"rename", "rename ", false},   // lengths must match
    };
    for (const Case &c : cases)
        EXPECT_EQ(equal_ignoring_ascii_case(c.a.data(), c.a.size(), c.b.data(), c.b.size()),
                  c.equal)
            << c.a << " / " << c.b;

    EXPECT_TRUE(equal_ignoring_ascii_case("MMC.EXE", "mmc.exe"));
    EXPECT_FALSE(equal_ignoring_ascii_case("mmc.exe", "mmc.ex"));
    EXPECT_TRUE(ends_with_ignoring_ascii_case("A.HTM", 5, ".htm"));
    EXPECT_FALSE(ends_with_ignoring_ascii_case("HTM", 3, ".htm"));
}
