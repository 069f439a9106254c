// A performance provider that reports the running processes, from a process snapshot, as
// the process object (230) with an "ID Process" counter (784): the part of the system's
// performance data that the cleaner's process list reads.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "perf_block.h"

namespace {

std::vector<PerfInstance> running_processes()
{
    std::vector<PerfInstance> instances;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return instances;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        // The platform names an instance after its file, without the extension.
        std::u16string name(reinterpret_cast<const char16_t *>(entry.szExeFile));
        const size_t dot = name.rfind(u'.');
        if (dot != std::u16string::npos && dot > 0)
            name.resize(dot);
        instances.push_back({name, entry.th32ProcessID});
    }
    CloseHandle(snapshot);
    return instances;
}

bool asks_for_processes(const wchar_t *value_name)
{
    return !value_name || !*value_name || wcscmp(value_name, L"Global") == 0 ||
           wcsstr(value_name, L"230") != NULL;
}

// Wine 8.0 hands a provider a pointer one block header (88 bytes) past the place where the
// reader will look for the object, and that many bytes more room than there is. The block
// header before the data tells which: its HeaderLength leads to where the object belongs.
const DWORD wine_misplacement = 88;

// The header of the block being filled: 88 bytes, then the computer's name, 8-aligned.
DWORD expected_header_length()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &length))
        return 0;
    return (88 + (length + 1) * 2 + 7) / 8 * 8;
}

bool block_header_at(const BYTE *block, DWORD header_length)
{
    DWORD stored;
    memcpy(&stored, block + 24, sizeof stored);
    return memcmp(block, L"PERF", 8) == 0 && stored == header_length;
}

bool host_places_data_too_far(const BYTE *out)
{
    const DWORD header = expected_header_length();
    if (header == 0)
        return false;
    // Where the data belongs is checked first: on a host that places it right, the block
    // header is the start of the buffer and nothing before it may be read.
    if (block_header_at(out - header, header))
        return false;
    return block_header_at(out - wine_misplacement - header, header);
}

// PERF_TEST_MIN_ROOM makes the provider ask for more room than a buffer of that size
// offers, so that a test can see the reader enlarge its buffer.
DWORD smallest_room()
{
    char text[16];
    DWORD length = GetEnvironmentVariableA("PERF_TEST_MIN_ROOM", text, sizeof text);
    return length > 0 && length < sizeof text ? DWORD(strtoul(text, NULL, 10)) : 0;
}

}  // namespace

extern "C" {

DWORD WINAPI OpenProcessData(LPWSTR)
{
    return ERROR_SUCCESS;
}

DWORD WINAPI CollectProcessData(LPWSTR value_name, LPVOID *data, LPDWORD total_bytes, LPDWORD object_count)
{
    if (!asks_for_processes(value_name)) {
        *total_bytes = 0;
        *object_count = 0;
        return ERROR_SUCCESS;
    }
    BYTE *out = static_cast<BYTE *>(*data);
    DWORD room = *total_bytes;
    if (host_places_data_too_far(out)) {
        out -= wine_misplacement;
        room = room > wine_misplacement ? room - wine_misplacement : 0;
    }
    const std::vector<uint8_t> object = build_process_object(running_processes());
    if (room < object.size() || room < smallest_room()) {
        *total_bytes = 0;
        *object_count = 0;
        return ERROR_MORE_DATA;
    }
    memcpy(out, object.data(), object.size());
    *data = out + object.size();
    *total_bytes = DWORD(object.size());
    *object_count = 1;
    return ERROR_SUCCESS;
}

DWORD WINAPI CloseProcessData()
{
    return ERROR_SUCCESS;
}

}
