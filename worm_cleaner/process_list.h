// The running processes, listed from the system's performance data (NT family).
#pragma once

#include <windows.h>

struct ProcessRecord {
    DWORD process_id;   // 0 in the performance data is stored as 0xFFFFFFFE
    DWORD reserved;
    DWORD flags;
    HWND window;        // never filled by the enumeration
    char name[MAX_PATH];
};

const DWORD process_list_capacity = 512;
extern ProcessRecord process_list[process_list_capacity];

// Fills at most capacity - 1 records; returns how many (0: nothing could be listed).
DWORD list_processes(ProcessRecord *records, DWORD capacity);

// Names a record after a performance data instance: the name in the ANSI code page followed
// by ".exe", or "unknown" when it can't be converted (or is NULL) or leaves no room for ".exe".
void set_record_name(ProcessRecord *record, const wchar_t *instance_name);
