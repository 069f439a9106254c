// Helpers of the drive sweep and temporary folder cleanup tests; see sweep_support.h.
#include "sweep_support.h"

#include "page_tail.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

void make_folders_for(const std::string &path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

// Removes a tree left by an earlier run; read-only files included.
void remove_tree(const std::string &folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                remove_tree(path + "\\");
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

int saved_stdout = -1;

}  // namespace

std::string make_scratch_folder(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
    remove_tree(folder);
    make_folders_for(folder);
    return folder;
}

void put_file(const std::string &path, const byte_vector &bytes)
{
    make_folders_for(path);
    save_file(path, bytes);
}

void put_text(const std::string &path, const std::string &text)
{
    put_file(path, byte_vector(text.begin(), text.end()));
}

bool file_exists(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folder_exists(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string read_text(const std::string &path)
{
    const byte_vector bytes = load_file(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> files_in(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string begin_capture()
{
    char temp[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "cap", 0, file);
    fflush(stdout);
    saved_stdout = _dup(_fileno(stdout));
    const int out = _open(file, _O_WRONLY | _O_TRUNC | _O_BINARY);
    _dup2(out, _fileno(stdout));
    _close(out);
    return file;
}

std::string end_capture(const std::string &file)
{
    fflush(stdout);
    _dup2(saved_stdout, _fileno(stdout));
    _close(saved_stdout);
    std::string text = read_text(file);
    DeleteFileA(file.c_str());
    // Text mode writes each line end as CR LF.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::vector<std::string> sorted_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::pair<std::string, std::string>> pending_operations_for(const std::string &path)
{
    std::vector<std::pair<std::string, std::string>> found;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                      0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return found;
    DWORD type = 0, size = 0;
    std::vector<char> data;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, nullptr, &size) ==
            ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        data.resize(size + 2, '\0');
        RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                         reinterpret_cast<BYTE *>(data.data()), &size);
    }
    RegCloseKey(key);
    std::vector<std::string> items;
    for (size_t at = 0; at < size;) {
        const std::string item(data.data() + at);
        items.push_back(item);
        at += item.size() + 1;
    }
    // "!" before a destination marks a replacement of an existing file.
    auto strip = [](std::string s) {
        if (!s.empty() && s[0] == '!')
            s.erase(0, 1);
        return s.compare(0, 4, "\\??\\") == 0 ? s.substr(4) : s;
    };
    for (size_t i = 0; i + 1 < items.size(); i += 2) {
        const std::string source = strip(items[i]);
        if (lstrcmpiA(source.c_str(), path.c_str()) == 0)
            found.emplace_back(source, strip(items[i + 1]));
    }
    return found;
}

std::string worm_script()
{
    return std::string(worm_script_tail, worm_script_length);
}

std::string infected_page(const std::string &body)
{
    return body + worm_script();
}
