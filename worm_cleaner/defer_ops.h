// Deleting or replacing a file now, or at the next system start when it is in use.
#pragma once

enum DeferResult {
    done_now = 0,    // deleted or replaced at once
    deferred = 1,    // registered for the next system start
    failed = 2,      // refused for another reason; nothing registered
    no_version = 3,  // deferral was due but the platform could not be told; nothing registered
};

DeferResult delete_or_defer(const char *path);
DeferResult replace_or_defer(const char *source, const char *destination);
