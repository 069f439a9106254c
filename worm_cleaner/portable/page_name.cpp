// The web page name test of the drive sweep; see page_name.h.
#include "page_name.h"

#include "ascii_case.h"

#include <cstring>

bool is_web_page_name(const char *name)
{
    const size_t length = strlen(name);
    return ends_with_ignoring_ascii_case(name, length, ".html") ||
           ends_with_ignoring_ascii_case(name, length, ".htm") ||
           ends_with_ignoring_ascii_case(name, length, ".asp");
}
