// Fuzz target: an enumeration answer (16-bit entries-read count, then the record bytes)
// read the way the share repair reads it.
#include "share_records.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint16_t entries_read = static_cast<uint16_t>(data[0] | (data[1] << 8));
    // An exact-size copy, so that any read past the records' bytes is caught.
    std::vector<uint8_t> buffer(data + 2, data + size);
    const size_t usable = share_records_usable(entries_read, buffer.size());
    static volatile size_t matches;  // keeps the reads from being optimised away
    for (size_t i = 0; i < usable; ++i) {
        ShareRecord record;
        if (!read_share_record(buffer.data(), buffer.size(), i, &record))
            __builtin_trap();  // a usable record must lie inside the buffer
        if (strlen(record.name) > share_name_field)
            __builtin_trap();
        if (is_c_disk_share(record))
            ++matches;
    }
    ShareRecord past;
    if (read_share_record(buffer.data(), buffer.size(), buffer.size() / share_record_size, &past))
        __builtin_trap();
    return 0;
}
