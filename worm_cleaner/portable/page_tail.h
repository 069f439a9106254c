// Recognising the worm's script at the end of a web page from the page's last bytes.
#pragma once

#include <cstddef>

// The script the worm appends to pages, with no line end before or after it.
extern const char worm_script_tail[];
const size_t worm_script_length = 118;

// True when tail (size bytes, the page's last ones) is exactly the worm's script, letters
// compared without regard to ASCII case. Any other size, or a zero byte, is no match.
bool is_worm_script_tail(const unsigned char *tail, size_t size);
