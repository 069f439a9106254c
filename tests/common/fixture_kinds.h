// Named test files in the worm's layout, for the programs and scripts that lay out whole
// test drives: "infected", "infected_b", "bare", "host", "plain".
#pragma once

#include "pe_fixture.h"

#include <cstdint>
#include <string>

// The file of that kind; host_size and seed shape the host (infected, host, plain).
// False for an unknown kind.
bool build_fixture(const std::string &kind, uint32_t host_size, uint32_t seed, byte_vector *bytes);
