// The one way the cleaner reads untrusted bytes: a bounded view over the bytes actually
// read, little-endian integers taken out by value, every read checked in subtraction form.
// A read that does not fit gives 0 and latches the failure, so that a parser can make a
// run of reads and test once at the end.
#pragma once

#include <cstddef>
#include <cstdint>

class byte_reader {
public:
    byte_reader(const uint8_t *bytes, size_t size) : bytes_(bytes), size_(bytes ? size : 0) {}

    size_t size() const { return size_; }
    // Whether any read so far (of this view) did not fit.
    bool failed() const { return failed_; }

    // Whether length bytes at offset lie within the bytes held; never wraps.
    bool holds(size_t offset, size_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }

    // Whether count items of item_size bytes each, one after another from offset, lie within
    // the bytes held. Divides instead of multiplying, so a hostile count cannot wrap.
    bool holds_items(size_t offset, size_t count, size_t item_size) const
    {
        return offset <= size_ && (size_ - offset) / item_size >= count;
    }

    uint8_t u8(size_t offset)
    {
        return take(offset, 1) ? bytes_[offset] : 0;
    }

    uint16_t u16(size_t offset)
    {
        if (!take(offset, 2))
            return 0;
        return uint16_t(bytes_[offset] | bytes_[offset + 1] << 8);
    }

    uint32_t u32(size_t offset)
    {
        if (!take(offset, 4))
            return 0;
        return uint32_t(bytes_[offset]) | uint32_t(bytes_[offset + 1]) << 8 |
               uint32_t(bytes_[offset + 2]) << 16 | uint32_t(bytes_[offset + 3]) << 24;
    }

    // The length bytes at offset, for a caller that needs them in place; nullptr (and the
    // failure latched) when they are not all held.
    const uint8_t *bytes_at(size_t offset, size_t length)
    {
        return take(offset, length) ? bytes_ + offset : nullptr;
    }

    // The length bytes at offset as a view of their own, which cannot read past them. When
    // they are not all held, both this view and the returned one (empty) have failed.
    byte_reader sub(size_t offset, size_t length)
    {
        if (!take(offset, length)) {
            byte_reader none(nullptr, 0);
            none.failed_ = true;
            return none;
        }
        return byte_reader(bytes_ + offset, length);
    }

private:
    bool take(size_t offset, size_t length)
    {
        if (holds(offset, length))
            return true;
        failed_ = true;
        return false;
    }

    const uint8_t *bytes_;
    size_t size_;
    bool failed_ = false;
};
