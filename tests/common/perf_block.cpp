// Performance data fixtures laid out as the platform's structures; see perf_block.h.
#include "perf_block.h"

namespace {

const size_t block_size = 88, object_size = 64, counter_size = 40, instance_size = 24;
const size_t counter_block_length = 24;  // ByteLength, padding, 8-byte counter, identifier, padding

void put_u64(std::vector<uint8_t> &bytes, size_t offset, uint64_t value)
{
    put_u32(bytes, offset, uint32_t(value));
    put_u32(bytes, offset + 4, uint32_t(value >> 32));
}

size_t padded_name_bytes(const std::u16string &name)
{
    return ((name.size() + 1) * 2 + 7) / 8 * 8;
}

void put_counter(std::vector<uint8_t> &bytes, size_t at, uint32_t title, uint32_t size,
                 uint32_t offset, uint32_t type)
{
    put_u32(bytes, at + 0, counter_size);  // ByteLength
    put_u32(bytes, at + 4, title);         // CounterNameTitleIndex
    put_u32(bytes, at + 12, title + 1);    // CounterHelpTitleIndex
    put_u32(bytes, at + 28, type);         // CounterType
    put_u32(bytes, at + 32, size);         // CounterSize
    put_u32(bytes, at + 36, offset);       // CounterOffset
}

}  // namespace

void put_u32(std::vector<uint8_t> &bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = uint8_t(value >> (8 * i));
}

std::vector<uint8_t> build_process_object(const std::vector<PerfInstance> &instances,
                                          uint32_t object_title, uint32_t id_title)
{
    const size_t definitions = object_size + 2 * counter_size;
    std::vector<uint8_t> bytes(definitions);
    put_counter(bytes, object_size, 6, 8, 8, 0x20510500);  // PERF_100NSEC_TIMER
    put_counter(bytes, object_size + counter_size, id_title, 4, 16, 0x10000);  // PERF_COUNTER_RAWCOUNT
    for (const PerfInstance &instance : instances) {
        const size_t at = bytes.size();
        const size_t name_bytes = padded_name_bytes(instance.name);
        bytes.resize(at + instance_size + name_bytes + counter_block_length);
        put_u32(bytes, at + 0, uint32_t(instance_size + name_bytes));  // ByteLength
        put_u32(bytes, at + 12, 0xFFFFFFFF);                           // UniqueID: none
        put_u32(bytes, at + 16, instance_size);                        // NameOffset
        put_u32(bytes, at + 20, uint32_t((instance.name.size() + 1) * 2));  // NameLength
        for (size_t i = 0; i < instance.name.size(); ++i) {
            bytes[at + instance_size + 2 * i] = uint8_t(instance.name[i]);
            bytes[at + instance_size + 2 * i + 1] = uint8_t(instance.name[i] >> 8);
        }
        const size_t block = at + instance_size + name_bytes;
        put_u32(bytes, block, counter_block_length);
        put_u64(bytes, block + 8, 12345678);
        put_u32(bytes, block + 16, instance.process_id);
    }
    put_u32(bytes, 0, uint32_t(bytes.size()));   // TotalByteLength
    put_u32(bytes, 4, uint32_t(definitions));    // DefinitionLength
    put_u32(bytes, 8, object_size);              // HeaderLength
    put_u32(bytes, 12, object_title);            // ObjectNameTitleIndex
    put_u32(bytes, 20, object_title + 1);        // ObjectHelpTitleIndex
    put_u32(bytes, 28, 100);                     // DetailLevel: novice
    put_u32(bytes, 32, 2);                       // NumCounters
    put_u32(bytes, 36, 0);                       // DefaultCounter
    put_u32(bytes, 40, uint32_t(instances.size()));  // NumInstances
    put_u64(bytes, 56, 10000000);                // PerfFreq
    return bytes;
}

std::vector<uint8_t> build_perf_block(const std::vector<uint8_t> &object)
{
    std::vector<uint8_t> bytes(block_size + object.size());
    const char signature[] = "PERF";
    for (int i = 0; i < 4; ++i)
        bytes[2 * i] = uint8_t(signature[i]);
    put_u32(bytes, 8, 1);   // LittleEndian
    put_u32(bytes, 12, 1);  // Version
    put_u32(bytes, 16, 1);  // Revision
    put_u32(bytes, 20, uint32_t(block_size + object.size()));  // TotalByteLength
    put_u32(bytes, 24, block_size);                           // HeaderLength
    put_u32(bytes, 28, 1);                                    // NumObjectTypes
    put_u32(bytes, 32, 230);                                  // DefaultObject
    for (size_t i = 0; i < object.size(); ++i)
        bytes[block_size + i] = object[i];
    return bytes;
}

PerfLayout perf_layout(const std::vector<PerfInstance> &instances)
{
    PerfLayout layout;
    layout.object = block_size;
    layout.first_counter = block_size + object_size;
    size_t at = block_size + object_size + 2 * counter_size;
    for (const PerfInstance &instance : instances) {
        layout.instances.push_back(at);
        layout.blocks.push_back(at + instance_size + padded_name_bytes(instance.name));
        at = layout.blocks.back() + counter_block_length;
    }
    return layout;
}

std::vector<uint8_t> build_counter_titles(const std::vector<std::pair<std::string, std::string>> &pairs)
{
    std::vector<uint8_t> bytes;
    for (const auto &pair : pairs) {
        bytes.insert(bytes.end(), pair.first.begin(), pair.first.end());
        bytes.push_back(0);
        bytes.insert(bytes.end(), pair.second.begin(), pair.second.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
    return bytes;
}
