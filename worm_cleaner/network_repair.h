// Closing the network opening the worm used: the c$ share (9x) or a guest administrator (NT).
#pragma once

#include <windows.h>

void repair_network_access();
bool remove_c_share(HMODULE library);
bool remove_guest_from_administrators();
