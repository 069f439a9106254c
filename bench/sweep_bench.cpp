// Times the drive sweep against a walker that does only the work no sweep can avoid: the
// folder listing and, for each file, one open and one 64-byte read.
//
//   sweep_bench FOLDER [ROUNDS]
//
// FOLDER ends in a backslash and holds no worm files, so the sweep changes nothing and each
// round sees the same tree. Baseline and sweep alternate; the fastest round of each counts.
#include "console.h"
#include "drive_sweep.h"
#include "path_join.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct walk_counts {
    unsigned long files = 0;
    unsigned long folders = 0;
};

// The same listing and path building as the sweep, then open, read 64 bytes, close.
void baseline_walk(const char *folder, walk_counts &counts)
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
                baseline_walk(path, counts);
            }
        } else if (join_path(path, MAX_PATH, folder, entry.cFileName)) {
            HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                unsigned char head[64];
                DWORD got = 0;
                ReadFile(file, head, sizeof(head), &got, nullptr);
                CloseHandle(file);
                ++counts.files;
            }
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
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
    baseline_walk(folder, counts);  // warm-up: both timings then start from the same cache
    printf("tree: %lu files in %lu folders\n", counts.files, counts.folders);

    double best_baseline = 1e30, best_sweep = 1e30;
    for (int round = 0; round < rounds; ++round) {
        walk_counts ignored;
        double start = now_seconds();
        baseline_walk(folder, ignored);
        const double baseline = now_seconds() - start;

        start = now_seconds();
        sweep_folder(folder);
        const double sweep = now_seconds() - start;

        printf("round %d: baseline %.3f s, sweep %.3f s\n", round + 1, baseline, sweep);
        fflush(stdout);
        if (baseline < best_baseline)
            best_baseline = baseline;
        if (sweep < best_sweep)
            best_sweep = sweep;
    }
    printf("baseline: %.3f s\nsweep: %.3f s\nratio: %.3f\n", best_baseline, best_sweep,
           best_sweep / best_baseline);
    return 0;
}
