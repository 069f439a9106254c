// The drive sweep's listing test; see listed_file.h.
#include "listed_file.h"

#include "page_name.h"

bool sweep_must_open(const char *name, uint32_t size_high, uint32_t size_low)
{
    // The whole 64-bit size: a file of 4 GiB and a few bytes has a small low part.
    const uint64_t size = (uint64_t(size_high) << 32) | size_low;
    return size >= shortest_worm_file || is_web_page_name(name);
}
