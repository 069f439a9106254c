// The temporary folder cleanup: every file below the folder goes, now or at the next
// start; the folders stay.
#include "sweep_support.h"
#include "temp_cleanup.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(TempCleanup, DeletesFilesAtEveryDepthAndKeepsTheFolders)
{
    const std::string root = make_scratch_folder("temp_tree");
    const char *files[] = {"a.tmp", "noext", "..a", "one\\b.tmp", "one\\two\\c.exe",
                           "one\\two\\three\\d", "..dir\\e.txt"};
    for (const char *name : files)
        put_text(root + name, "x");
    // Hidden and system files are deleted like any other.
    SetFileAttributesA((root + "a.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    EXPECT_EQ(clean_temp_folder(root.c_str()), temp_files_deleted);

    for (const char *name : files)
        EXPECT_FALSE(file_exists(root + name)) << name;
    for (const char *folder : {"", "one", "one\\two", "one\\two\\three", "..dir"})
        EXPECT_TRUE(folder_exists(root + folder)) << folder;
}

TEST(TempCleanup, EmptyOrMissingFolderHasNothingLeft)
{
    const std::string root = make_scratch_folder("temp_empty");
    CreateDirectoryA((root + "sub").c_str(), nullptr);
    EXPECT_EQ(clean_temp_folder(root.c_str()), temp_files_deleted);
    EXPECT_TRUE(folder_exists(root + "sub"));
    EXPECT_EQ(clean_temp_folder((root + "missing\\").c_str()), temp_files_deleted);
}

// A file held open and a read-only file, at different depths: both are left for the next
// start, the result says so, and the walk still deletes everything else.
TEST(TempCleanup, FilesThatCannotGoNowAreRegisteredForTheNextStart)
{
    const std::string root = make_scratch_folder("temp_held");
    const std::string held_path = root + "deep\\er\\held.log";
    const std::string read_only_path = root + "deep\\read_only.txt";
    for (const std::string &path : {held_path, read_only_path, root + "first.tmp",
                                    root + "deep\\er\\after.tmp", root + "zz_last.tmp"})
        put_text(path, "x");
    SetFileAttributesA(read_only_path.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileA(held_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const temp_cleanup_result result = clean_temp_folder(root.c_str());
    CloseHandle(held);

    EXPECT_EQ(result, temp_files_deferred);
    EXPECT_TRUE(file_exists(held_path));
    EXPECT_TRUE(file_exists(read_only_path));
    EXPECT_EQ(files_in(root), std::vector<std::string>());
    EXPECT_EQ(files_in(root + "deep\\er\\"), std::vector<std::string>{"held.log"});
    for (const std::string &path : {held_path, read_only_path}) {
        const auto operations = pending_operations_for(path);
        ASSERT_EQ(operations.size(), 1u) << path;
        EXPECT_EQ(operations[0].second, "") << "a deletion has no destination";
    }
    SetFileAttributesA(read_only_path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A file that is neither deleted nor registered outweighs the deferred ones: the user must
// be told to delete it. Here its name is one the program's ANSI code page can't spell, so
// no ANSI call can name it.
TEST(TempCleanup, FileNeitherDeletedNorRegisteredIsReported)
{
    const std::string root = make_scratch_folder("temp_left");
    const std::string held_path = root + "deep\\held.log";
    for (const std::string &path : {held_path, root + "first.tmp", root + "deep\\after.tmp"})
        put_text(path, "x");
    const std::wstring unspellable =
        std::wstring(root.begin(), root.end()) + L"deep\\\x4E2D\x6587.tmp";
    HANDLE file = CreateFileW(unspellable.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    HANDLE held = CreateFileA(held_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const temp_cleanup_result result = clean_temp_folder(root.c_str());
    CloseHandle(held);

    EXPECT_EQ(result, temp_files_left);
    EXPECT_NE(GetFileAttributesW(unspellable.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(files_in(root), std::vector<std::string>());
    EXPECT_EQ(pending_operations_for(held_path).size(), 1u);
    DeleteFileW(unspellable.c_str());
}
