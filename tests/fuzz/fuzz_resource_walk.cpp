// Fuzzes the resource walk, the address mapping and the carrier decision on hostile bytes.
// Its input is laid out in resource_walk_input.h.
#include "resource_walk_input.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    resource_walk_input in;
    if (!split_resource_walk_input(data, size, in))
        return 0;

    host_data_entry entry;
    (void)find_host_data_entry(in.window.data(), in.window.size(), entry);

    const pe_headers pe = resource_walk_headers(in);
    uint32_t offset;
    (void)rva_to_file_offset(pe, in.rva, in.file_size, offset);

    std::vector<uint8_t> scratch(resource_window_size);
    host_location host{};
    if (locate_host(pe, in.file_size, scratch.data(), host) == carrier_holds_host) {
        // What the cure would copy must lie inside the file.
        if (host.offset > in.file_size || host.size > in.file_size - host.offset)
            __builtin_trap();
    }
    return 0;
}
