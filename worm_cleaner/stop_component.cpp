// Placeholder until stopping worm components lands.
#include "stop_component.h"
bool stop_worm_component(const char *) { return true; }
bool enable_privileges() { return false; }
bool stop_process(const ProcessRecord *) { return false; }
