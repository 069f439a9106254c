// The rich-edit library restore: the library in the system folder is created or replaced
// whole, or left exactly as it was; no temporary file stays behind. Built twice: with a
// stand-in payload as resource 103, and without one.
#include "rich_edit.h"

#include "platform_family.h"

#include "pe_fixture.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string system_folder()
{
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? folder : "";
}

std::string library_path() { return system_folder() + "\\riched20.dll"; }

// The payload the program carries, read straight from its resource.
byte_vector embedded_payload()
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(103), MAKEINTRESOURCEA(10));
    if (!found)
        return {};
    const uint8_t *bytes = static_cast<const uint8_t *>(LockResource(LoadResource(nullptr, found)));
    return byte_vector(bytes, bytes + SizeofResource(nullptr, found));
}

std::set<std::string> folder_names(const std::string &folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool file_exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Keeps the prefix's own library and puts it back after each test.
class RichEditRestore : public ::testing::Test {
protected:
    void SetUp() override
    {
        had_library_ = file_exists(library_path());
        if (had_library_)
            original_ = load_file(library_path());
        names_before_ = folder_names(system_folder());
        names_before_.erase("riched20.dll");
    }
    void TearDown() override
    {
        SetFileAttributesA(library_path().c_str(), FILE_ATTRIBUTE_NORMAL);
        if (had_library_)
            EXPECT_TRUE(save_file(library_path(), original_));
        else
            DeleteFileA(library_path().c_str());
    }
    // Nothing but the library itself may have changed in the system folder.
    void expect_no_other_files()
    {
        std::set<std::string> names = folder_names(system_folder());
        names.erase("riched20.dll");
        EXPECT_EQ(names, names_before_);
    }

    bool had_library_ = false;
    byte_vector original_;
    std::set<std::string> names_before_;
};

}  // namespace

// The swap differs by platform family; a run checks it got the family it asked for (the
// 9x run sets EXPECT_PLATFORM_FAMILY=9x; a prefix is of the NT family unless told).
TEST(RichEditRestoreFamily, IsTheOneTheRunAsksFor)
{
    char asked[8];
    DWORD length = GetEnvironmentVariableA("EXPECT_PLATFORM_FAMILY", asked, sizeof asked);
    ASSERT_LT(length, sizeof asked) << "EXPECT_PLATFORM_FAMILY is too long";
    const std::string expected = length > 0 ? std::string(asked, length) : "nt";
    EXPECT_EQ(is_nt_platform(), expected == "9x" ? platform_9x : platform_nt);
}

TEST(RichEditTargetPath, OneSeparatorBeforeTheName)
{
    struct {
        std::string folder;
        bool fits;
        std::string target;
    } cases[] = {
        {"C:\\windows\\system32", true, "C:\\windows\\system32\\riched20.dll"},
        {"C:\\", true, "C:\\riched20.dll"},
        {"C:\\" + std::string(243, 'x'), true, "C:\\" + std::string(243, 'x') + "\\riched20.dll"},
        {"C:\\" + std::string(244, 'x'), false, ""},  // one character too many: refused
    };
    for (const auto &c : cases) {
        char target[MAX_PATH];
        EXPECT_EQ(rich_edit_target_path(c.folder.c_str(), target), c.fits) << c.folder;
        if (c.fits) {
            EXPECT_EQ(target, c.target);
        }
    }
}

#if EXPECT_PAYLOAD

TEST_F(RichEditRestore, CreatesOrReplacesTheLibraryWhole)
{
    const byte_vector payload = embedded_payload();
    ASSERT_GT(payload.size(), 65536u);
    struct {
        const char *what;
        long existing_size;  // -1: no library there
    } cases[] = {
        {"no library", -1},
        {"an empty library", 0},
        {"a shorter library", 10},
        {"a longer library", static_cast<long>(payload.size()) + 5000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(library_path().c_str());
        if (c.existing_size >= 0) {
            ASSERT_TRUE(save_file(library_path(), filler_bytes(c.existing_size, 7)));
        }
        EXPECT_TRUE(restore_rich_edit_library());
        EXPECT_TRUE(load_file(library_path()) == payload);
        expect_no_other_files();
    }
}

TEST_F(RichEditRestore, HeldOrProtectedLibraryStaysAsItWas)
{
    const byte_vector existing = filler_bytes(3000, 11);
    struct {
        const char *what;
        DWORD share;  // the holder's share mode; read-only attribute when none
        bool held;
    } cases[] = {
        {"held without sharing", 0, true},
        {"held, shared for reading", FILE_SHARE_READ, true},
        {"held, shared for reading and writing", FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        {"read-only", 0, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetFileAttributesA(library_path().c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(save_file(library_path(), existing));
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (c.held) {
            holder = CreateFileA(library_path().c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        } else {
            SetFileAttributesA(library_path().c_str(), FILE_ATTRIBUTE_READONLY);
        }
        EXPECT_FALSE(restore_rich_edit_library());
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        EXPECT_TRUE(load_file(library_path()) == existing);
        expect_no_other_files();
    }
}

#else

TEST_F(RichEditRestore, WithoutPayloadNothingIsTouched)
{
    ASSERT_TRUE(embedded_payload().empty()) << "this build must carry no library";
    struct {
        const char *what;
        bool existing;
    } cases[] = {{"no library", false}, {"a library", true}};
    const byte_vector existing = filler_bytes(5000, 3);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(library_path().c_str());
        if (c.existing) {
            ASSERT_TRUE(save_file(library_path(), existing));
        }
        EXPECT_FALSE(restore_rich_edit_library());
        EXPECT_EQ(file_exists(library_path()), c.existing);
        if (c.existing) {
            EXPECT_TRUE(load_file(library_path()) == existing);
        }
        expect_no_other_files();
    }
}

#endif
