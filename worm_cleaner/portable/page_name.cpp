// The web page name test of the drive sweep; see page_name.h.
#include "page_name.h"

#include <cstring>

namespace {

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Only ASCII letters fold: the comparison must not depend on the code page or locale.
bool ends_with_ascii_nocase(const char *name, size_t length, const char *suffix)
{
    const size_t suffix_length = strlen(suffix);
    if (length < suffix_length)
        return false;
    const char *tail = name + (length - suffix_length);
    for (size_t i = 0; i < suffix_length; ++i) {
        if (ascii_lower(tail[i]) != suffix[i])
            return false;
    }
    return true;
}

}  // namespace

bool is_web_page_name(const char *name)
{
    const size_t length = strlen(name);
    return ends_with_ascii_nocase(name, length, ".html") ||
           ends_with_ascii_nocase(name, length, ".htm") ||
           ends_with_ascii_nocase(name, length, ".asp");
}
