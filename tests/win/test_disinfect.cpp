// Detection, disinfection and page cleaning on real files in a temporary folder, called in
// the order the drive sweep calls them.
#include "disinfect.h"
#include "page_tail.h"
#include "path_join.h"
#include "pe_fixture.h"
#include "web_page.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace {

// A folder of its own under the temporary folder, emptied and removed at the end.
class scratch_folder {
public:
    scratch_folder()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        static int serial = 0;
        root_ = std::string(temp) + "disinfect_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++serial) + "\\";
        CreateDirectoryA(root_.c_str(), nullptr);
    }
    ~scratch_folder()
    {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((root_ + "*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = root_ + entry.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryA(root_.c_str());
    }
    std::string path(const char *name) const { return root_ + name; }

private:
    std::string root_;
};

void name_current_file(const std::string &path)
{
    ASSERT_TRUE(join_path(current_file_path, sizeof current_file_path, path.c_str(), ""));
}

// The low 32 bits of the size, as the folder listing reports it to the sweep.
DWORD listed_size(const std::string &path)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return entry.nFileSizeLow;
}

// True when nothing holds the file open: it can be opened without any sharing.
bool no_handle_left(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

struct cure_outcome {
    bool is_program;
    bool has_signature;
    cure_result result;
    byte_vector target;
};

// The sweep's sequence for one program: check, signature, empty target, size, cure.
cure_outcome cure_file(const scratch_folder &folder, const byte_vector &bytes,
                       const byte_vector &target_before = {})
{
    const std::string infected = folder.path("infected.exe");
    const std::string target = folder.path("quv1.tmp");
    EXPECT_TRUE(save_file(infected, bytes));
    EXPECT_TRUE(save_file(target, target_before));
    name_current_file(infected);
    EXPECT_TRUE(join_path(restore_target_path, sizeof restore_target_path, target.c_str(), ""));

    cure_outcome out{is_pe_program(), has_worm_signature(current_file_path), not_cured, {}};
    if (out.is_program && out.has_signature) {
        current_file_size = listed_size(infected);
        out.result = disinfect_program();
    }
    out.target = load_file(target);
    EXPECT_EQ(load_file(infected), bytes) << "the infected file itself is never written";
    EXPECT_TRUE(no_handle_left(infected));
    EXPECT_TRUE(no_handle_left(target));
    return out;
}

worm_layout with(worm_layout layout, void (*change)(worm_layout &))
{
    change(layout);
    return layout;
}

byte_vector built(const worm_layout &layout)
{
    return build_worm_program(layout).bytes;
}

}  // namespace

TEST(Disinfect, SignatureResourcesHoldTheWormsCode)
{
    const WORD ids[] = {101, 104};
    const uint8_t *expected[] = {fixture_signature_a, fixture_signature_b};
    for (int i = 0; i < 2; ++i) {
        HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(ids[i]), MAKEINTRESOURCEA(10));
        ASSERT_NE(resource, nullptr) << ids[i];
        ASSERT_EQ(SizeofResource(nullptr, resource), 64u) << ids[i];
        const void *bytes = LockResource(LoadResource(nullptr, resource));
        EXPECT_EQ(memcmp(bytes, expected[i], 64), 0) << ids[i];
    }
}

TEST(Disinfect, ProgramCheck)
{
    scratch_folder folder;
    byte_vector mz_only(63, 0);
    mz_only[0] = 'M';
    mz_only[1] = 'Z';
    // A PE signature that lies exactly 1,024, or only 1,023, bytes before the end.
    byte_vector full_window(0x40 + 1024, 0), short_window(0x40 + 1023, 0);
    for (byte_vector *b : {&full_window, &short_window}) {
        (*b)[0] = 'M';
        (*b)[1] = 'Z';
        patch_u32(*b, 60, 0x40);
        memcpy(b->data() + 0x40, "PE\0\0", 4);
    }
    byte_vector far_offset = full_window;
    patch_u32(far_offset, 60, 0x90000000u);  // taken as negative by a 32-bit seek
    const std::string text = "MZ is not enough to make a program of a text file.";

    struct check_case {
        const char *what;
        byte_vector bytes;
        bool is_program;
    };
    const check_case cases[] = {
        {"worm program", built(infected_layout(make_host_program(0x1000, 1))), true},
        {"bare worm copy", built(bare_copy_layout()), true},
        {"ordinary program", built(bare_copy_layout(worm_code::none)), true},
        {"PE signature 1,024 bytes before the end", full_window, true},
        {"PE signature 1,023 bytes before the end", short_window, false},
        {"e_lfanew past 2 GiB", far_offset, false},
        {"63 bytes", mz_only, false},
        {"text", byte_vector(text.begin(), text.end()), false},
        {"empty file", {}, false},
    };
    for (const auto &c : cases) {
        const std::string path = folder.path("check.bin");
        ASSERT_TRUE(save_file(path, c.bytes));
        name_current_file(path);
        EXPECT_EQ(is_pe_program(), c.is_program) << c.what;
        if (c.is_program) {
            EXPECT_EQ(memcmp(pe_header, c.bytes.data() + pe_header_offset, 1024), 0) << c.what;
        }
        EXPECT_TRUE(no_handle_left(path)) << c.what;
    }
    name_current_file(folder.path("missing.exe"));
    EXPECT_FALSE(is_pe_program());
}

