// Releasing tables: each kind of entry owns different blocks.
#include "query.h"

#include <stdlib.h>

void free_table(SegmentTable* table) {
    if (!table) return;
    for (uint32_t i = 0; i < table->count; i++) free(table->entries[i].literal);
    free(table);
}

void free_table(CaptureTable* table) {
    if (!table) return;
    for (uint32_t i = 0; i < table->count; i++) free(table->entries[i].name);
    free(table);
}

void free_table(PieceTable* table) {
    if (!table) return;
    for (uint32_t i = 0; i < table->count; i++) {
        free(table->entries[i].name);
        free(table->entries[i].literal);
    }
    free(table);
}
