// Placeholder until the detection and disinfection step lands.
#include "disinfect.h"
char current_file_path[MAX_PATH];
char restore_target_path[MAX_PATH];
DWORD current_file_size;
bool is_pe_program() { return false; }
bool has_worm_signature(const char *) { return false; }
cure_result disinfect_program() { return not_cured; }
