// Deferred delete and replace on the 9x family, where the start-up operations are lines of
// the "rename" section of wininit.ini. Run in a prefix that reports the 9x family.
#include "console.h"
#include "defer_ops.h"
#include "defer_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DeferOps9x, RunsOnThe9xFamily)
{
    ASSERT_EQ(is_nt_platform(), platform_9x);
}

TEST(DeferOps9x, EveryDeferredDeletionKeepsItsOwnLineInShortForm)
{
    // A file kept from before: its sections and lines must survive.
    const std::string before = "[Other]\r\nkeep=1\r\n\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n\r\n[Last]\r\nz=2\r\n";
    ASSERT_TRUE(write_text_file(wininit_path(), before));
    const std::string folder = fresh_test_folder("long folder for deletions");
    const std::string first = folder + "first worm copy held open.exe";
    const std::string second = folder + "second worm copy read only.exe";
    ASSERT_TRUE(write_text_file(first, "worm"));
    ASSERT_TRUE(write_text_file(second, "worm"));
    ASSERT_TRUE(SetFileAttributesA(second.c_str(), FILE_ATTRIBUTE_READONLY));
    OpenWithoutDeleteSharing holder(first);
    ASSERT_TRUE(holder.is_open());

    EXPECT_EQ(delete_or_defer(first.c_str()), deferred);
    EXPECT_EQ(delete_or_defer(second.c_str()), deferred);

    const std::string after = read_text_file(wininit_path());
    const std::vector<std::string> lines = rename_section_lines(after);
    const std::string short_first = short_path(first);
    const std::string short_second = short_path(second);
    ASSERT_NE(short_first, first);  // the names are long, so their short forms differ
    EXPECT_EQ(lines, (std::vector<std::string>{"NUL=C:\\OLD.TXT", "NUL=" + short_first,
                                               "NUL=" + short_second}))
        << after;
    EXPECT_EQ(after.compare(0, 17, "[Other]\r\nkeep=1\r\n"), 0) << after;
    EXPECT_NE(after.find("\r\n[Last]\r\nz=2\r\n"), std::string::npos) << after;
    // The 9x family leaves the NT family's registration alone.
    EXPECT_FALSE(has_pending_rename(first, ""));
}

TEST(DeferOps9x, MissingFileIsRefusedAndRegistersNothing)
{
    const std::string folder = fresh_test_folder("missing");
    const std::string before = read_text_file(wininit_path());
    EXPECT_EQ(delete_or_defer((folder + "never made.exe").c_str()), failed);
    EXPECT_EQ(read_text_file(wininit_path()), before);
}

TEST(DeferOps9x, ReplacementNowOrAtTheNextStart)
{
    // A file kept from before, whose deletion line must survive the new entry.
    ASSERT_TRUE(write_text_file(wininit_path(), "[rename]\r\nNUL=C:\\OLD.TXT\r\n"));
    const std::string folder = fresh_test_folder("long folder for replacements");
    const std::string source = folder + "restored program copy.tmp";
    const std::string destination = folder + "infected program file.exe";

    ASSERT_TRUE(write_text_file(source, "restored"));
    ASSERT_TRUE(write_text_file(destination, "infected"));
    EXPECT_EQ(replace_or_defer(source.c_str(), destination.c_str()), done_now);
    EXPECT_EQ(read_text_file(destination), "restored");
    EXPECT_FALSE(file_exists(source));

    ASSERT_TRUE(write_text_file(source, "restored again"));
    {
        OpenWithoutDeleteSharing holder(destination);
        ASSERT_TRUE(holder.is_open());
        EXPECT_EQ(replace_or_defer(source.c_str(), destination.c_str()), deferred);
    }
    EXPECT_EQ(read_text_file(destination), "restored");
    EXPECT_EQ(read_text_file(source), "restored again");
    const std::vector<std::string> lines = rename_section_lines(read_text_file(wininit_path()));
    EXPECT_EQ(lines, (std::vector<std::string>{"NUL=C:\\OLD.TXT",
                                               short_path(destination) + "=" + short_path(source)}));
    EXPECT_FALSE(has_pending_rename(source, "!" + destination));

    // No source: the destination stays.
    const std::string missing = folder + "no such copy.tmp";
    EXPECT_EQ(replace_or_defer(missing.c_str(), destination.c_str()), failed);
    EXPECT_EQ(read_text_file(destination), "restored");
}
