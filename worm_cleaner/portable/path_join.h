// Building paths in the program's fixed 260-character buffers without ever cutting them.
#pragma once

#include <cstddef>

// The platform's path limit, terminator included.
const size_t path_capacity = 260;

// Writes a, b and c one after another into out (capacity bytes) and terminates it.
// Returns false, leaving out as an empty string, when the result would not fit: a cut
// path must never reach a delete or a replace.
bool join_path(char *out, size_t capacity, const char *a, const char *b, const char *c = "");
