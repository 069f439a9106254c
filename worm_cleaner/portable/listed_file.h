// Telling from a folder listing alone whether the drive sweep has any use for a file, so
// that files no step could act on are never opened.
#pragma once

#include "pe_image.h"

#include <cstdint>

// The shortest file that can hold the worm's code: its signature ends at this offset. The
// program cure acts only on files that hold it, so a shorter file can matter to the sweep
// only as a web page.
const uint64_t shortest_worm_file = uint64_t(worm_code_offset) + worm_signature_size;

// Whether the sweep must open the file listed with name and size (the listing's high and
// low 32 bits): a web page name, or a size that can hold the worm's code. For any other
// file every step would find nothing, so passing it over unopened gives the same outcome.
bool sweep_must_open(const char *name, uint32_t size_high, uint32_t size_low);
