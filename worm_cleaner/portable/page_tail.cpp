// The worm's page script and the comparison of a page's last bytes with it; see page_tail.h.
#include "page_tail.h"

#include "byte_reader.h"

const char worm_script_tail[] =
    "<html><script language=\"JavaScript\">window.open(\"readme.eml\", null, "
    "\"resizable=no,top=6000,left=6000\")</script></html>";

static_assert(sizeof worm_script_tail == worm_script_length + 1, "the script is 118 characters");

namespace {

// ASCII only, whatever the locale: A to Z match a to z, every other byte must be equal.
unsigned char fold_ascii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool is_worm_script_tail(const unsigned char *tail, size_t size)
{
    byte_reader page_end(tail, size);
    if (size != worm_script_length)
        return false;
    for (size_t i = 0; i < worm_script_length; ++i) {
        const unsigned char expected = static_cast<unsigned char>(worm_script_tail[i]);
        if (fold_ascii(page_end.u8(i)) != fold_ascii(expected))
            return false;
    }
    return true;
}
