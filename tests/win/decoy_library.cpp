// A library planted under the name of a system library (svrapi.dll) in the folders a
// search would try first. It must never load: when it does, it appends its own path to the
// file named by DECOY_LOG.
#include <windows.h>

#include <cstdio>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char log[MAX_PATH];
    char self[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("DECOY_LOG", log, sizeof log);
    if (length == 0 || length >= sizeof log)
        return TRUE;
    length = GetModuleFileNameA(instance, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        self[0] = '\0';
    if (FILE *out = fopen(log, "ab")) {
        fprintf(out, "loaded %s\n", self);
        fclose(out);
    }
    return TRUE;
}
