// Where a match may begin: the literal prefix of a query, for the folder search's scan.
#include "query.h"

#include "heap.h"

#include <string.h>

uint32_t literal_prefix_length(const char* query) {
    return static_cast<uint32_t>(strcspn(query, "*?%\\"));
}

int candidate_prefix(const char* query, uint32_t prefix_length, const char** bytes,
                     uint32_t* length, char** block) {
    *block = nullptr;
    size_t query_length = strlen(query);
    if (query_length == 0) return 0;
    size_t count = prefix_length < query_length ? prefix_length : query_length;
    *bytes = query;
    if (count == 0) {
        // A query that opens with a backslash: its leading literal as decoded.
        size_t run = leading_literal_length(query);
        if (run > 0) {
            *block = static_cast<char*>(heap_alloc(run));
            if (!*block) return -1;
            count = decode_escapes(query, *block, static_cast<uint32_t>(run));
            if (count == 0) return 0;
            const void* zero = memchr(*block, 0, count);
            if (zero) count = static_cast<size_t>(static_cast<const char*>(zero) - *block);
            *bytes = *block;
        }
    }
    *length = static_cast<uint32_t>(count);
    return 1;
}
