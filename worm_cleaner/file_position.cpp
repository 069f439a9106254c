// 64-bit file sizes and positions for both platform families; see file_position.h.
#include "file_position.h"

bool get_file_size64(HANDLE file, ULONGLONG *size)
{
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(file, &high);
    // All bits set is also a valid low part: only the last error tells a failure.
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return false;
    *size = (ULONGLONG(high) << 32) | low;
    return true;
}

bool set_file_position(HANDLE file, ULONGLONG offset)
{
    LONG high = LONG(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(file, LONG(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}
