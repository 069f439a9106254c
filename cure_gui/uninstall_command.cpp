// Finds the program an uninstall command names. An unquoted command with blanks is
// ambiguous: "C:\Program Files\App\uninst.exe /S" would let the platform try
// "C:\Program.exe" first, so the longest prefix that names an existing file wins, and a
// prefix that stops inside the path of an existing folder is never taken.
#include "uninstall_command.h"

#include <windows.h>
#include <wchar.h>

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

bool IsExistingFile(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Copies units of text into a buffer of capacity units, or refuses when it won't fit.
bool CopyText(wchar_t* out, size_t capacity, const wchar_t* text, size_t units)
{
    if (units >= capacity)
        return false;
    wmemcpy(out, text, units);
    out[units] = L'\0';
    return true;
}

bool AppendText(wchar_t* out, size_t capacity, const wchar_t* text)
{
    size_t used = wcslen(out);
    size_t units = wcslen(text);
    if (used >= capacity || units >= capacity - used)
        return false;
    wmemcpy(out + used, text, units + 1);
    return true;
}

// The platform adds ".exe" to a program name whose last part has no extension.
bool HasExtension(const wchar_t* name)
{
    const wchar_t* lastPart = name;
    for (const wchar_t* p = name; *p; ++p)
        if (*p == L'\\' || *p == L'/' || *p == L':')
            lastPart = p + 1;
    return wcschr(lastPart, L'.') != NULL;
}

bool IsBareName(const wchar_t* name)
{
    return !wcspbrk(name, L"\\/:");
}

// The program file a candidate name stands for, searched as the platform searches it.
bool FindProgramFile(const wchar_t* name, size_t units, wchar_t* program, size_t capacity)
{
    wchar_t candidate[MAX_PATH + 8];
    if (!CopyText(candidate, MAX_PATH, name, units))
        return false;
    if (IsBareName(candidate))
    {
        DWORD found = SearchPathW(NULL, candidate, L".exe", static_cast<DWORD>(capacity),
                                  program, NULL);
        return found > 0 && found < capacity && IsExistingFile(program);
    }
    if (!HasExtension(candidate))
        wcscat(candidate, L".exe");  // room reserved above
    if (!IsExistingFile(candidate))
        return false;
    return CopyText(program, capacity, candidate, wcslen(candidate));
}

// True when the text goes on from the prefix's end into an existing folder, as
// "C:\Program" does in "C:\Program Files\App\gone.exe": the program the command names
// lies in that folder, so the prefix can't be it, even when its real file is missing.
bool EndsInsideFolderPath(const wchar_t* command, size_t end)
{
    const wchar_t* separator = wcschr(command + end, L'\\');
    if (!separator)
        return false;
    wchar_t folder[MAX_PATH];
    if (!CopyText(folder, MAX_PATH, command, static_cast<size_t>(separator - command)))
        return false;
    DWORD attributes = GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool PrepareUninstallCommand(const wchar_t* command, wchar_t* application,
                             size_t applicationUnits, wchar_t* commandLine,
                             size_t commandLineUnits)
{
    if (applicationUnits == 0 || commandLineUnits == 0)
        return false;
    application[0] = L'\0';
    commandLine[0] = L'\0';
    while (IsBlank(*command))
        ++command;
    if (*command == L'\0')
        return false;
    // A quoted program name is unambiguous; the platform reads it as it stands.
    if (*command == L'"')
        return CopyText(commandLine, commandLineUnits, command, wcslen(command));

    // Prefixes ending at the end of the text or before a blank, longest first.
    size_t length = wcslen(command);
    for (size_t end = length; end > 0; --end)
    {
        if (end < length && !IsBlank(command[end]))
            continue;
        if (IsBlank(command[end - 1]) || EndsInsideFolderPath(command, end))
            continue;
        if (!FindProgramFile(command, end, application, applicationUnits))
            continue;
        // The new program sees its own name quoted, then the arguments as written.
        if (AppendText(commandLine, commandLineUnits, L"\"") &&
            AppendText(commandLine, commandLineUnits, application) &&
            AppendText(commandLine, commandLineUnits, L"\"") &&
            AppendText(commandLine, commandLineUnits, command + end))
            return true;
        break;
    }
    application[0] = L'\0';
    commandLine[0] = L'\0';
    return false;
}
