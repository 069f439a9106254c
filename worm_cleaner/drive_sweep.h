// Walking a fixed drive: restoring infected programs, deleting worm copies, cleaning pages.
#pragma once

// folder: full path ending in a backslash, such as "c:\". Prints one line per treated file;
// the console's title shows the progress while the sweep runs (sweep_progress.h).
void sweep_folder(const char *folder);
