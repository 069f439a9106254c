// Times the drive sweep against a plain walker, the folder listing and, for each file, one
// open and one 64-byte read; and the sweep's steps added one at a time, to show what each
// costs. The sweep opens only the files that its listing test lets through.
//
//   sweep_bench FOLDER [ROUNDS]
//
// FOLDER ends in a backslash and holds no worm files, so the sweep changes nothing and each
// round sees the same tree.
#include "disinfect.h"
#include "drive_sweep.h"
#include "listed_file.h"
#include "page_name.h"
#include "path_join.h"
#include "run_paths.h"
#include "sweep_progress.h"
#include "web_page.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct walk_counts {
    unsigned long files = 0;
    unsigned long folders = 0;
};

typedef void (*file_step)(const char *folder, const char *path, const WIN32_FIND_DATAA &entry);

// The same listing and path building as the sweep, with step for each file.
void walk(const char *folder, file_step step, walk_counts &counts)
{
    char pattern[MAX_PATH];
    if (!join_path(pattern, MAX_PATH, folder, "*.*"))
        return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0)
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        char path[MAX_PATH];
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (join_path(path, MAX_PATH, folder, entry.cFileName, "\\")) {
                ++counts.folders;
                walk(path, step, counts);
            }
        } else if (join_path(path, MAX_PATH, folder, entry.cFileName)) {
            ++counts.files;
            step(folder, path, entry);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

// The baseline: one open and one 64-byte read of each file.
void open_and_read_64(const char *, const char *path, const WIN32_FIND_DATAA &)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    unsigned char head[64];
    DWORD got = 0;
    ReadFile(file, head, sizeof(head), &got, nullptr);
    CloseHandle(file);
}

void list_only(const char *, const char *, const WIN32_FIND_DATAA &) {}

// The sweep's steps one by one, to tell what each costs.
void title_progress(const char *folder, const char *, const WIN32_FIND_DATAA &)
{
    note_file_examined(folder);
}

bool must_open(const WIN32_FIND_DATAA &entry)
{
    return sweep_must_open(entry.cFileName, entry.nFileSizeHigh, entry.nFileSizeLow);
}

unsigned long files_to_open = 0;

void count_files_to_open(const char *, const char *, const WIN32_FIND_DATAA &entry)
{
    if (must_open(entry))
        ++files_to_open;
}

void program_test(const char *, const char *path, const WIN32_FIND_DATAA &entry)
{
    if (!must_open(entry))
        return;
    strcpy(current_file_path, path);
    is_pe_program();
}

void program_and_signature_tests(const char *, const char *path, const WIN32_FIND_DATAA &entry)
{
    if (!must_open(entry))
        return;
    strcpy(current_file_path, path);
    test_program_file();
}

void program_tests_and_page_cleaning(const char *, const char *path,
                                     const WIN32_FIND_DATAA &entry)
{
    if (!must_open(entry))
        return;
    strcpy(current_file_path, path);
    if (test_program_file() == not_a_program && is_web_page_name(entry.cFileName))
        clean_web_page();
}

double now_seconds()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: sweep_bench FOLDER [ROUNDS]\n");
        return 2;
    }
    const char *folder = argv[1];
    const int rounds = argc > 2 ? atoi(argv[2]) : 3;
    if (GetTempPathA(MAX_PATH, temp_folder_path) == 0)
        strcpy(temp_folder_path, "c:\\");

    walk_counts counts;
    walk(folder, open_and_read_64, counts);  // warm-up: every timing starts from the same cache
    printf("tree: %lu files in %lu folders\n", counts.files, counts.folders);
    walk_counts ignored;
    walk(folder, count_files_to_open, ignored);
    printf("opened by the sweep: %lu files (the rest are judged from the listing)\n",
           files_to_open);

    // Every variant once per round, in turn, so that the machine's load falls on all alike;
    // the fastest round of each counts. The sweep's steps are added one at a time to show
    // where the difference goes.
    const struct {
        const char *what;
        file_step step;
    } variants[] = {
        {"baseline: listing, open, 64-byte read", open_and_read_64},
        {"listing only", list_only},
        {"listing, title progress", title_progress},
        {"listing test, PE program test", program_test},
        {"listing test, PE program and signature tests", program_and_signature_tests},
        {"listing test, program tests, page cleaning", program_tests_and_page_cleaning},
        {"sweep_folder", nullptr},
    };
    const int count = sizeof(variants) / sizeof(variants[0]);
    double best[count];
    for (int v = 0; v < count; ++v)
        best[v] = 1e30;
    for (int round = 0; round < rounds; ++round) {
        for (int v = 0; v < count; ++v) {
            const double start = now_seconds();
            if (variants[v].step == title_progress) {
                begin_sweep_progress(folder);
                walk(folder, title_progress, ignored);
                end_sweep_progress();
            } else if (variants[v].step) {
                walk(folder, variants[v].step, ignored);
            } else {
                sweep_folder(folder);
            }
            const double seconds = now_seconds() - start;
            printf("round %d: %-56s %.3f s\n", round + 1, variants[v].what, seconds);
            fflush(stdout);
            if (seconds < best[v])
                best[v] = seconds;
        }
    }
    for (int v = 0; v < count; ++v)
        printf("best: %-56s %.3f s\n", variants[v].what, best[v]);
    printf("baseline: %.3f s\nsweep: %.3f s\nratio: %.3f\n", best[0], best[count - 1],
           best[count - 1] / best[0]);
    return 0;
}
