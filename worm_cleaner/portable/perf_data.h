// Reading the process list out of the system's performance data: the English counter
// titles and the walk over the process object's instances, over the bytes as returned.
#pragma once

#include <cstddef>
#include <cstdint>

// Sizes of the platform's performance data structures, as the data lays them out.
const size_t perf_data_block_size = 88;          // PERF_DATA_BLOCK
const size_t perf_object_type_size = 64;         // PERF_OBJECT_TYPE
const size_t perf_counter_definition_size = 40;  // PERF_COUNTER_DEFINITION
const size_t perf_instance_definition_size = 24; // PERF_INSTANCE_DEFINITION
const size_t perf_counter_block_size = 4;        // PERF_COUNTER_BLOCK

// What the English counter titles say about the process object.
struct ProcessTitles {
    bool have_object;           // a "process" title with an index before it
    char object_index[12];      // that index as decimal text: the value asked for
    bool have_id_counter;       // an "id process" title with an index before it
    uint32_t id_counter_index;  // the title index of the process identifier counter
};

// Walks the "Counters" text (NUL-terminated strings, each title after its index, ended by
// an empty string or by the end of the bytes). Titles are matched without regard to case;
// when one occurs more than once, the last occurrence with an index before it wins.
ProcessTitles find_process_titles(const uint8_t *titles, size_t size);

// Called for each listed instance in the order of the data. name points at the instance's
// UTF-16LE name (not aligned), name_units code units long before its terminator.
typedef void (*PerfProcessVisitor)(void *context, uint32_t process_id, const uint8_t *name,
                                   size_t name_units);

// Walks the process object of a performance data block and hands at most max_records
// instances to visit; returns how many it handed over. A process identifier of 0 is
// handed over as 0xFFFFFFFE. Every offset and length is checked against size: a block
// without the "PERF" signature, an object or counter definitions that don't fit, no counter
// with id_counter_index, or a negative or oversized instance count gives 0; an instance that
// would lead outside the bytes ends the walk before it.
size_t walk_process_instances(const uint8_t *data, size_t size, uint32_t id_counter_index,
                              size_t max_records, PerfProcessVisitor visit, void *context);
