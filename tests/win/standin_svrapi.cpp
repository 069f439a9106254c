// Stand-in for the 9x family's share functions (svrapi.dll) in tests: level-50 records of
// 42 bytes and 16-bit counts, with shares and outcomes chosen by the test.
//   STANDIN_SHARES            shares as "name:type,name:type" (a 13-character name fills
//                             its field without a terminator)
//   STANDIN_SHARE_ENUM_STATUS status of the first and second enumeration, "a,b"; an empty
//                             item gives the natural status (0, or 234 when not all fit)
//   STANDIN_SHARE_DEL_STATUS  what NetShareDel returns (default 0)
//   STANDIN_SHARE_LOG         file to which "enum <level> <size>" and "del <name>" lines go
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const unsigned record_size = 42;
const unsigned more_data = 234;
int enum_calls = 0;

// The environment variable's text, or "" when unset or too long.
void setting(const char *name, char *out, DWORD size)
{
    DWORD length = GetEnvironmentVariableA(name, out, size);
    if (length == 0 || length >= size)
        out[0] = '\0';
}

void log_line(const char *line)
{
    char path[MAX_PATH];
    setting("STANDIN_SHARE_LOG", path, sizeof path);
    if (!path[0])
        return;
    if (FILE *log = fopen(path, "ab")) {
        fprintf(log, "%s\n", line);
        fclose(log);
    }
}

// Status item `index` of a comma list, or -1 when that item is missing or empty.
long listed_status(const char *list, int index)
{
    for (int i = 0; i < index && list; ++i) {
        list = strchr(list, ',');
        if (list)
            ++list;
    }
    if (!list || *list == ',' || *list == '\0')
        return -1;
    return strtol(list, nullptr, 10);
}

}  // namespace

extern "C" unsigned WINAPI NetShareEnum(const char *server, short level, char *buffer, unsigned short size,
                                        unsigned short *entries_read, unsigned short *total_available)
{
    const int call = enum_calls++;
    char line[64];
    snprintf(line, sizeof line, "enum %d %u", level, static_cast<unsigned>(size));
    log_line(line);
    if (server != nullptr)
        return 53;   // ERROR_BAD_NETPATH: only the local machine is expected
    if (level != 50)
        return 124;  // ERROR_INVALID_LEVEL
    char shares[1024];
    setting("STANDIN_SHARES", shares, sizeof shares);
    unsigned total = 0, written = 0;
    for (char *item = shares[0] ? shares : nullptr; item;) {
        char *next = strchr(item, ',');
        if (next)
            *next++ = '\0';
        char *colon = strrchr(item, ':');
        unsigned char type = colon ? static_cast<unsigned char>(atoi(colon + 1)) : 0;
        if (colon)
            *colon = '\0';
        if (size / record_size > written) {
            char *record = buffer + written * record_size;
            memset(record, 0x5A, record_size);  // unused fields hold noise
            memset(record, 0, 13);
            memcpy(record, item, strlen(item) < 13 ? strlen(item) : 13);
            record[13] = static_cast<char>(type);
            ++written;
        }
        ++total;
        item = next;
    }
    *entries_read = static_cast<unsigned short>(written);
    *total_available = static_cast<unsigned short>(total);
    char statuses[64];
    setting("STANDIN_SHARE_ENUM_STATUS", statuses, sizeof statuses);
    long forced = listed_status(statuses, call);
    if (forced >= 0)
        return static_cast<unsigned>(forced);
    return written < total ? more_data : 0;
}

extern "C" unsigned WINAPI NetShareDel(const char *server, const char *name, unsigned short reserved)
{
    char line[64];
    snprintf(line, sizeof line, "del %.40s", name ? name : "(null)");
    log_line(line);
    if (server != nullptr || reserved != 0)
        return 87;  // ERROR_INVALID_PARAMETER
    char status[32];
    setting("STANDIN_SHARE_DEL_STATUS", status, sizeof status);
    return status[0] ? static_cast<unsigned>(atoi(status)) : 0;
}
