// Holds files open as a running program holds its own file: for reading, without sharing
// deletion or writing, until it is ended. Used by the end-to-end tests.
//   file_holder READY_FILE PATH...   READY_FILE is created once every PATH is held
#include <windows.h>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    for (int i = 2; i < argc; ++i) {
        HANDLE file = CreateFileA(argv[i], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "cannot hold %s (error %lu)\n", argv[i], GetLastError());
            return 1;
        }
        // The handle stays open until the process ends.
    }
    HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(ready);
    for (;;)
        Sleep(1000);
}
