// Reading the share records that the 9x family's share enumeration (level 50) returns.
#pragma once

#include <cstddef>
#include <cstdint>

// One level-50 record: 13 bytes of share name, then the share type byte, then fields
// this program does not use.
const size_t share_record_size = 42;
const size_t share_name_field = 13;
const uint8_t share_type_disk = 0;

// The enumeration takes its buffer size as a 16-bit number: the largest buffer of whole
// records that the size can describe.
const size_t share_buffer_limit = (0xFFFF / share_record_size) * share_record_size;
static_assert(share_buffer_limit <= 0xFFFF, "the buffer size must fit 16 bits");
static_assert(share_buffer_limit % share_record_size == 0, "the buffer holds whole records");

struct ShareRecord {
    char name[share_name_field + 1];  // always terminated, even when the record's is not
    uint8_t type;
};

// Bytes to offer the second enumeration for the reported number of shares: room for all
// of them, or as many whole records as a 16-bit size allows.
size_t share_buffer_size(uint16_t total_available);

// How many records may be examined: the count the enumeration reported, but never more
// than the buffer actually allocated can hold.
size_t share_records_usable(uint16_t entries_read, size_t buffer_size);

// Copies record `index` out of the buffer. False when the record does not lie wholly
// inside the buffer.
bool read_share_record(const uint8_t *buffer, size_t buffer_size, size_t index, ShareRecord *out);

// The worm's opening: a disk share named "c$", whatever the case of its letter.
bool is_c_disk_share(const ShareRecord &record);
