// Placeholder until the deferred file operations land.
#include "defer_ops.h"
DeferResult delete_or_defer(const char *) { return failed; }
DeferResult replace_or_defer(const char *, const char *) { return failed; }
