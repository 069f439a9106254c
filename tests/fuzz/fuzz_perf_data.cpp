// Fuzzes the counter titles reader and the process object walk with arbitrary bytes.
#include "perf_data.h"

#include <cstddef>
#include <cstdint>

namespace {

// Touches every unit of the name, so a name outside the bytes shows under the sanitizer.
void read_name(void *context, uint32_t process_id, const uint8_t *name, size_t name_units)
{
    uint32_t *sum = static_cast<uint32_t *>(context);
    *sum += process_id;
    for (size_t i = 0; i < name_units * 2; ++i)
        *sum += name[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ProcessTitles titles = find_process_titles(data, size);
    uint32_t sum = 0;
    walk_process_instances(data, size, 784, 511, read_name, &sum);
    if (titles.have_id_counter)
        walk_process_instances(data, size, titles.id_counter_index, 3, read_name, &sum);
    return int(sum & 0);
}
