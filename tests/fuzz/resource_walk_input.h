// The resource walk fuzz target's input as a file: 4 bytes of file size, 4 bytes of an
// address to map, then up to 2,048 bytes of resource window, then the header bytes from the
// PE signature on. Shared by the fuzz target and the native test of its pinned inputs.
#pragma once

#include "byte_reader.h"
#include "pe_image.h"

#include <algorithm>
#include <cstdint>
#include <vector>

struct resource_walk_input {
    uint32_t file_size = 0;
    uint32_t rva = 0;
    // Exact-size heap copies, so that any read past what was "read" is caught.
    std::vector<uint8_t> window;
    std::vector<uint8_t> headers;
    uint32_t pe_offset = 0x40;
};

// Splits the bytes; false when they are too few to hold the two numbers.
inline bool split_resource_walk_input(const uint8_t *data, size_t size, resource_walk_input &in)
{
    byte_reader numbers(data, size);
    in.file_size = numbers.u32(0);
    in.rva = numbers.u32(4);
    if (numbers.failed())
        return false;
    data += 8;
    size -= 8;
    const size_t window_size = std::min<size_t>(size, resource_window_size);
    in.window.assign(data, data + window_size);
    in.headers.assign(data + window_size, data + size);
    return true;
}

// Headers at pe_offset, the window repeated from the smallest directory offset on, zeros
// elsewhere: lets the fuzzer reach the walk through the whole decision.
inline uint32_t read_resource_walk_input(void *context, uint64_t offset, uint8_t *buffer, uint32_t count)
{
    const auto *file = static_cast<const resource_walk_input *>(context);
    if (offset >= file->file_size)
        return 0;
    const uint32_t got = uint32_t(std::min<uint64_t>(count, file->file_size - offset));
    for (uint32_t i = 0; i < got; ++i) {
        const uint64_t at = offset + i;
        uint8_t b = 0;
        if (at >= file->pe_offset && at - file->pe_offset < file->headers.size())
            b = file->headers[size_t(at - file->pe_offset)];
        else if (at >= carrier_min_directory_offset && !file->window.empty())
            b = file->window[size_t((at - carrier_min_directory_offset) % file->window.size())];
        buffer[i] = b;
    }
    return got;
}

inline pe_headers resource_walk_headers(resource_walk_input &in)
{
    return pe_headers{in.headers.data(), std::min<size_t>(in.headers.size(), pe_header_size),
                      in.pe_offset, read_resource_walk_input, &in};
}
