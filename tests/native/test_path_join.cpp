// join_path: results that fit are exact, results that don't are refused, never cut.
#include "path_join.h"

#include <gtest/gtest.h>

#include <string>

TEST(JoinPath, FitsExactlyOrIsRefused)
{
    char out[8];
    EXPECT_TRUE(join_path(out, sizeof out, "c:\\", "ab", "\\"));
    EXPECT_STREQ(out, "c:\\ab\\");
    EXPECT_TRUE(join_path(out, sizeof out, "1234", "567"));  // 7 characters and the terminator
    EXPECT_STREQ(out, "1234567");
    EXPECT_FALSE(join_path(out, sizeof out, "1234", "5678"));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(join_path(out, sizeof out, "", "", "12345678"));
    EXPECT_FALSE(join_path(out, 0, "", ""));
}

TEST(JoinPath, ExtendsInPlace)
{
    char out[path_capacity] = "c:\\dir\\";
    EXPECT_TRUE(join_path(out, sizeof out, out, "file.exe"));
    EXPECT_STREQ(out, "c:\\dir\\file.exe");
    std::string long_name(path_capacity - 7, 'x');  // one character too many
    EXPECT_FALSE(join_path(out, sizeof out, "c:\\dir\\", long_name.c_str()));
}
