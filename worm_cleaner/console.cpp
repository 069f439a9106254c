// Console output, key input and the platform family test shared by every step.
#include "console.h"

#include <cstdarg>
#include <cstdio>

char temp_folder_path[MAX_PATH];

int console_print(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int written = vprintf(format, args);
    va_end(args);
    // Every message is on the screen before the step that follows it begins.
    fflush(stdout);
    return written;
}

int read_key()
{
    return -1;  // TODO: console key reader
}

PlatformFamily is_nt_platform()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return platform_unknown;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? platform_nt : platform_9x;
}

PlatformFamily platform_family_asked_twice()
{
    PlatformFamily family = is_nt_platform();
    if (family == platform_unknown)
        family = is_nt_platform();
    return family;
}
