// The drive sweep on fixture trees: what it restores, deletes and cuts, the line it prints
// for each, and what it leaves behind.
#include "disinfect.h"
#include "drive_sweep.h"
#include "run_paths.h"
#include "sweep_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

const char tail[] = "\t\tvirus I-Worm.Pellix.";

std::string line(const std::string &path, const char *what)
{
    return path + "\t\t" + what + tail;
}

// Sweeps root with the restore targets made in targets; returns the printed lines, sorted.
std::vector<std::string> sweep(const std::string &root, const std::string &targets)
{
    snprintf(temp_folder_path, MAX_PATH, "%s", targets.c_str());
    const std::string out = capture_output([&] { sweep_folder(root.c_str()); });
    EXPECT_EQ(current_file_path[0], '\0') << "the file in hand is cleared after the walk";
    return sorted_lines(out);
}

}  // namespace

// One tree with every kind of file the sweep tells apart.
TEST(DriveSweep, TreatsEachKindOfFileAndPrintsItsLine)
{
    const std::string root = make_scratch_folder("sweep_kinds");
    const std::string targets = make_scratch_folder("sweep_kinds_targets");

    const byte_vector host_a = make_host_program(5000, 11);
    const byte_vector host_b = make_host_program(70001, 12);
    const byte_vector host_c = make_host_program(777, 13);
    put_file(root + "a.exe", build_worm_program(infected_layout(host_a)).bytes);
    put_file(root + "dir\\b.scr",
             build_worm_program(infected_layout(host_b, worm_code::signature_b)).bytes);
    // A program is examined whatever its name, and never as a page.
    put_file(root + "dir\\page.htm", build_worm_program(infected_layout(host_c)).bytes);
    put_file(root + "dir\\deeper\\copy.exe", build_worm_program(bare_copy_layout()).bytes);
    put_file(root + "copy_b.dll",
             build_worm_program(bare_copy_layout(worm_code::signature_b)).bytes);

    // Not cured: the host sits under a name the worm does not use.
    worm_layout wrong_name = infected_layout(make_host_program(4000, 14));
    wrong_name.resources[2].name = 103;
    const byte_vector uncurable = build_worm_program(wrong_name).bytes;
    put_file(root + "uncurable.exe", uncurable);

    // Programs the sweep must not touch.
    const byte_vector plain =
        build_worm_program(infected_layout(make_host_program(4000, 15), worm_code::none)).bytes;
    const byte_vector near_miss =
        build_worm_program(infected_layout(make_host_program(4000, 16), worm_code::near_miss))
            .bytes;
    byte_vector program_with_script = make_host_program(3000, 17);
    const std::string script = worm_script();
    program_with_script.insert(program_with_script.end(), script.begin(), script.end());
    put_file(root + "plain.exe", plain);
    put_file(root + "near.exe", near_miss);
    put_file(root + "script.htm", program_with_script);

    // Pages: which names count, and the folder named like a page is walked, not cut.
    const std::string body = "<html><body>hello</body></html>\r\n";
    const char *cleaned_pages[] = {"PAGE.HTM", "Index.Html", "default.ASP",
                                   "web.htm\\inner.htm"};
    const char *other_names[] = {"x.shtml", "x.aspx", "x.htm.bak", "notes.txt"};
    for (const char *name : cleaned_pages)
        put_text(root + name, infected_page(body));
    for (const char *name : other_names)
        put_text(root + name, infected_page(body));
    put_text(root + "tail.htm", infected_page(body) + "\r\n");  // script not at the very end

    const std::vector<std::string> lines = sweep(root, targets);

    std::vector<std::string> expected = {
        line(root + "a.exe", "disinfected"),
        line(root + "dir\\b.scr", "disinfected"),
        line(root + "dir\\page.htm", "disinfected"),
        line(root + "dir\\deeper\\copy.exe", "deleted"),
        line(root + "copy_b.dll", "deleted"),
    };
    for (const char *name : cleaned_pages)
        expected.push_back(line(root + name, "disinfected"));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);

    EXPECT_EQ(load_file(root + "a.exe"), host_a);
    EXPECT_EQ(load_file(root + "dir\\b.scr"), host_b);
    EXPECT_EQ(load_file(root + "dir\\page.htm"), host_c);
    EXPECT_FALSE(file_exists(root + "dir\\deeper\\copy.exe"));
    EXPECT_FALSE(file_exists(root + "copy_b.dll"));
    EXPECT_TRUE(folder_exists(root + "dir\\deeper"));
    for (const char *name : cleaned_pages)
        EXPECT_EQ(read_text(root + name), body) << name;
    EXPECT_TRUE(folder_exists(root + "web.htm"));

    EXPECT_EQ(load_file(root + "uncurable.exe"), uncurable);
    EXPECT_EQ(load_file(root + "plain.exe"), plain);
    EXPECT_EQ(load_file(root + "near.exe"), near_miss);
    EXPECT_EQ(load_file(root + "script.htm"), program_with_script);
    for (const char *name : other_names)
        EXPECT_EQ(read_text(root + name), infected_page(body)) << name;
    EXPECT_EQ(read_text(root + "tail.htm"), infected_page(body) + "\r\n");

    // Moved into place or deleted again: no restore target stays after a worm copy or a
    // file that could not be cured, neither beside it nor in the temporary folder.
    EXPECT_EQ(files_in(targets), std::vector<std::string>());
    for (const char *folder : {"", "dir\\", "dir\\deeper\\"}) {
        for (const std::string &name : files_in(root + folder))
            EXPECT_NE(name.compare(0, 3, "quv"), 0) << folder << name;
    }
}

