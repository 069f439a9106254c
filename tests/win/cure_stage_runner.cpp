// Runs the cure's uninstaller stage by itself and prints its result, for the
// end-to-end test that prepares the installed-programs list in a prefix of its own.
#include <windows.h>

#include <stdio.h>

#include "cure_worker.h"

int wmain()
{
    // The program runs the stage with its dialog up; a first window here does the
    // window system's start-up, which would otherwise fall into the stage's timing.
    HWND window = CreateWindowExW(0, L"STATIC", L"Stage runner", 0, 0, 0, 10, 10, NULL, NULL,
                                  GetModuleHandleW(NULL), NULL);
    CCureWorker worker;
    DWORD start = GetTickCount();
    bool started = worker.RunFamilyUninstaller();
    printf("uninstaller=%d elapsed=%lu\n", started ? 1 : 0, GetTickCount() - start);
    fflush(stdout);
    DestroyWindow(window);
    return started ? 1 : 0;
}
