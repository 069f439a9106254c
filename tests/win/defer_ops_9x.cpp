// Deferred delete and replace on the 9x family, where the start-up operations are lines of
// the "rename" section of wininit.ini. Run in a prefix that reports the 9x family.
#include "defer_ops.h"
#include "defer_test_support.h"
#include "file_swap.h"
#include "platform_family.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The names in folder, "." and ".." left out.
std::vector<std::string> names_in(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

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

// The start-up rename file holds every operation registered so far, this program's and
// others': when the new file can't be moved in, the old one is back, byte for byte.
TEST(DeferOps9x, FailedSwapKeepsTheOldFileByteForByte)
{
    const std::string folder = fresh_test_folder("swap");
    const std::string target = folder + "wininit.ini";
    const std::string source = folder + "wininit.new";
    const std::string before = "[rename]\r\nNUL=C:\\OLD.TXT\r\nC:\\A.EXE=C:\\A.TMP\r\n";
    const std::string after = before + "NUL=C:\\NEW.TXT\r\n";
    ASSERT_TRUE(write_text_file(target, before));
    ASSERT_TRUE(write_text_file(source, after));
    {
        // Held without delete sharing, the new file can't be renamed.
        OpenWithoutDeleteSharing holder(source);
        ASSERT_TRUE(holder.is_open());
        EXPECT_FALSE(
            swap_into_place(source.c_str(), target.c_str(), folder.c_str(), "wni", platform_9x));
    }
    EXPECT_EQ(read_text_file(target), before);
    EXPECT_EQ(read_text_file(source), after);
    EXPECT_EQ(names_in(folder), (std::vector<std::string>{"wininit.ini", "wininit.new"}));

    EXPECT_TRUE(swap_into_place(source.c_str(), target.c_str(), folder.c_str(), "wni", platform_9x));
    EXPECT_EQ(read_text_file(target), after);
    EXPECT_EQ(names_in(folder), std::vector<std::string>{"wininit.ini"});
}

// Another program may have the start-up rename file open, sharing even its deletion: a
// deferral must still keep every entry of that file.
TEST(DeferOps9x, DeferralWhileTheStartUpFileIsOpenKeepsItsEntries)
{
    const std::string kept = read_text_file(wininit_path());
    const std::string before = "[rename]\r\nNUL=C:\\OLD.TXT\r\nC:\\A.EXE=C:\\A.TMP\r\n";
    ASSERT_TRUE(write_text_file(wininit_path(), before));
    const std::string folder = fresh_test_folder("open start-up file");
    const std::string worm = folder + "worm.exe";
    ASSERT_TRUE(write_text_file(worm, "worm"));
    ASSERT_TRUE(SetFileAttributesA(worm.c_str(), FILE_ATTRIBUTE_READONLY));

    HANDLE reader = CreateFileA(wininit_path().c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const DeferResult result = delete_or_defer(worm.c_str());
    CloseHandle(reader);

    EXPECT_EQ(result, deferred);
    EXPECT_EQ(rename_section_lines(read_text_file(wininit_path())),
              (std::vector<std::string>{"NUL=C:\\OLD.TXT", "C:\\A.EXE=C:\\A.TMP",
                                        "NUL=" + short_path(worm)}));
    SetFileAttributesA(worm.c_str(), FILE_ATTRIBUTE_NORMAL);
    write_text_file(wininit_path(), kept);
}
