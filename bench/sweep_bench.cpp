// Times the drive sweep against a walker that does only the work no sweep can avoid: the
// folder listing and, for each file, one open and one 64-byte read.
//
//   sweep_bench FOLDER [ROUNDS]
//
// FOLDER ends in a backslash and holds no worm files, so the sweep changes nothing and each
// round sees the same tree.
#include "disinfect.h"
#include "drive_sweep.h"
#include "page_name.h"
#include "path_join.h"
#include "run_paths.h"
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

typedef void (*file_step)(const char *path, const char *name);

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
            step(path, entry.cFileName);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

// The baseline: one open and one 64-byte read of each file.
void open_and_read_64(const char *path, const char *)
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

void list_only(const char *, const char *) {}

// The sweep's steps one by one, to tell what each costs.
void program_test(const char *path, const char *)
{
    strcpy(current_file_path, path);
    is_pe_program();
}

void program_and_signature_tests(const char *path, const char *)
{
    strcpy(current_file_path, path);
    if (is_pe_program())
        has_worm_signature(current_file_path);
}

void program_tests_and_page_cleaning(const char *path, const char *name)
{
    strcpy(current_file_path, path);
    if (is_pe_program())
        has_worm_signature(current_file_path);
    else if (is_web_page_name(name))
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

    // Every variant once per round, in turn, so that the machine's load falls on all alike;
    // the fastest round of each counts. The sweep's steps are added one at a time to show
    // where the difference goes.
    const struct {
        const char *what;
        file_step step;
    } variants[] = {
        {"baseline: listing, open, 64-byte read", open_and_read_64},
        {"listing only", list_only},
        {"listing, PE program test", program_test},
        {"listing, PE program test, signature test", program_and_signature_tests},
        {"listing, PE program and signature tests, page cleaning",
         program_tests_and_page_cleaning},
        {"sweep_folder", nullptr},
    };
    const int count = sizeof(variants) / sizeof(variants[0]);
    double best[count];
    for (int v = 0; v < count; ++v)
        best[v] = 1e30;
    for (int round = 0; round < rounds; ++round) {
        for (int v = 0; v < count; ++v) {
            walk_counts ignored;
            const double start = now_seconds();
            if (variants[v].step)
                walk(folder, variants[v].step, ignored);
            else
                sweep_folder(folder);
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
