// Paths the driver settles once at start and the steps of the run read afterwards.
#pragma once

#include <windows.h>

// Folder for the sweep's temporary restore files; filled once at start, read afterwards.
extern char temp_folder_path[MAX_PATH];
