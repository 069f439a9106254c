// Runs the component stopping step by itself, as the cleaner's driver does, so that the
// end-to-end tests can prepare a prefix and look at what the step printed and changed.
//   stop_probe [--drop-debug] [--list] name...
//     --drop-debug  removes the debug privilege from the program's own token first, as for
//                   a user without administrator rights
//     --list        prints the process list ("pid name" lines) before stopping anything
#include "process_list.h"
#include "stop_component.h"

#include <cstdio>
#include <cstring>

namespace {

bool remove_debug_privilege()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES removed = {};
    removed.PrivilegeCount = 1;
    removed.Privileges[0].Attributes = SE_PRIVILEGE_REMOVED;
    bool ok = LookupPrivilegeValueA(NULL, "SeDebugPrivilege", &removed.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &removed, 0, NULL, NULL) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    int first = 1;
    bool list = false;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (strcmp(argv[first], "--drop-debug") == 0) {
            if (!remove_debug_privilege() || enable_privileges()) {
                printf("probe: the debug privilege could not be removed\n");
                return 2;
            }
        } else if (strcmp(argv[first], "--list") == 0) {
            list = true;
        }
    }
    if (list) {
        DWORD count = list_processes(process_list, process_list_capacity);
        for (DWORD i = 0; i < count; ++i)
            printf("probe: listed %lu %s\n", (unsigned long)process_list[i].process_id, process_list[i].name);
        printf("probe: own id %lu\n", (unsigned long)GetCurrentProcessId());
        fflush(stdout);
    }
    for (int i = first; i < argc; ++i) {
        bool result = stop_worm_component(argv[i]);
        printf("probe: %s -> %d\n", argv[i], result ? 1 : 0);
        fflush(stdout);
    }
    return 0;
}
