// The platform family query that several steps branch on.
#include "platform_family.h"

#include <windows.h>

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