TEST(Disinfect, WormSignature)
{
    scratch_folder folder;
    const byte_vector host = make_host_program(0x800, 2);
    byte_vector ends_with_code(4396, 0), cut_code(4395, 0);
    memcpy(ends_with_code.data() + 4332, fixture_signature_b, 64);
    memcpy(cut_code.data() + 4332, fixture_signature_b, 63);
    struct signature_case {
        const char *what;
        byte_vector bytes;
        bool has_signature;
    };
    const signature_case cases[] = {
        {"first variant", built(infected_layout(host, worm_code::signature_a)), true},
        {"second variant", built(infected_layout(host, worm_code::signature_b)), true},
        {"bare copy", built(bare_copy_layout(worm_code::signature_b)), true},
        {"one byte off both", built(infected_layout(host, worm_code::near_miss)), false},
        {"ordinary program", built(infected_layout(host, worm_code::none)), false},
        {"code at the very end of a 4,396-byte file", ends_with_code, true},
        {"a 4,395-byte file", cut_code, false},
    };
    for (const auto &c : cases) {
        const std::string path = folder.path("sig.bin");
        ASSERT_TRUE(save_file(path, c.bytes));
        EXPECT_EQ(has_worm_signature(path.c_str()), c.has_signature) << c.what;
        EXPECT_TRUE(no_handle_left(path)) << c.what;
    }
    EXPECT_FALSE(has_worm_signature(folder.path("missing.exe").c_str()));
}

// The sweep's single open for both tests: the same answer as the two tests one after the
// other, the program test first (code at the worm's offset makes no program of a file).
TEST(Disinfect, ProgramTestsInOneOpenAnswerAsBothTests)
{
    scratch_folder folder;
    const byte_vector host = make_host_program(0x800, 5);
    byte_vector code_but_no_program(4396, 0);
    memcpy(code_but_no_program.data() + 4332, fixture_signature_a, 64);
    // Headers past the file's first 4,396 bytes, read by themselves.
    byte_vector late_headers(5000 + 1024, 0);
    late_headers[0] = 'M';
    late_headers[1] = 'Z';
    patch_u32(late_headers, 60, 5000);
    memcpy(late_headers.data() + 5000, "PE\0\0", 4);
    memcpy(late_headers.data() + 4332, fixture_signature_b, 64);
    struct program_case {
        const char *what;
        byte_vector bytes;
        program_test_result result;
    };
    const program_case cases[] = {
        {"first variant", built(infected_layout(host, worm_code::signature_a)), worm_program},
        {"second variant, bare copy", built(bare_copy_layout(worm_code::signature_b)),
         worm_program},
        {"one byte off both", built(infected_layout(host, worm_code::near_miss)),
         program_without_worm_code},
        {"ordinary program", built(infected_layout(host, worm_code::none)),
         program_without_worm_code},
        {"worm code in no program", code_but_no_program, not_a_program},
        {"worm code before headers at 5,000", late_headers, worm_program},
        {"empty file", {}, not_a_program},
    };
    for (const auto &c : cases) {
        const std::string path = folder.path("both.bin");
        ASSERT_TRUE(save_file(path, c.bytes));
        name_current_file(path);
        EXPECT_EQ(test_program_file(), c.result) << c.what;
        if (c.result != not_a_program) {
            EXPECT_EQ(memcmp(pe_header, c.bytes.data() + pe_header_offset, 1024), 0) << c.what;
        }
        EXPECT_TRUE(no_handle_left(path)) << c.what;
        const bool program = is_pe_program();
        const program_test_result apart =
            !program ? not_a_program
                     : has_worm_signature(path.c_str()) ? worm_program : program_without_worm_code;
        EXPECT_EQ(apart, c.result) << c.what;
    }
    name_current_file(folder.path("missing.exe"));
    EXPECT_EQ(test_program_file(), not_a_program);
}

