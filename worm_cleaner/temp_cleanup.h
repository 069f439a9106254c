// Emptying the temporary folder.
#pragma once

// folder ends in a backslash. True when at least one deletion was left for the next start.
bool clean_temp_folder(const char *folder);
