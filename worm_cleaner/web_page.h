// Cutting the worm's script off the end of a web page.
#pragma once

#include "disinfect.h"

// Works on current_file_path; cured when the script was cut off, otherwise not_cured.
cure_result clean_web_page();
