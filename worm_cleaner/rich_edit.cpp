// Placeholder until the rich-edit library restore lands.
#include "rich_edit.h"
bool restore_rich_edit_library() { return false; }