// The restore target is made beside the infected file, whatever the temporary folder: a
// unique name in its folder, or, in a folder too deep for one, its own path with ".quv"
// appended. None stays behind, and none is ever made over a file of the user's.
TEST(DriveSweep, RestoreTargetsAreMadeBesideTheInfectedFile)
{
    const std::string root = make_scratch_folder("sweep_beside");
    const std::string missing = root + "no such folder\\";
    // Folders one character too deep for a unique name (247 characters with the
    // separator), holding files whose paths are 259 characters long or shorter.
    auto deep_folder = [&](char fill) {
        return root + std::string(247 - root.size() - 1, fill) + "\\";
    };
    const std::string fallback = deep_folder('f');
    const std::string taken = deep_folder('t');
    const std::string no_room = deep_folder('n');
    ASSERT_EQ(no_room.size(), 247u);

    const byte_vector host = make_host_program(6000, 21);
    const byte_vector infected = build_worm_program(infected_layout(host)).bytes;
    worm_layout wrong_name = infected_layout(make_host_program(4000, 22));
    wrong_name.resources[2].name = 103;
    const byte_vector uncurable = build_worm_program(wrong_name).bytes;
    const byte_vector copy = build_worm_program(bare_copy_layout()).bytes;
    put_file(root + "infected.exe", infected);
    put_file(root + "copy.exe", copy);
    put_file(root + "uncurable.exe", uncurable);
    put_file(fallback + "inf.exe", infected);
    put_file(taken + "inf.exe", infected);
    put_text(taken + "inf.exe.quv", "the user's own file");
    // Too deep for either name: the carrier stays as it is, but the bare copy, which needs
    // no target, is still deleted.
    put_file(no_room + "copy1234.exe", copy);
    put_file(no_room + "infected.exe", infected);
    ASSERT_EQ((no_room + "infected.exe").size(), 259u);

    const std::vector<std::string> lines = sweep(root, missing);

    std::vector<std::string> expected = {line(root + "infected.exe", "disinfected"),
                                         line(root + "copy.exe", "deleted"),
                                         line(fallback + "inf.exe", "disinfected"),
                                         line(no_room + "copy1234.exe", "deleted")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(load_file(root + "infected.exe"), host);
    EXPECT_EQ(load_file(root + "uncurable.exe"), uncurable);
    EXPECT_EQ(files_in(root), (std::vector<std::string>{"infected.exe", "uncurable.exe"}));
    EXPECT_EQ(load_file(fallback + "inf.exe"), host);
    EXPECT_EQ(files_in(fallback), std::vector<std::string>{"inf.exe"});
    EXPECT_EQ(load_file(taken + "inf.exe"), infected);
    EXPECT_EQ(read_text(taken + "inf.exe.quv"), "the user's own file");
    EXPECT_EQ(load_file(no_room + "infected.exe"), infected);
    EXPECT_EQ(files_in(no_room), std::vector<std::string>{"infected.exe"});
}

// Files another program holds open are left for the next start, with their own lines.
TEST(DriveSweep, FilesHeldOpenAreReplacedOrDeletedAtTheNextStart)
{
    const std::string root = make_scratch_folder("sweep_held");
    const std::string targets = make_scratch_folder("sweep_held_targets");
    const byte_vector host = make_host_program(9000, 31);
    const byte_vector infected = build_worm_program(infected_layout(host)).bytes;
    const byte_vector copy = build_worm_program(bare_copy_layout()).bytes;
    put_file(root + "running.exe", infected);
    put_file(root + "sub\\loaded.dll", copy);

    // Held as a running program holds its file: others may read it, nobody may delete it.
    HANDLE held[2];
    const std::string held_paths[2] = {root + "running.exe", root + "sub\\loaded.dll"};
    for (int i = 0; i < 2; ++i) {
        held[i] = CreateFileA(held_paths[i].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held[i], INVALID_HANDLE_VALUE);
    }
    const std::vector<std::string> lines = sweep(root, targets);
    for (HANDLE file : held)
        CloseHandle(file);

    std::vector<std::string> expected = {
        line(root + "running.exe", "file will be replaced by desinfected version after reboot"),
        line(root + "sub\\loaded.dll", "file will be deleted after reboot"),
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);

    // Both files are as they were; the restored host waits beside the program for the
    // next start, on its drive, where a start-up rename can reach.
    EXPECT_EQ(load_file(root + "running.exe"), infected);
    EXPECT_EQ(load_file(root + "sub\\loaded.dll"), copy);
    EXPECT_EQ(files_in(targets), std::vector<std::string>());
    std::vector<std::string> waiting = files_in(root);
    waiting.erase(std::remove(waiting.begin(), waiting.end(), "running.exe"), waiting.end());
    ASSERT_EQ(waiting.size(), 1u);
    const std::string target = root + waiting[0];
    EXPECT_EQ(load_file(target), host);

    const auto replacement = pending_operations_for(target);
    ASSERT_EQ(replacement.size(), 1u);
    EXPECT_EQ(lstrcmpiA(replacement[0].second.c_str(), (root + "running.exe").c_str()), 0)
        << replacement[0].second;
    const auto deletion = pending_operations_for(root + "sub\\loaded.dll");
    ASSERT_EQ(deletion.size(), 1u);
    EXPECT_EQ(deletion[0].second, "");
}

// Files that carry nothing of the worm, and folders that can't be listed, give no line.
TEST(DriveSweep, NothingToTreatPrintsNothing)
{
    const std::string root = make_scratch_folder("sweep_clean");
    const std::string targets = make_scratch_folder("sweep_clean_targets");
    put_text(root + "readme.txt", "text");
    put_text(root + "index.html", "<html></html>");
    put_file(root + "tool.exe", make_host_program(5000, 41));
    put_file(root + "empty.htm", byte_vector());
    put_text(root + "short.asp", worm_script().substr(1));

    EXPECT_EQ(sweep(root, targets), std::vector<std::string>());
    EXPECT_EQ(read_text(root + "short.asp"), worm_script().substr(1));
    EXPECT_EQ(files_in(targets), std::vector<std::string>());

    // A folder that can't be listed is passed over without a line.
    EXPECT_EQ(sweep(root + "missing\\", targets), std::vector<std::string>());
}
