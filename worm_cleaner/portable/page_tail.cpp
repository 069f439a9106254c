// The worm's page script and the comparison of a page's last bytes with it; see page_tail.h.
#include "page_tail.h"

#include "ascii_case.h"
#include "byte_reader.h"

const char worm_script_tail[] =
    "<html><script language=\"JavaScript\">window.open(\"readme.eml\", null, "
    "\"resizable=no,top=6000,left=6000\")</script></html>";

static_assert(sizeof worm_script_tail == worm_script_length + 1, "the script is 118 characters");

bool is_worm_script_tail(const unsigned char *tail, size_t size)
{
    byte_reader page_end(tail, size);
    const uint8_t *bytes = page_end.bytes_at(0, size);
    return bytes != nullptr &&
           equal_ignoring_ascii_case(bytes, size, worm_script_tail, worm_script_length);
}
