// Runs the drive sweep or the temporary folder cleanup on given folders, and writes the
// worm-layout files they are tested on, for the end-to-end tests in their own prefixes.
//
//   sweep_probe [--temp FOLDER] [--hold PATH]... [--title TEXT] sweep FOLDER...
//   sweep_probe [--temp FOLDER] [--hold PATH]... drives      every fixed drive, c: to z:
//   sweep_probe [--hold PATH]... clean FOLDER                prints "result: deleted|deferred|left"
//   sweep_probe make infected|infected_b|bare|host|plain PATH [SIZE SEED]
//
// --hold opens a file for reading without delete sharing for the whole run, as a running
// program holds its file; --temp replaces the folder of the restore targets; --title sets
// the console's title first.
#include "console.h"
#include "drive_sweep.h"
#include "fixture_kinds.h"
#include "run_paths.h"
#include "temp_cleanup.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int make_fixture(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    const uint32_t size = argc > 4 ? static_cast<uint32_t>(strtoul(argv[4], nullptr, 10)) : 3000;
    const uint32_t seed = argc > 5 ? static_cast<uint32_t>(strtoul(argv[5], nullptr, 10)) : 1;
    byte_vector bytes;
    if (!build_fixture(argv[2], size, seed, &bytes))
        return 2;
    return save_file(argv[3], bytes) ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "make") == 0)
        return make_fixture(argc, argv);

    if (GetTempPathA(MAX_PATH, temp_folder_path) == 0)
        strcpy(temp_folder_path, "c:\\");
    std::vector<HANDLE> held;
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--temp") == 0) {
            snprintf(temp_folder_path, MAX_PATH, "%s", argv[i + 1]);
        } else if (strcmp(argv[i], "--hold") == 0) {
            HANDLE file = CreateFileA(argv[i + 1], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                fprintf(stderr, "cannot hold %s\n", argv[i + 1]);
                return 2;
            }
            held.push_back(file);
        } else if (strcmp(argv[i], "--title") == 0) {
            if (!SetConsoleTitleA(argv[i + 1])) {
                fprintf(stderr, "cannot set the title: error %lu\n", GetLastError());
                return 2;
            }
        } else {
            break;
        }
    }
    if (i >= argc)
        return 2;
    const std::string command = argv[i];
    if (command == "sweep") {
        for (int k = i + 1; k < argc; ++k)
            sweep_folder(argv[k]);
    } else if (command == "drives") {
        // As the cleaner's own run does it: every fixed drive from c: to z:.
        for (char letter = 'c'; letter <= 'z'; ++letter) {
            const char root[] = {letter, ':', '\\', '\0'};
            if (GetDriveTypeA(root) == DRIVE_FIXED)
                sweep_folder(root);
        }
    } else if (command == "clean" && i + 1 < argc) {
        const char *const results[] = {"deleted", "deferred", "left"};
        printf("result: %s\n", results[clean_temp_folder(argv[i + 1])]);
    } else {
        return 2;
    }
    fflush(stdout);
    for (HANDLE file : held)
        CloseHandle(file);
    return 0;
}
