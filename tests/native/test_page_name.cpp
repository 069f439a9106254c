// The drive sweep's web page name test: which names are handed to the page cleaning.
#include "page_name.h"

#include <gtest/gtest.h>

TEST(WebPageName, SuffixesInAnyLetterCase)
{
    struct Case {
        const char *name;
        bool page;
    };
    const Case cases[] = {
        {"PAGE.HTM", true},      {"Index.Html", true},   {"default.ASP", true},
        {"a.htm", true},         {".htm", true},         {".html", true},
        {"x.shtml", false},      {"x.aspx", false},       {"x.htm.bak", false},   {"x.htmx", false},
        {"htm", false},          {"asp", false},         {"", false},
        {"x.ht", false},         {"x.h\xf4ml", false},  // a non-ASCII byte never folds
        {"x.HT\xcd", false},     {"page.htm ", false},  {"x.asp.", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(is_web_page_name(c.name), c.page) << "name: \"" << c.name << "\"";
}