TEST(Disinfect, RestoresExactlyTheHostOrSaysWhyNot)
{
    scratch_folder folder;
    const byte_vector host = make_host_program(20000, 3);
    const worm_layout infected = infected_layout(host);
    const byte_vector small_host = make_host_program(0x1000, 4);
    const worm_layout small = infected_layout(small_host);  // exactly 57,600 bytes

    struct cure_case {
        const char *what;
        byte_vector bytes;
        cure_result expected;
        byte_vector host;  // what the target must hold after cured
    };
    byte_vector characteristics = built(infected);
    patch_u32(characteristics, infected_layout(host).directory_offset, 1);
    built_program past_end = build_worm_program(infected);
    patch_u32(past_end.bytes, past_end.data_entry_offsets.back() + 4, uint32_t(host.size() + 1));
    built_program nowhere = build_worm_program(infected);
    patch_u32(nowhere.bytes, nowhere.data_entry_offsets.back(), 0x00F00000);
    built_program empty_host = build_worm_program(infected);
    patch_u32(empty_host.bytes, empty_host.data_entry_offsets.back() + 4, 0);

    const cure_case cases[] = {
        {"host ends the file", built(infected), cured, host},
        {"second variant, bytes after the host",
         built(with(infected_layout(host, worm_code::signature_b),
                    [](worm_layout &l) { l.overlay = filler_bytes(777, 5); })),
         cured, host},
        {"host of two whole blocks", built(infected_layout(make_host_program(8192, 6))), cured,
         make_host_program(8192, 6)},
        {"host of two bytes", built(infected_layout({'M', 'Z'})), cured, {'M', 'Z'}},
        // An empty or broken host must never take the place of the user's program.
        {"host of size 0", empty_host.bytes, not_cured, {}},
        {"host of one byte", built(infected_layout({'M'})), not_cured, {}},
        {"host without \"MZ\"", built(infected_layout(filler_bytes(6000, 9))), not_cured, {}},
        {"host with \"ZM\"", built(infected_layout({'Z', 'M', 0, 0})), not_cured, {}},
        {"bare copy", built(bare_copy_layout()), worm_copy, {}},
        {"57,599 bytes", built(with(small, [](worm_layout &l) { l.min_resource_size -= 1; })),
         worm_copy, {}},
        {"57,600 bytes", built(small), cured, small_host},
        {"directory size 7,935", built(with(infected, [](worm_layout &l) { l.directory_size = 7935; })),
         worm_copy, {}},
        {"directory at 40,959",
         built(with(infected, [](worm_layout &l) { l.directory_offset = 40959; })), worm_copy, {}},
        {"directory at 40,960",
         built(with(infected, [](worm_layout &l) { l.directory_offset = 40960; })), cured, host},
        {"RT_RCDATA lists 101, then the host's 102",
         built(with(infected, [](worm_layout &l) {
             l.resources.insert(l.resources.end() - 1,
                                resource_item{rt_rcdata_type, 101, english_language, {1, 2, 3}});
         })),
         not_cured, {}},
        {"host under 103",
         built(with(infected, [](worm_layout &l) { l.resources.back().name = 103; })), not_cured,
         {}},
        {"root table with Characteristics 1", characteristics, not_cured, {}},
        {"host one byte longer than the file holds", past_end.bytes, not_cured, {}},
        {"host address in no section", nowhere.bytes, not_cured, {}},
    };
    for (const auto &c : cases) {
        const cure_outcome out = cure_file(folder, c.bytes);
        ASSERT_TRUE(out.is_program && out.has_signature) << c.what;
        EXPECT_EQ(out.result, c.expected) << c.what;
        EXPECT_EQ(out.target, c.host) << c.what;  // untouched (empty) unless cured
    }
}

