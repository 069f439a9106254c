// Adding start-up entries to wininit.ini's text: the entry lands in the rename section and
// every other byte of the file stays as it was.
#include "rename_section.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string added(const std::string &text, const std::string &line = "NUL=C:\\TEMP\\A.EXE")
{
    return with_rename_entry(text.data(), text.size(), line);
}

}  // namespace

TEST(RenameSection, EntryGoesToTheEndOfTheRenameSection)
{
    struct Case {
        const char *name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"no file yet", "", "[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n"},
        {"other sections only", "[boot]\r\nshell=x\r\n",
         "[boot]\r\nshell=x\r\n[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n"},
        {"last line without line end", "[boot]\r\nshell=x",
         "[boot]\r\nshell=x\r\n[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n"},
        {"second deletion keeps the first", "[rename]\r\nNUL=C:\\B.EXE\r\n",
         "[rename]\r\nNUL=C:\\B.EXE\r\nNUL=C:\\TEMP\\A.EXE\r\n"},
        {"section in the middle", "[a]\r\nk=v\r\n[Rename]\r\nNUL=C:\\B.EXE\r\n\r\n[z]\r\nq=1\r\n",
         "[a]\r\nk=v\r\n[Rename]\r\nNUL=C:\\B.EXE\r\nNUL=C:\\TEMP\\A.EXE\r\n\r\n[z]\r\nq=1\r\n"},
        {"empty section followed by another", "  [ RENAME ]  \n[z]\nq=1\n",
         "  [ RENAME ]  \nNUL=C:\\TEMP\\A.EXE\r\n[z]\nq=1\n"},
        {"section header at the very end", "[x]\r\n[rename]",
         "[x]\r\n[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n"},
        {"only the first rename section grows", "[rename]\nNUL=1\n[b]\n[rename]\nNUL=2\n",
         "[rename]\nNUL=1\nNUL=C:\\TEMP\\A.EXE\r\n[b]\n[rename]\nNUL=2\n"},
        {"a name that only starts like the section", "[renamed]\r\nNUL=1\r\n",
         "[renamed]\r\nNUL=1\r\n[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n"},
        {"the same entry is not added twice", "[rename]\r\n nul=c:\\temp\\a.exe \r\n",
         "[rename]\r\n nul=c:\\temp\\a.exe \r\n"},
        {"bytes of any kind are kept", std::string("\0\xff[rename\r\n", 11),
         std::string("\0\xff[rename\r\n", 11) + "[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(added(c.before), c.after) << c.name;
}

TEST(RenameSection, ReplacementLinesKeepTheirOwnKeys)
{
    std::string text = added("", "C:\\PROGRA~1\\APP.EXE=C:\\TEMP\\RST1.TMP");
    text = added(text, "C:\\PROGRA~1\\TOOL.EXE=C:\\TEMP\\RST2.TMP");
    EXPECT_EQ(text, "[rename]\r\nC:\\PROGRA~1\\APP.EXE=C:\\TEMP\\RST1.TMP\r\n"
                    "C:\\PROGRA~1\\TOOL.EXE=C:\\TEMP\\RST2.TMP\r\n");
}
