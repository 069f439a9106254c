// Small file and registry helpers for the tests of the deferred file operations.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// A fresh folder below the temporary folder, "<temp>\<name>\", emptied of earlier runs.
std::string fresh_test_folder(const std::string &name);

bool write_text_file(const std::string &path, const std::string &text);
std::string read_text_file(const std::string &path);
bool file_exists(const std::string &path);

// The 8.3 form of an existing path, as the start-up rename file must hold it.
std::string short_path(const std::string &path);

// <windows folder>\wininit.ini
std::string wininit_path();

// The lines of the file's "rename" section, without their line ends.
std::vector<std::string> rename_section_lines(const std::string &ini_text);

// The boot-time operations registered with MoveFileExA, as (source, destination) pairs.
std::vector<std::pair<std::string, std::string>> pending_file_renames();

// Whether the boot-time operations hold (source, destination), compared without case and
// without the "\??\" prefix; a destination written "!path" may replace an existing file,
// and "" stands for a deletion.
bool has_pending_rename(const std::string &source, const std::string &destination);

// Holds a file open for reading and writing without sharing its deletion.
class OpenWithoutDeleteSharing {
public:
    explicit OpenWithoutDeleteSharing(const std::string &path);
    ~OpenWithoutDeleteSharing();
    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
