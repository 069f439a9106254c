// Which files of a listing the drive sweep opens: web page names, and files long enough to
// hold the worm's code.
#include "listed_file.h"

#include <gtest/gtest.h>

TEST(ListedFile, OpenedOnlyWhenAStepCouldActOnIt)
{
    EXPECT_EQ(shortest_worm_file, 4396u) << "code offset 4,332 plus the 64-byte signature";

    struct Case {
        const char *name;
        uint32_t size_high;
        uint32_t size_low;
        bool opened;
    };
    const Case cases[] = {
        // Too short for the worm's code, and no page: nothing to do.
        {"notes.txt", 0, 0, false},
        {"notes.txt", 0, 4395, false},
        {"tool.exe", 0, 4395, false},
        {"x.shtml", 0, 100, false},
        {"x.aspx", 0, 100, false},
        {"x.htm.bak", 0, 4395, false},
        // Long enough to hold the code, whatever the name.
        {"notes.txt", 0, 4396, true},
        {"tool.exe", 0, 4396, true},
        {"tool.exe", 0, 0xFFFFFFFFu, true},
        // Above 4 GiB the low part alone may look short.
        {"tool.exe", 1, 0, true},
        {"tool.exe", 1, 4395, true},
        {"notes.txt", 0xFFFFFFFFu, 0xFFFFFFFFu, true},
        // A page name is opened at every size: the page cleaning judges the page by its own
        // bytes, and a program named like a page is told apart only by its bytes.
        {"page.htm", 0, 0, true},
        {"PAGE.HTM", 0, 117, true},
        {"Index.Html", 0, 118, true},
        {"default.ASP", 0, 4395, true},
        {"page.htm", 0, 4396, true},
        {"page.html", 1, 0, true},
        {"program named like a page.htm", 0, 57600, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sweep_must_open(c.name, c.size_high, c.size_low), c.opened)
            << c.name << ", size " << c.size_high << ":" << c.size_low;
}
