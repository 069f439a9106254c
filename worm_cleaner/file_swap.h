// Writing a file beside its place and swapping it in whole, so that no step leaves a cut
// file or none at all where the old one stood.
#pragma once

#include "platform_family.h"

#include <windows.h>

// Writes the whole of data into a new file at path (an existing one is truncated). On
// failure the file is removed again.
bool write_whole_file(const char *path, const void *data, DWORD size);

// Puts the complete file source in place of target (which may not exist); both lie in
// folder. On failure target is as it was and source is left for the caller to remove. The
// 9x family has no replacing move: the old file is renamed aside under a unique name with
// aside_prefix, the new one renamed in, and the old one renamed back if that fails.
bool swap_into_place(const char *source, const char *target, const char *folder,
                     const char *aside_prefix, PlatformFamily family);
