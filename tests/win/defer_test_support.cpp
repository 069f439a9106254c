// Helpers for the tests of the deferred file operations; see defer_test_support.h.
#include "defer_test_support.h"

#include <algorithm>
#include <cctype>

namespace {

void remove_tree(const std::string &folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path + "\\");
                RemoveDirectoryA(path.c_str());
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string without_nt_prefix(std::string path)
{
    if (path.compare(0, 4, "\\??\\") == 0)
        path.erase(0, 4);
    return lower(path);
}

// "!" (may replace) stays in front; the "\??\" prefix goes.
std::string normalized_rename_item(std::string item)
{
    std::string replace_mark;
    if (!item.empty() && item[0] == '!') {
        replace_mark = "!";
        item.erase(0, 1);
    }
    return replace_mark + without_nt_prefix(item);
}

}  // namespace

std::string fresh_test_folder(const std::string &name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + name + "\\";
    remove_tree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool write_text_file(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    CloseHandle(file);
    return ok;
}

std::string read_text_file(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    CloseHandle(file);
    return text;
}

bool file_exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string short_path(const std::string &path)
{
    char out[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), out, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(out) : std::string();
}

std::string wininit_path()
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\wininit.ini";
}

std::vector<std::string> rename_section_lines(const std::string &ini_text)
{
    std::vector<std::string> lines;
    bool in_section = false;
    size_t start = 0;
    while (start < ini_text.size()) {
        size_t end = ini_text.find('\n', start);
        if (end == std::string::npos)
            end = ini_text.size();
        std::string line = ini_text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        start = end + 1;
        if (!line.empty() && line[0] == '[')
            in_section = lower(line) == "[rename]";
        else if (in_section && !line.empty())
            lines.push_back(line);
    }
    return lines;
}

std::vector<std::pair<std::string, std::string>> pending_file_renames()
{
    std::vector<std::pair<std::string, std::string>> pairs;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return pairs;
    DWORD type = 0, size = 0;
    std::string data;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, nullptr, &size) ==
            ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        data.resize(size + 2);
        if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                             reinterpret_cast<BYTE *>(&data[0]), &size) == ERROR_SUCCESS)
            data.resize(size);
        else
            data.clear();
    }
    RegCloseKey(key);
    std::vector<std::string> items;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\0', start);
        if (end == std::string::npos)
            end = data.size();
        items.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i + 1 < items.size(); i += 2)
        pairs.emplace_back(items[i], items[i + 1]);
    return pairs;
}

bool has_pending_rename(const std::string &source, const std::string &destination)
{
    for (const auto &pair : pending_file_renames()) {
        if (normalized_rename_item(pair.first) == lower(source) &&
            normalized_rename_item(pair.second) == lower(destination))
            return true;
    }
    return false;
}

OpenWithoutDeleteSharing::OpenWithoutDeleteSharing(const std::string &path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

OpenWithoutDeleteSharing::~OpenWithoutDeleteSharing()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
}
