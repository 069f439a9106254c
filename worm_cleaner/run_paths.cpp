// The paths the driver settles at start.
#include "run_paths.h"

char temp_folder_path[MAX_PATH];
