// Paths the driver settles once at start and the steps of the run read afterwards.
#pragma once

#include <windows.h>

// The temporary folder as the system names it, or "c:\" when it names no usable one;
// filled once at start. Restore targets are not made here but beside each infected file,
// on its own drive, so that a replacement at the next start never crosses drives.
extern char temp_folder_path[MAX_PATH];