TEST(Disinfect, TargetBecomesExactlyTheHost)
{
    scratch_folder folder;
    const byte_vector host = make_host_program(10000, 7);
    const cure_outcome out =
        cure_file(folder, built(infected_layout(host)), filler_bytes(30000, 8));
    EXPECT_EQ(out.result, cured);
    EXPECT_EQ(out.target, host);

    // Without a restore target there is nowhere to put the host; a bare copy needs none.
    const std::string copy = folder.path("copy.exe");
    ASSERT_TRUE(save_file(copy, built(bare_copy_layout())));
    name_current_file(copy);
    restore_target_path[0] = '\0';
    ASSERT_TRUE(is_pe_program());
    current_file_size = listed_size(copy);
    EXPECT_EQ(disinfect_program(), worm_copy);
    const std::string no_target_either = folder.path("no_target.exe");
    ASSERT_TRUE(save_file(no_target_either, built(infected_layout(host))));
    name_current_file(no_target_either);
    ASSERT_TRUE(is_pe_program());
    current_file_size = listed_size(no_target_either);
    EXPECT_EQ(disinfect_program(), not_cured);

    const std::string infected = folder.path("lone.exe");
    ASSERT_TRUE(save_file(infected, built(infected_layout(host))));
    name_current_file(infected);
    ASSERT_TRUE(join_path(restore_target_path, sizeof restore_target_path,
                          folder.path("no_target.tmp").c_str(), ""));
    ASSERT_TRUE(is_pe_program());
    current_file_size = listed_size(infected);
    EXPECT_EQ(disinfect_program(), not_cured);
}

TEST(Disinfect, FileLargerThanFourGibibytesIsNeverCured)
{
    // The listing's low 32 bits describe a complete carrier; the rest of the file is sparse.
    scratch_folder folder;
    const byte_vector bytes = built(infected_layout(make_host_program(20000, 9)));
    const std::string infected = folder.path("huge.exe");
    ASSERT_TRUE(save_file(infected, bytes));
    HANDLE file = CreateFileA(infected.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = 0x100000000LL + LONGLONG(bytes.size());
    const bool extended = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    if (!extended)
        GTEST_SKIP() << "no room for a sparse file past 4 GiB here";

    const std::string target = folder.path("quv2.tmp");
    ASSERT_TRUE(save_file(target, {}));
    name_current_file(infected);
    ASSERT_TRUE(join_path(restore_target_path, sizeof restore_target_path, target.c_str(), ""));
    ASSERT_TRUE(is_pe_program());
    ASSERT_TRUE(has_worm_signature(current_file_path));
    current_file_size = listed_size(infected);
    ASSERT_EQ(current_file_size, bytes.size());
    EXPECT_EQ(disinfect_program(), not_cured);
    EXPECT_TRUE(load_file(target).empty());
}

namespace {

std::string upper_case(std::string text)
{
    for (auto &c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

}  // namespace

TEST(WebPage, CutsTheScriptOffTheVeryEndOnly)
{
    scratch_folder folder;
    const std::string script(worm_script_tail, worm_script_length);
    const std::string page = "<html><body>Hello</body></html>\r\n";
    struct page_case {
        const char *what;
        std::string before;
        cure_result expected;
        std::string after;
    };
    const page_case cases[] = {
        {"script at the end", page + script, cured, page},
        {"script alone", script, cured, ""},
        {"script in capitals", page + upper_case(script), cured, page},
        {"script twice: one run removes the last", page + script + script, cured, page + script},
        {"script then a line end", page + script + "\n", not_cured, page + script + "\n"},
        {"script then a space", page + script + " ", not_cured, page + script + " "},
        {"script in the middle", script + page, not_cured, script + page},
        {"117 bytes of the script", script.substr(1), not_cured, script.substr(1)},
        {"empty page", "", not_cured, ""},
    };
    for (const auto &c : cases) {
        const std::string path = folder.path("page.htm");
        ASSERT_TRUE(save_file(path, byte_vector(c.before.begin(), c.before.end())));
        name_current_file(path);
        EXPECT_EQ(clean_web_page(), c.expected) << c.what;
        const byte_vector after = load_file(path);
        EXPECT_EQ(std::string(after.begin(), after.end()), c.after) << c.what;
        EXPECT_TRUE(no_handle_left(path)) << c.what;
    }
    name_current_file(folder.path("missing.htm"));
    EXPECT_EQ(clean_web_page(), not_cured);
}

TEST(WebPage, PagesThatCannotBeWrittenStayAsTheyAre)
{
    scratch_folder folder;
    const std::string text = std::string("<p>x</p>") + worm_script_tail;
    const byte_vector bytes(text.begin(), text.end());

    const std::string read_only = folder.path("read_only.html");
    ASSERT_TRUE(save_file(read_only, bytes));
    SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
    name_current_file(read_only);
    EXPECT_EQ(clean_web_page(), not_cured);
    EXPECT_EQ(load_file(read_only), bytes);

    const std::string held = folder.path("held.asp");
    ASSERT_TRUE(save_file(held, bytes));
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    name_current_file(held);
    EXPECT_EQ(clean_web_page(), not_cured);
    CloseHandle(holder);
    EXPECT_EQ(load_file(held), bytes);
}
