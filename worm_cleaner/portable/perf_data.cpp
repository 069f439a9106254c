// The counter titles and the process object walk over untrusted performance data bytes.
#include "perf_data.h"

#include "ascii_case.h"
#include "byte_reader.h"

#include <cstring>

namespace {

// Whether a title (length bytes) is word, ASCII letters compared without case.
bool is_title(const uint8_t *text, size_t length, const char *word)
{
    return equal_ignoring_ascii_case(text, length, word, strlen(word));
}

// The decimal digits at the end of a string: the title index written before a title.
// Returns false when there are none or more than the index buffer holds.
bool trailing_digits(const uint8_t *text, size_t length, char *out, size_t out_capacity)
{
    size_t start = length;
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9')
        --start;
    const size_t count = length - start;
    if (count == 0 || count >= out_capacity)
        return false;
    memcpy(out, text + start, count);
    out[count] = '\0';
    return true;
}

// Decimal text to a title index; false when it doesn't fit in 32 bits.
bool parse_index(const char *digits, uint32_t *value)
{
    uint64_t result = 0;
    for (const char *p = digits; *p; ++p) {
        result = result * 10 + uint64_t(*p - '0');
        if (result > 0xFFFFFFFFu)
            return false;
    }
    *value = uint32_t(result);
    return true;
}

}  // namespace

ProcessTitles find_process_titles(const uint8_t *titles, size_t size)
{
    ProcessTitles found = {};
    const uint8_t *previous = nullptr;
    size_t previous_length = 0;
    size_t pos = 0;
    while (pos < size) {
        const uint8_t *text = titles + pos;
        const void *end = memchr(text, 0, size - pos);
        // The last string may lack its terminator: it then runs to the end of the bytes.
        const size_t length = end ? size_t(static_cast<const uint8_t *>(end) - text) : size - pos;
        if (length == 0)
            break;
        char digits[sizeof found.object_index];
        if (previous && is_title(text, length, "process")) {
            if (trailing_digits(previous, previous_length, digits, sizeof digits)) {
                memcpy(found.object_index, digits, sizeof digits);
                found.have_object = true;
            }
        } else if (previous && is_title(text, length, "id process")) {
            uint32_t index;
            if (trailing_digits(previous, previous_length, digits, sizeof digits) &&
                parse_index(digits, &index)) {
                found.id_counter_index = index;
                found.have_id_counter = true;
            }
        }
        previous = text;
        previous_length = length;
        if (!end)
            break;
        pos += length + 1;
    }
    return found;
}

size_t walk_process_instances(const uint8_t *data, size_t size, uint32_t id_counter_index,
                              size_t max_records, PerfProcessVisitor visit, void *context)
{
    static const uint8_t signature[8] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
    byte_reader bytes(data, size);
    const uint8_t *block_header = bytes.bytes_at(0, perf_data_block_size);
    if (!block_header || memcmp(block_header, signature, sizeof signature) != 0)
        return 0;

    // The process object follows the block header.
    const size_t object = bytes.u32(24);  // PERF_DATA_BLOCK.HeaderLength
    byte_reader object_type = bytes.sub(object, perf_object_type_size);
    const uint32_t definition_length = object_type.u32(4);
    const uint32_t header_length = object_type.u32(8);
    const uint32_t num_counters = object_type.u32(32);
    const int32_t num_instances = int32_t(object_type.u32(40));
    if (object_type.failed())
        return 0;

    // Counter definitions follow each other at their fixed size.
    if (!bytes.holds(object, header_length))
        return 0;
    const size_t definitions = object + header_length;
    if (!bytes.holds_items(definitions, num_counters, perf_counter_definition_size))
        return 0;
    bool have_offset = false;
    uint32_t counter_offset = 0;
    for (uint32_t i = 0; i < num_counters; ++i) {
        const size_t definition = definitions + size_t(i) * perf_counter_definition_size;
        if (bytes.u32(definition + 4) == id_counter_index) {  // CounterNameTitleIndex
            counter_offset = bytes.u32(definition + 36);     // CounterOffset
            have_offset = true;
            break;
        }
    }
    if (!have_offset)
        return 0;

    // Negative counts mean an object without instances; a count that can't fit in the
    // bytes that follow is not believed at all.
    if (num_instances < 0 || !bytes.holds(object, definition_length))
        return 0;
    size_t instance = object + definition_length;
    const size_t smallest_instance = perf_instance_definition_size + perf_counter_block_size;
    if (!bytes.holds_items(instance, uint32_t(num_instances), smallest_instance))
        return 0;

    size_t count = uint32_t(num_instances);
    if (count > max_records)
        count = max_records;
    for (size_t listed = 0; listed < count; ++listed) {
        if (!bytes.holds(instance, perf_instance_definition_size))
            return listed;
        const uint32_t byte_length = bytes.u32(instance);
        const uint32_t name_offset = bytes.u32(instance + 16);
        if (byte_length < perf_instance_definition_size || !bytes.holds(instance, byte_length))
            return listed;

        // The name runs to its terminator, which must lie inside the bytes.
        if (!bytes.holds(instance, name_offset))
            return listed;
        const size_t name = instance + name_offset;
        size_t units = 0;
        for (;;) {
            const size_t at = name + units * 2;
            if (!bytes.holds(at, 2))
                return listed;
            if (bytes.u16(at) == 0)
                break;
            ++units;
        }

        // The counter block follows the instance; the identifier must lie inside it.
        const size_t counters_at = instance + byte_length;
        if (!bytes.holds(counters_at, perf_counter_block_size))
            return listed;
        const uint32_t block_length = bytes.u32(counters_at);
        if (!bytes.holds(counters_at, block_length))
            return listed;
        byte_reader counters = bytes.sub(counters_at, block_length);
        if (!counters.holds(counter_offset, 4))
            return listed;
        uint32_t process_id = counters.u32(counter_offset);
        if (process_id == 0)
            process_id = 0xFFFFFFFE;

        visit(context, process_id, bytes.bytes_at(name, units * 2), units);
        instance = counters_at + block_length;
    }
    return count;
}
