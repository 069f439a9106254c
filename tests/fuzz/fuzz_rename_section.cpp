// Fuzz target: adding a start-up entry to an arbitrary wininit.ini text. Whatever the text,
// the result keeps it as a prefix and a suffix around the inserted bytes.
#include "rename_section.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    const std::string line = "NUL=C:\\A.EXE";
    std::string out = with_rename_entry(text, size, line);
    if (out.size() < size)
        abort();
    if (out.size() == size) {
        if (out.compare(0, size, text, size) != 0)
            abort();
        return 0;
    }
    // Find the split: the longest common prefix, then the rest of the input must end the output.
    size_t prefix = 0;
    while (prefix < size && out[prefix] == text[prefix])
        ++prefix;
    size_t tail = size - prefix;
    if (out.compare(out.size() - tail, tail, text + prefix, tail) != 0)
        abort();
    if (out.find(line + "\r\n") == std::string::npos)
        abort();
    return 0;
}
