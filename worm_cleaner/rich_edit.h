// Writing the clean rich-edit control library the program carries into the system folder.
#pragma once

// True when the whole library file was written.
bool restore_rich_edit_library();
