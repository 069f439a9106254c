// Path joining for the fixed-size buffers; see path_join.h.
#include "path_join.h"

#include <cstring>

bool join_path(char *out, size_t capacity, const char *a, const char *b, const char *c)
{
    if (capacity == 0)
        return false;
    const size_t la = strlen(a), lb = strlen(b), lc = strlen(c);
    // Subtraction form: none of these can wrap.
    size_t room = capacity - 1;
    if (la > room || lb > room - la || lc > room - la - lb) {
        out[0] = '\0';
        return false;
    }
    // memmove: a caller may pass out itself as a (extending a path in place).
    memmove(out, a, la);
    memcpy(out + la, b, lb);
    memcpy(out + la + lb, c, lc);
    out[la + lb + lc] = '\0';
    return true;
}
