// Adding a start-up file operation to the text of wininit.ini without touching anything else.
#pragma once

#include <cstddef>
#include <string>

// The text of an initialisation file (size bytes, any content) with line added as the last
// entry of its first "rename" section, followed by "\r\n". Without such a section, one is
// added at the end. Every other byte stays where it was; a line already in the section is
// not added twice.
std::string with_rename_entry(const char *text, size_t size, const std::string &line);
