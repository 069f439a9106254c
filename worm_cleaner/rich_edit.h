// Writing the clean rich-edit control library the program carries into the system folder.
#pragma once

// True when the whole library file was written. On failure the system folder is as it was.
bool restore_rich_edit_library();

// The library's path in system_folder, with one separator, into a 260-character target.
// False when it would not fit.
bool rich_edit_target_path(const char *system_folder, char *target);
