// Helpers of the drive sweep and temporary folder cleanup tests: scratch trees, captured
// console output and the registered start-up operations.
#pragma once

#include "pe_fixture.h"

#include <string>
#include <vector>

// A fresh, empty folder below the prefix's temporary folder; the path ends in a backslash.
std::string make_scratch_folder(const char *name);

// Writes bytes (or text) to root + relative, creating the folders on the way.
void put_file(const std::string &path, const byte_vector &bytes);
void put_text(const std::string &path, const std::string &text);
bool file_exists(const std::string &path);
bool folder_exists(const std::string &path);
std::string read_text(const std::string &path);

// Files (not folders) directly in folder, by name.
std::vector<std::string> files_in(const std::string &folder);

// Runs body with the process's standard output going to a file; returns what it printed.
template <class Body> std::string capture_output(Body body);
std::string begin_capture();
std::string end_capture(const std::string &file);
template <class Body> std::string capture_output(Body body)
{
    const std::string file = begin_capture();
    body();
    return end_capture(file);
}

// The lines of text, sorted: the walk meets files in the file system's order.
std::vector<std::string> sorted_lines(const std::string &text);

// Pairs of the boot-time rename list whose source names path (any letter case), as
// (source, destination) without the "\??\" and "!" marks; an empty destination is a deletion.
std::vector<std::pair<std::string, std::string>> pending_operations_for(const std::string &path);

// The worm's page script, and a page that carries it at its very end.
std::string worm_script();
std::string infected_page(const std::string &body);
