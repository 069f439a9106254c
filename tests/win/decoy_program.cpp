// A program planted under the name of a system program (explorer.exe, net.exe) in the
// folders a search would try first. It must never run: when it does, it appends its own
// path to the file named by DECOY_LOG, so that the test sees who started it.
#include <windows.h>

#include <cstdio>

int main()
{
    char log[MAX_PATH];
    char self[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("DECOY_LOG", log, sizeof log);
    if (length == 0 || length >= sizeof log)
        return 1;
    length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        self[0] = '\0';
    if (FILE *out = fopen(log, "ab")) {
        fprintf(out, "ran %s\n", self);
        fclose(out);
    }
    return 1;
}
