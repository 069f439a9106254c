// Deleting and replacing files now or at the next start, on the NT family: what is done at
// once, what is registered with MoveFileExA, and that a failure never costs a file.
#include "defer_ops.h"
#include "defer_test_support.h"
#include "error_class.h"
#include "platform_family.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

namespace {

std::string pending_list_text()
{
    std::string text;
    for (const auto &pair : pending_file_renames())
        text += "  " + pair.first + " -> " + pair.second + "\n";
    return text;
}

}  // namespace

TEST(DeferOps, RunsOnTheNtFamily)
{
    ASSERT_EQ(is_nt_platform(), platform_nt);
}

TEST(DeferOps, DeletionIsDoneNowDeferredOrRefused)
{
    const std::string folder = fresh_test_folder("defer delete");
    enum Setup { free_file, held_open, read_only, missing, folder_entry };
    struct Case {
        const char *name;
        Setup setup;
        DeferResult expected;
    };
    const Case cases[] = {
        {"free file.txt", free_file, done_now},
        {"held open without delete sharing.txt", held_open, deferred},
        {"read only.txt", read_only, deferred},
        {"never made.txt", missing, failed},
        {"a folder", folder_entry, failed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + c.name;
        if (c.setup == folder_entry) {
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
        } else if (c.setup != missing) {
            ASSERT_TRUE(write_text_file(path, "content"));
        }
        if (c.setup == read_only) {
            ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        OpenWithoutDeleteSharing holder(c.setup == held_open ? path : folder + "nothing");
        ASSERT_EQ(holder.is_open(), c.setup == held_open);

        EXPECT_EQ(delete_or_defer(path.c_str()), c.expected);

        EXPECT_EQ(has_pending_rename(path, ""), c.expected == deferred) << pending_list_text();
        EXPECT_EQ(file_exists(path), c.setup != free_file && c.setup != missing);
    }
}

TEST(DeferOps, PathsBeyondThePathLimitAreNeverTouched)
{
    const std::string folder = fresh_test_folder("defer long");
    const std::string existing = folder + "kept.txt";
    ASSERT_TRUE(write_text_file(existing, "kept"));
    // Names that a cut at 259 characters would turn into the existing file's path.
    const std::string too_long = existing + std::string(MAX_PATH, 'x');
    EXPECT_EQ(delete_or_defer(too_long.c_str()), failed);
    EXPECT_EQ(replace_or_defer(too_long.c_str(), existing.c_str()), failed);
    EXPECT_EQ(replace_or_defer(existing.c_str(), too_long.c_str()), failed);
    EXPECT_EQ(delete_or_defer(""), failed);
    EXPECT_EQ(read_text_file(existing), "kept");
}

TEST(DeferOps, ReplacementMovesTheSourceIntoPlace)
{
    const std::string folder = fresh_test_folder("defer replace now");
    struct Case {
        const char *name;
        bool destination_exists;
    };
    const Case cases[] = {{"over an existing file", true}, {"into a free name", false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = folder + c.name + " restored.tmp";
        const std::string destination = folder + c.name + " program.exe";
        ASSERT_TRUE(write_text_file(source, "restored host"));
        if (c.destination_exists) {
            ASSERT_TRUE(write_text_file(destination, "infected"));
        }

        EXPECT_EQ(replace_or_defer(source.c_str(), destination.c_str()), done_now);
        EXPECT_EQ(read_text_file(destination), "restored host");
        EXPECT_FALSE(file_exists(source));
    }
}

TEST(DeferOps, ReplacementOfAFileInUseIsRegisteredBothWays)
{
    const std::string folder = fresh_test_folder("defer replace later");
    const std::string source = folder + "restored host copy.tmp";
    const std::string destination = folder + "infected program.exe";
    ASSERT_TRUE(write_text_file(source, "restored host"));
    ASSERT_TRUE(write_text_file(destination, "infected"));
    {
        OpenWithoutDeleteSharing holder(destination);
        ASSERT_TRUE(holder.is_open());
        EXPECT_EQ(replace_or_defer(source.c_str(), destination.c_str()), deferred);
    }
    // Both files stay until the next start, and the start-up rename may replace the
    // destination, which will still be there.
    EXPECT_EQ(read_text_file(destination), "infected");
    EXPECT_EQ(read_text_file(source), "restored host");
    EXPECT_TRUE(has_pending_rename(source, "!" + destination)) << pending_list_text();

    const std::string entry = short_path(destination) + "=" + short_path(source);
    const std::vector<std::string> lines = rename_section_lines(read_text_file(wininit_path()));
    EXPECT_NE(std::find(lines.begin(), lines.end(), entry), lines.end()) << entry;
}

TEST(DeferOps, ReplacementWithoutASourceKeepsTheDestination)
{
    const std::string folder = fresh_test_folder("defer replace nothing");
    const std::string destination = folder + "program.exe";
    const std::string source_folder = folder + "a folder.tmp";
    ASSERT_TRUE(CreateDirectoryA(source_folder.c_str(), nullptr));
    const std::string sources[] = {folder + "never written.tmp", source_folder};
    for (const std::string &source : sources) {
        SCOPED_TRACE(source);
        ASSERT_TRUE(write_text_file(destination, "program"));
        EXPECT_EQ(replace_or_defer(source.c_str(), destination.c_str()), failed);
        EXPECT_EQ(read_text_file(destination), "program");
        EXPECT_FALSE(has_pending_rename(source, "!" + destination));
    }
    // Held open as well: still nothing to put in its place, so nothing is registered.
    OpenWithoutDeleteSharing holder(destination);
    ASSERT_TRUE(holder.is_open());
    EXPECT_EQ(replace_or_defer(sources[0].c_str(), destination.c_str()), failed);
    EXPECT_FALSE(has_pending_rename(sources[0], "!" + destination));
}

// The 9x branch judges a failed move by the runtime library's errno, the NT branch by the
// platform error through errno_class_of_error: both must class the same failure alike.
TEST(DeferOps, PlatformErrorsAreClassedAsTheRuntimeLibraryClassesThem)
{
    const std::string folder = fresh_test_folder("error classes");
    const std::string present = folder + "present.txt";
    const std::string other = folder + "other.txt";
    ASSERT_TRUE(write_text_file(present, "present"));
    ASSERT_TRUE(write_text_file(other, "other"));
    struct Case {
        const char *what;
        std::string source, destination;
        bool hold_source;
        int expected;
    };
    const Case cases[] = {
        {"missing source", folder + "missing.txt", folder + "new.txt", false, ENOENT},
        {"missing folder", folder + "no folder\\missing.txt", folder + "new.txt", false, ENOENT},
        {"destination exists", present, other, false, EEXIST},
        {"source in use", present, folder + "new.txt", true, EACCES},
        {"name the file system refuses", present, folder + "bad<name>.txt", false, EINVAL},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (c.hold_source) {
            holder = CreateFileA(c.source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        }
        errno = 0;
        const int renamed = rename(c.source.c_str(), c.destination.c_str());
        const int runtime_class = errno;
        SetLastError(0);
        const BOOL moved = MoveFileA(c.source.c_str(), c.destination.c_str());
        const DWORD error = GetLastError();
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        ASSERT_NE(renamed, 0);
        ASSERT_FALSE(moved);
        EXPECT_EQ(runtime_class, c.expected);
        EXPECT_EQ(errno_class_of_error(error), runtime_class) << "error " << error;
    }
}
