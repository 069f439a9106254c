// Deleting or replacing a file now, or registering the operation for the next system start:
// with MoveFileExA on the NT family, in the "rename" section of wininit.ini on the 9x family.
#include "defer_ops.h"

#include "error_class.h"
#include "file_swap.h"
#include "path_join.h"
#include "platform_family.h"
#include "rename_section.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// wininit.ini is a small file; a larger one is left alone rather than cut when rewritten.
const size_t wininit_size_limit = 64 * 1024;

// A path that fits the platform's limit, terminator included; nothing longer is ever
// handled, so no cut path can reach a delete, a replace or a registration.
bool fits_path_limit(const char *path)
{
    return path != nullptr && path[0] != '\0' && strnlen(path, MAX_PATH) < MAX_PATH;
}

bool is_existing_file(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The 8.3 form of an existing file's path: the 9x start-up processing skips long names.
// A name that would break the "key=value" line is refused.
bool short_path_of(const char *path, char *short_path)
{
    DWORD length = GetShortPathNameA(path, short_path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    for (const char *c = short_path; *c != '\0'; ++c) {
        if (*c == '=' || static_cast<unsigned char>(*c) < 0x20)
            return false;
    }
    return true;
}

bool windows_folder_file(const char *name, char *path)
{
    char windows_folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows_folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const char *separator = windows_folder[length - 1] == '\\' ? "" : "\\";
    return join_path(path, MAX_PATH, windows_folder, separator, name);
}

// The whole file, at most wininit_size_limit bytes; a missing file reads as empty.
bool read_small_file(const char *path, std::string &text)
{
    text.clear();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    char chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (got > sizeof chunk || got > wininit_size_limit - text.size()) {
            ok = false;
            break;
        }
        text.append(chunk, got);
    }
    CloseHandle(file);
    return ok;
}

// Adds "key=value" to the "rename" section of <windows folder>\wininit.ini, keeping every
// other line of the file. The new text is written beside it first, so a failed write never
// leaves a damaged file. The profile functions can't do this: they would overwrite the
// value of an equal key, and every deletion uses the key "NUL".
bool add_wininit_entry(const char *key, const char *value, PlatformFamily family)
{
    char windows_folder[MAX_PATH];
    char ini_path[MAX_PATH];
    char new_path[MAX_PATH];
    if (!windows_folder_file("", windows_folder) || !windows_folder_file("wininit.ini", ini_path) ||
        !windows_folder_file("wininit.new", new_path))
        return false;
    std::string text;
    if (!read_small_file(ini_path, text))
        return false;
    std::string line = std::string(key) + "=" + value;
    std::string updated = with_rename_entry(text.data(), text.size(), line);
    if (updated == text)
        return true;  // already registered
    if (updated.size() > wininit_size_limit ||
        !write_whole_file(new_path, updated.data(), static_cast<DWORD>(updated.size())))
        return false;
    // Every start-up operation already registered, this program's and others', is in the
    // old file: it is never deleted before the new one stands in its place.
    if (swap_into_place(new_path, ini_path, windows_folder, "wni", family))
        return true;
    DeleteFileA(new_path);
    return false;
}

bool register_deletion_in_wininit(const char *path, PlatformFamily family)
{
    char short_path[MAX_PATH];
    return short_path_of(path, short_path) && add_wininit_entry("NUL", short_path, family);
}

bool register_replacement_in_wininit(const char *source, const char *destination,
                                     PlatformFamily family)
{
    char short_source[MAX_PATH];
    char short_destination[MAX_PATH];
    return short_path_of(source, short_source) && short_path_of(destination, short_destination) &&
           add_wininit_entry(short_destination, short_source, family);
}

}  // namespace

DeferResult delete_or_defer(const char *path)
{
    if (!fits_path_limit(path))
        return failed;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return failed;  // files only: a folder is never registered for deletion
    if (remove(path) == 0)
        return done_now;
    if (errno != EACCES)
        return failed;

    PlatformFamily family = platform_family_asked_twice();
    if (family == platform_unknown)
        return no_version;
    if (family == platform_nt)
        return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? deferred : failed;
    return register_deletion_in_wininit(path, family) ? deferred : failed;
}

DeferResult replace_or_defer(const char *source, const char *destination)
{
    if (!fits_path_limit(source) || !fits_path_limit(destination))
        return failed;
    // Without a replacement in hand the destination stays as it is.
    if (!is_existing_file(source))
        return failed;

    PlatformFamily family = platform_family_asked_twice();
    int error_class;
    if (family == platform_9x) {
        // No replacing move on this family: make room, then move.
        remove(destination);
        if (rename(source, destination) == 0)
            return done_now;
        error_class = errno;
    } else {
        // One step, so that no failure leaves the destination missing.
        if (MoveFileExA(source, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
            return done_now;
        error_class = errno_class_of_error(GetLastError());
    }
    if (error_class != EEXIST && error_class != EACCES)
        return failed;

    if (family == platform_unknown)
        return no_version;
    if (family == platform_nt) {
        // The destination still exists at the next start (it is in use now), so the
        // start-up rename must be allowed to replace it.
        if (!MoveFileExA(source, destination,
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT))
            return failed;
        // The NT family acts on the registration above; the wininit.ini entry is kept for
        // the record and does not decide the result.
        register_replacement_in_wininit(source, destination, family);
        return deferred;
    }
    return register_replacement_in_wininit(source, destination, family) ? deferred : failed;
}
