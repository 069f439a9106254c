// Case-blind comparison of names and texts the cleaner reads from disk and from the
// system. Only the ASCII letters A to Z fold to a to z, so that no comparison depends on
// the code page or the locale.
#pragma once

#include <cstddef>
#include <cstring>

inline unsigned char ascii_lower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Whether the a_size bytes at a and the b_size bytes at b are the same, ASCII letters
// compared without case.
inline bool equal_ignoring_ascii_case(const void *a, size_t a_size, const void *b, size_t b_size)
{
    if (a_size != b_size)
        return false;
    const unsigned char *x = static_cast<const unsigned char *>(a);
    const unsigned char *y = static_cast<const unsigned char *>(b);
    for (size_t i = 0; i < a_size; ++i) {
        if (ascii_lower(x[i]) != ascii_lower(y[i]))
            return false;
    }
    return true;
}

// The same for two terminated strings.
inline bool equal_ignoring_ascii_case(const char *a, const char *b)
{
    return equal_ignoring_ascii_case(a, strlen(a), b, strlen(b));
}

// Whether the length bytes of text end in suffix (terminated), ASCII letters compared
// without case.
inline bool ends_with_ignoring_ascii_case(const char *text, size_t length, const char *suffix)
{
    const size_t suffix_length = strlen(suffix);
    return length >= suffix_length &&
           equal_ignoring_ascii_case(text + (length - suffix_length), suffix_length, suffix,
                                     suffix_length);
}
