// The page-tail comparison: the worm's script in any ASCII letter case, and nothing else.
#include "page_tail.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

TEST(PageTail, MatchesTheScriptInAnyLetterCase)
{
    const std::string script(worm_script_tail, worm_script_length);
    std::string upper = script, mixed = script;
    for (auto &c : upper)
        c = char(toupper(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < mixed.size(); i += 2)
        mixed[i] = char(toupper(static_cast<unsigned char>(mixed[i])));

    struct tail_case {
        const char *what;
        std::string tail;
        bool matches;
    };
    auto changed = [&](size_t at, char c) {
        std::string s = script;
        s[at] = c;
        return s;
    };
    const tail_case cases[] = {
        {"the script", script, true},
        {"in capitals", upper, true},
        {"in mixed case", mixed, true},
        {"one letter different", changed(10, 'x'), false},
        {"a zero byte", changed(60, '\0'), false},
        // Only letters fold: '<' and 0x1C, '=' and 0x1D differ by the case bit alone.
        {"'<' taken for its case-bit twin", changed(0, '\x1C'), false},
        {"'=' taken for its case-bit twin", changed(22, '\x1D'), false},
        {"a letter with the top bit set", changed(1, char('h' | 0x80)), false},
        {"shifted by a line end", script.substr(1) + "\n", false},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(c.tail.size(), worm_script_length) << c.what;
        EXPECT_EQ(is_worm_script_tail(reinterpret_cast<const unsigned char *>(c.tail.data()),
                                      c.tail.size()),
                  c.matches)
            << c.what;
    }
}

TEST(PageTail, OnlyExactlyTheScriptsLength)
{
    const std::string longer = std::string(worm_script_tail) + ">";
    const auto *bytes = reinterpret_cast<const unsigned char *>(longer.data());
    EXPECT_FALSE(is_worm_script_tail(bytes, worm_script_length - 1));
    EXPECT_FALSE(is_worm_script_tail(bytes, worm_script_length + 1));
    EXPECT_FALSE(is_worm_script_tail(bytes, 0));
}
