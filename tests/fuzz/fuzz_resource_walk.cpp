// Fuzzes the resource walk, the address mapping and the carrier decision on hostile bytes.
// Input: 4 bytes of file size, 4 bytes of an address to map, then up to 2,048 bytes of
// resource window, then the header bytes from the PE signature on.
#include "byte_reader.h"
#include "pe_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct virtual_file {
    const std::vector<uint8_t> *headers;
    const std::vector<uint8_t> *window;
    uint32_t pe_offset;
    uint32_t size;
};

// Headers at pe_offset, the window repeated from the smallest directory offset on, zeros
// elsewhere: lets the fuzzer reach the walk through the whole decision.
uint32_t read_virtual(void *context, uint64_t offset, uint8_t *buffer, uint32_t count)
{
    const auto *file = static_cast<const virtual_file *>(context);
    if (offset >= file->size)
        return 0;
    const uint32_t got = uint32_t(std::min<uint64_t>(count, file->size - offset));
    for (uint32_t i = 0; i < got; ++i) {
        const uint64_t at = offset + i;
        uint8_t b = 0;
        if (at >= file->pe_offset && at - file->pe_offset < file->headers->size())
            b = (*file->headers)[size_t(at - file->pe_offset)];
        else if (at >= carrier_min_directory_offset && !file->window->empty())
            b = (*file->window)[size_t((at - carrier_min_directory_offset) % file->window->size())];
        buffer[i] = b;
    }
    return got;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    byte_reader input(data, size);
    const uint32_t file_size = input.u32(0);
    const uint32_t rva = input.u32(4);
    if (input.failed())
        return 0;
    data += 8;
    size -= 8;
    // Exact-size heap copies, so that any read past what was "read" is caught.
    const size_t window_size = std::min<size_t>(size, resource_window_size);
    const std::vector<uint8_t> window(data, data + window_size);
    const std::vector<uint8_t> headers(data + window_size, data + size);

    host_data_entry entry;
    (void)find_host_data_entry(window.data(), window.size(), entry);

    virtual_file file{&headers, &window, 0x40, file_size};
    const pe_headers pe{headers.data(), std::min<size_t>(headers.size(), pe_header_size),
                        file.pe_offset, read_virtual, &file};
    uint32_t offset;
    (void)rva_to_file_offset(pe, rva, file_size, offset);

    std::vector<uint8_t> scratch(resource_window_size);
    host_location host{};
    if (locate_host(pe, file_size, scratch.data(), host) == carrier_holds_host) {
        // What the cure would copy must lie inside the file.
        if (host.offset > file_size || host.size > file_size - host.offset)
            __builtin_trap();
    }
    return 0;
}
