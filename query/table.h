// Building the engine's tables: a header of `byte_size` and `count`, then entries.
// A table is made at full capacity with every entry empty and `count` at the capacity,
// so that free_table releases whatever a failed build had filled in; it is shrunk to its
// final count when complete.
#pragma once

#include "heap.h"
#include "query.h"

#include <stddef.h>
#include <string.h>

template <typename Table>
size_t table_bytes(uint32_t count) {
    return offsetof(Table, entries) + count * sizeof(Table::entries[0]);
}

template <typename Table>
Table* table_new() {
    size_t bytes = table_bytes<Table>(MAX_TABLE_ENTRIES);
    Table* table = static_cast<Table*>(heap_alloc(bytes));
    if (!table) return nullptr;
    memset(table, 0, bytes);
    table->byte_size = static_cast<uint32_t>(bytes);
    table->count = MAX_TABLE_ENTRIES;
    return table;
}

// Sets the final count and gives back the unused entries. Should the heap refuse to
// shrink, the table keeps its block, and its byte_size, unchanged.
template <typename Table>
Table* table_finish(Table* table, uint32_t count) {
    table->count = count;
    size_t bytes = table_bytes<Table>(count);
    Table* smaller = static_cast<Table*>(heap_resize(table, bytes));
    if (!smaller) return table;
    smaller->byte_size = static_cast<uint32_t>(bytes);
    return smaller;
}
