// Share record reading for the 9x family's share enumeration; see share_records.h.
#include "share_records.h"

#include "ascii_case.h"
#include "byte_reader.h"

#include <cstring>

size_t share_buffer_size(uint16_t total_available)
{
    if (total_available > share_buffer_limit / share_record_size)
        return share_buffer_limit;
    return static_cast<size_t>(total_available) * share_record_size;
}

size_t share_records_usable(uint16_t entries_read, size_t buffer_size)
{
    const size_t fit = buffer_size / share_record_size;
    return entries_read < fit ? entries_read : fit;
}

bool read_share_record(const uint8_t *buffer, size_t buffer_size, size_t index, ShareRecord *out)
{
    byte_reader records(buffer, buffer_size);
    // index whole records before this one, so that index * share_record_size can't wrap.
    if (!records.holds_items(0, index, share_record_size))
        return false;
    byte_reader record = records.sub(index * share_record_size, share_record_size);
    if (record.failed())
        return false;
    // The name may fill all 13 bytes without a terminator: stop at the field's end.
    size_t length = 0;
    while (length < share_name_field && record.u8(length) != 0)
        ++length;
    memcpy(out->name, record.bytes_at(0, length), length);
    out->name[length] = '\0';
    out->type = record.u8(share_name_field);
    return true;
}

bool is_c_disk_share(const ShareRecord &record)
{
    return record.type == share_type_disk && ascii_lower(record.name[0]) == 'c' &&
           record.name[1] == '$' && record.name[2] == '\0';
}
