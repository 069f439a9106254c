// The console dialogue and the platform facts that every step of the cleaner shares.
#pragma once

#include <windows.h>

// Folder for the sweep's temporary restore files; filled once at start, read afterwards.
extern char temp_folder_path[MAX_PATH];

// The one output path of the program: printf-style, to standard output, flushed.
int console_print(const char *format, ...);

// One key press from the console's own input: a character code (1..255), or 0/224 and
// then the extended code on the next call; -1 when the console input can't be read.
int read_key();

enum PlatformFamily { platform_9x = 0, platform_nt = 1, platform_unknown = -1 };

// One GetVersionExA query: NT family, 9x family (any other platform id) or unknown.
PlatformFamily is_nt_platform();

// As is_nt_platform, but a failed query is asked once more before it counts as unknown.
PlatformFamily platform_family_asked_twice();
