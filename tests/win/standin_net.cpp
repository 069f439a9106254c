// Stand-in for the platform's "net" command in tests: records the arguments it was given
// and ends with the exit status the test asks for.
//   STANDIN_NET_LOG   file to which the arguments are appended, one line per run
//   STANDIN_NET_EXIT  exit status (default 0)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

// The command line without the program name, as the command interpreter passed it.
static const char *arguments_of(const char *line)
{
    if (*line == '"') {
        ++line;
        while (*line && *line != '"')
            ++line;
        if (*line == '"')
            ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t')
            ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

int main()
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("STANDIN_NET_LOG", path, sizeof path);
    if (length > 0 && length < sizeof path) {
        if (FILE *log = fopen(path, "ab")) {
            fprintf(log, "%s\n", arguments_of(GetCommandLineA()));
            fclose(log);
        }
    }
    char status[32];
    length = GetEnvironmentVariableA("STANDIN_NET_EXIT", status, sizeof status);
    if (length > 0 && length < sizeof status)
        return atoi(status);
    return 0;
}
