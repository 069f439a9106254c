// Placeholder until the temporary folder cleanup lands.
#include "temp_cleanup.h"
bool clean_temp_folder(const char *) { return false; }
