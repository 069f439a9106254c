// Builds performance data as the platform lays it out: a PERF_DATA_BLOCK, one process
// object (PERF_OBJECT_TYPE, PERF_COUNTER_DEFINITIONs, then PERF_INSTANCE_DEFINITION and
// PERF_COUNTER_BLOCK per instance), and the "Counters" title text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct PerfInstance {
    std::u16string name;
    uint32_t process_id;
};

// Offsets of the fields the tests change, from the start of their structure.
namespace perf_field {
const size_t block_header_length = 24;     // PERF_DATA_BLOCK.HeaderLength
const size_t block_total_length = 20;      // PERF_DATA_BLOCK.TotalByteLength
const size_t object_definition_length = 4; // PERF_OBJECT_TYPE.DefinitionLength
const size_t object_header_length = 8;     // PERF_OBJECT_TYPE.HeaderLength
const size_t object_num_counters = 32;     // PERF_OBJECT_TYPE.NumCounters
const size_t object_num_instances = 40;    // PERF_OBJECT_TYPE.NumInstances
const size_t counter_title_index = 4;      // PERF_COUNTER_DEFINITION.CounterNameTitleIndex
const size_t counter_offset = 36;          // PERF_COUNTER_DEFINITION.CounterOffset
const size_t instance_byte_length = 0;     // PERF_INSTANCE_DEFINITION.ByteLength
const size_t instance_name_offset = 16;    // PERF_INSTANCE_DEFINITION.NameOffset
}  // namespace perf_field

// The process object alone, as a provider's collect function returns it. Two counters:
// "% Processor Time" (title 6, 8 bytes at offset 8) and "ID Process" (id_title, 4 bytes at
// offset 16), so the identifier is not the first counter.
std::vector<uint8_t> build_process_object(const std::vector<PerfInstance> &instances,
                                          uint32_t object_title = 230, uint32_t id_title = 784);

// A whole block as a query returns it: the data block header, then the object.
std::vector<uint8_t> build_perf_block(const std::vector<uint8_t> &object);

// Where the structures of a block from build_perf_block lie.
struct PerfLayout {
    size_t object;                  // the PERF_OBJECT_TYPE
    size_t first_counter;           // the first PERF_COUNTER_DEFINITION
    std::vector<size_t> instances;  // each PERF_INSTANCE_DEFINITION
    std::vector<size_t> blocks;     // each PERF_COUNTER_BLOCK
};
PerfLayout perf_layout(const std::vector<PerfInstance> &instances);

// The "Counters" text: "index\0title\0" for each pair, then the closing empty string.
std::vector<uint8_t> build_counter_titles(const std::vector<std::pair<std::string, std::string>> &pairs);

void put_u32(std::vector<uint8_t> &bytes, size_t offset, uint32_t value);
