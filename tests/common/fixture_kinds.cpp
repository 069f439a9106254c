// Named test files in the worm's layout; see fixture_kinds.h.
#include "fixture_kinds.h"

bool build_fixture(const std::string &kind, uint32_t host_size, uint32_t seed, byte_vector *bytes)
{
    if (kind == "infected")
        *bytes = build_worm_program(infected_layout(make_host_program(host_size, seed))).bytes;
    else if (kind == "infected_b")
        *bytes = build_worm_program(infected_layout(make_host_program(host_size, seed),
                                                    worm_code::signature_b)).bytes;
    else if (kind == "bare")
        *bytes = build_worm_program(bare_copy_layout()).bytes;
    else if (kind == "host")
        *bytes = make_host_program(host_size, seed);
    else if (kind == "plain")
        *bytes = build_worm_program(infected_layout(make_host_program(host_size, seed),
                                                    worm_code::none)).bytes;
    else
        return false;
    return true;
}
