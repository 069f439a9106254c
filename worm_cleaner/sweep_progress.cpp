// The drive sweep's progress in the console window's title; see sweep_progress.h.
#include "sweep_progress.h"

#include <windows.h>

#include <cstdio>

namespace {

// Each title update is a call into the console; a quarter of a second is fast enough to
// be seen moving and costs nothing next to the files.
const DWORD title_interval_ms = 250;

// A console's title is shorter than 64 KiB, so it is always kept whole.
char kept_title[65536];
bool showing = false;
unsigned long files_examined = 0;
DWORD last_update = 0;

void show_progress(const char *folder)
{
    char title[MAX_PATH + 64];
    snprintf(title, sizeof title, "Sweeping %s - %lu files examined", folder, files_examined);
    SetConsoleTitleA(title);
    last_update = GetTickCount();
}

}  // namespace

void begin_sweep_progress(const char *folder)
{
    files_examined = 0;
    kept_title[0] = '\0';
    // Without a console the title is left alone. A title that may have been cut could not
    // be put back as it was, so it is left alone too. An empty title is a title.
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetConsoleTitleA(kept_title, sizeof kept_title);
    showing = length == 0 ? GetLastError() == ERROR_SUCCESS && kept_title[0] == '\0'
                          : length < sizeof kept_title - 1;
    if (showing)
        show_progress(folder);
}

void note_file_examined(const char *folder)
{
    ++files_examined;
    // Unsigned difference: right across the wrap of the tick count as well.
    if (showing && GetTickCount() - last_update >= title_interval_ms)
        show_progress(folder);
}

void end_sweep_progress()
{
    if (showing)
        SetConsoleTitleA(kept_title);
    showing = false;
}
