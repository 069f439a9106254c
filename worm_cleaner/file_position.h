// 64-bit file sizes and positions through the calls that both platform families have: the
// ...Ex forms are missing on the 9x family, and a program importing them would not load there.
#pragma once

#include <windows.h>

// The open file's full size; false when it can't be read.
bool get_file_size64(HANDLE file, ULONGLONG *size);

// Moves the open file's position to offset from its start; false on failure.
bool set_file_position(HANDLE file, ULONGLONG offset);
