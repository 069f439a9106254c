// The runtime library's mapping of platform errors to errno codes, for the classes that
// the deferred file operations judge by.
#include "error_class.h"

#include <cerrno>

int errno_class_of_error(unsigned long platform_error)
{
    switch (platform_error) {
    case 2:    // file not found
    case 3:    // path not found
        return ENOENT;
    case 5:    // access denied
    case 16:   // current directory
    case 65:   // network access denied
    case 82:   // cannot make
    case 83:   // fail on interrupt 24
    case 108:  // drive locked
    case 132:  // seek on device
    case 158:  // not locked
    case 167:  // lock failed
        return EACCES;
    case 80:   // file exists
    case 183:  // already exists
        return EEXIST;
    default:
        // From write protect (19) to sharing buffer exceeded (36), among them the sharing
        // and lock violations (32, 33).
        if (platform_error >= 19 && platform_error <= 36)
            return EACCES;
        return EINVAL;
    }
}
