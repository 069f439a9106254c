// The running processes, listed from the system's performance data through the English
// counter titles (NT family).
#include "process_list.h"

#include "path_join.h"
#include "perf_data.h"

#include <cstdio>
#include <cstdlib>

ProcessRecord process_list[process_list_capacity];

namespace {

const char perflib_key[] = "software\\microsoft\\windows nt\\currentversion\\perflib";
const DWORD english_language = 9;
const DWORD first_data_size = 51200;
const DWORD data_size_step = 25600;

// Longest instance name that could still convert into a 260-byte name: every UTF-16 unit
// gives at least one byte, and a surrogate pair at least one.
const size_t longest_convertible_name = 2 * MAX_PATH;

// Reads the English counter titles and finds the process object and identifier counter.
bool read_process_titles(ProcessTitles *titles)
{
    char key_name[MAX_PATH];
    snprintf(key_name, sizeof key_name, "%s\\%03x", perflib_key, (unsigned)english_language);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, "Counters", NULL, &type, NULL, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && size > 0) {
        BYTE *text = static_cast<BYTE *>(calloc(size, 1));
        DWORD read = size;
        if (text && RegQueryValueExA(key, "Counters", NULL, &type, text, &read) == ERROR_SUCCESS &&
            type == REG_MULTI_SZ) {
            // Never more than the buffer holds, whatever the reported length says.
            *titles = find_process_titles(text, read < size ? read : size);
            found = titles->have_object && titles->have_id_counter;
        }
        free(text);
    }
    RegCloseKey(key);
    return found;
}

struct Filling {
    ProcessRecord *records;
    DWORD count;
};

void fill_record(void *context, uint32_t process_id, const uint8_t *name, size_t name_units)
{
    Filling *filling = static_cast<Filling *>(context);
    ProcessRecord *record = &filling->records[filling->count++];
    record->process_id = process_id;
    record->flags = 0;
    record->window = NULL;

    if (name_units > longest_convertible_name) {
        set_record_name(record, NULL);
        return;
    }
    wchar_t wide[longest_convertible_name + 1];
    for (size_t i = 0; i < name_units; ++i)
        wide[i] = wchar_t(name[2 * i] | name[2 * i + 1] << 8);
    wide[name_units] = L'\0';
    set_record_name(record, wide);
}

}  // namespace

void set_record_name(ProcessRecord *record, const wchar_t *instance_name)
{
    char converted[MAX_PATH];
    const bool named = instance_name &&
                       WideCharToMultiByte(CP_ACP, 0, instance_name, -1, converted, sizeof converted,
                                           NULL, NULL) > 0 &&
                       join_path(record->name, sizeof record->name, converted, ".exe");
    if (!named)
        join_path(record->name, sizeof record->name, "unknown", "");
}

DWORD list_processes(ProcessRecord *records, DWORD capacity)
{
    DWORD count = 0;
    ProcessTitles titles = {};
    if (records && capacity > 1 && read_process_titles(&titles)) {
        DWORD size = first_data_size;
        BYTE *data = static_cast<BYTE *>(calloc(size, 1));
        while (data) {
            DWORD type = 0, returned = size;
            LONG status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, titles.object_index, NULL, &type,
                                           data, &returned);
            if (status == ERROR_MORE_DATA) {
                free(data);
                data = NULL;
                if (size > MAXDWORD - data_size_step)
                    break;
                size += data_size_step;
                data = static_cast<BYTE *>(calloc(size, 1));
                continue;
            }
            if (status == ERROR_SUCCESS && returned > 0) {
                Filling filling = {records, 0};
                count = DWORD(walk_process_instances(data, returned < size ? returned : size,
                                                     titles.id_counter_index, capacity - 1,
                                                     fill_record, &filling));
            }
            break;
        }
        free(data);
    }
    // Closing the key releases the performance data on every path.
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    return count;
}
