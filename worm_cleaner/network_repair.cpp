// Closing the network opening the worm used: the "c$" disk share on the 9x family, the guest
// account's membership of the Administrators group on the NT family.
#include "network_repair.h"

#include "console.h"
#include "path_join.h"
#include "platform_family.h"
#include "share_records.h"

#include <vector>

namespace {

// The 9x family's share functions in svrapi.dll: 16-bit sizes and counts.
typedef unsigned(WINAPI *NetShareEnumFn)(const char *server, short level, char *buffer,
                                         unsigned short buffer_size, unsigned short *entries_read,
                                         unsigned short *total_available);
typedef unsigned(WINAPI *NetShareDelFn)(const char *server, const char *name, unsigned short reserved);

const short share_info_level = 50;
const unsigned net_success = 0;
const unsigned net_more_data = ERROR_MORE_DATA;

// The platform's own file of that name in the system folder, by full path: a search would
// try the program's own folder and the current one first, where anybody may have put a
// program or library of the same name.
bool system_folder_file(const char *name, char *path)
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const char *separator = folder[length - 1] == '\\' ? "" : "\\";
    return join_path(path, MAX_PATH, folder, separator, name);
}

}  // namespace

bool remove_c_share(HMODULE library)
{
    if (library == nullptr)
        return false;
    NetShareEnumFn share_enum = reinterpret_cast<NetShareEnumFn>(GetProcAddress(library, "NetShareEnum"));
    NetShareDelFn share_del = reinterpret_cast<NetShareDelFn>(GetProcAddress(library, "NetShareDel"));
    if (share_enum == nullptr || share_del == nullptr)
        return false;

    // Probe with room for one record; only the number of shares is taken from it.
    unsigned short entries_read = 0, total_available = 0;
    char probe[share_record_size];
    share_enum(nullptr, share_info_level, probe, sizeof probe, &entries_read, &total_available);

    // At least one byte, so that no shares still gives a valid (empty) buffer.
    const size_t buffer_size = share_buffer_size(total_available);
    std::vector<char> buffer(buffer_size + 1);
    entries_read = 0;
    unsigned short total_now = 0;
    const unsigned status = share_enum(nullptr, share_info_level, buffer.data(),
                                       static_cast<unsigned short>(buffer_size), &entries_read, &total_now);
    // A failed enumeration checked nothing: that is no success.
    if (status != net_success && status != net_more_data)
        return false;

    bool result = true;
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(buffer.data());
    const size_t usable = share_records_usable(entries_read, buffer_size);
    for (size_t i = 0; i < usable; ++i) {
        ShareRecord record;
        if (!read_share_record(bytes, buffer_size, i, &record) || !is_c_disk_share(record))
            continue;
        // A failed deletion does not stop the others from being tried.
        if (share_del(nullptr, record.name, 0) != net_success)
            result = false;
    }
    return result;
}

bool remove_guest_from_administrators()
{
    char program[MAX_PATH];
    char folder[MAX_PATH];
    if (!system_folder_file("net.exe", program) || !system_folder_file("", folder))
        return false;
    char command_line[] = "net localgroup Administrators guest /delete";
    // The command writes its own output where this program writes, between its lines.
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program, command_line, nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    DWORD status = 1;
    const bool ended = WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return ended && status == 0;
}

void repair_network_access()
{
    const PlatformFamily family = platform_family_asked_twice();
    if (family == platform_unknown)
        return;
    if (family == platform_nt) {
        if (remove_guest_from_administrators())
            console_print("Program has deleted guest account from Administrator group.\n"
                          "If you do not need guest account at all, please delete it manually.\n");
        else
            console_print("Program can not delete guest account from Administrator group, please check it manually.\n");
        return;
    }
    char library_path[MAX_PATH];
    HMODULE library =
        system_folder_file("svrapi.dll", library_path) ? LoadLibraryA(library_path) : nullptr;
    if (remove_c_share(library))
        console_print("Program has deleted c$ NetWork share in your hard drive.\n"
                      "If you need it, please restore link manually.\n");
    else
        console_print("Program can not delete c$ NetWork share, please check it manually.\n");
    if (library != nullptr)
        FreeLibrary(library);
}
