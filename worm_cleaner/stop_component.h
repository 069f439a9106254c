// Stopping a worm component: its service, its running processes and its service keys.
#pragma once

#include "process_list.h"

bool stop_worm_component(const char *name);
bool enable_privileges();
bool stop_process(const ProcessRecord *record);
