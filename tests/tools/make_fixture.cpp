// Writes one test file in the worm's layout, for the scripts that lay out whole test drives
// (the demo and the 32-bit tier): make_fixture KIND PATH [HOST_SIZE SEED]
#include "fixture_kinds.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: make_fixture infected|infected_b|bare|host|plain PATH [HOST_SIZE SEED]\n");
        return 2;
    }
    const uint32_t size = argc > 3 ? static_cast<uint32_t>(strtoul(argv[3], nullptr, 10)) : 3000;
    const uint32_t seed = argc > 4 ? static_cast<uint32_t>(strtoul(argv[4], nullptr, 10)) : 1;
    byte_vector bytes;
    if (!build_fixture(argv[1], size, seed, &bytes)) {
        fprintf(stderr, "make_fixture: unknown kind %s\n", argv[1]);
        return 2;
    }
    return save_file(argv[2], bytes) ? 0 : 1;
}
