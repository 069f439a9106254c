// Fuzzes the page-tail comparison with the last bytes of arbitrary pages.
#include "page_tail.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The page's last 118 bytes (or fewer), in an exact-size copy.
    const size_t tail = size < worm_script_length ? size : worm_script_length;
    const std::vector<unsigned char> bytes(data + size - tail, data + size);
    const bool matches = is_worm_script_tail(bytes.data(), bytes.size());
    // A match is the script itself, letter case aside.
    if (matches && (bytes.size() != worm_script_length || memchr(bytes.data(), 0, bytes.size())))
        __builtin_trap();
    return 0;
}
