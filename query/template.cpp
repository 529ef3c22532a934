// The template is split after decoding, so `\%` and `\x25` open and close references
// just as a typed `%` does, and no literal ever holds a `%`.
#include "template.h"

#include "fault.h"
#include "heap.h"
#include "name.h"
#include "table.h"

#include <errno.h>
#include <string.h>

namespace {

// The next `%` in [from, end), or end.
const char* next_percent(const char* from, const char* end) {
    const void* found = memchr(from, '%', static_cast<size_t>(end - from));
    return found ? static_cast<const char*>(found) : end;
}

int read_literal(const char* literal, const char* literal_end, PieceEntry* piece) {
    size_t length = static_cast<size_t>(literal_end - literal);
    if (length == 0) return 0;
    char* block = static_cast<char*>(heap_alloc(length));
    if (!block) return ENOMEM;
    memcpy(block, literal, length);
    piece->literal = block;
    piece->literal_length = static_cast<uint32_t>(length);
    return 0;
}

}  // namespace

int split_template(const char* decoded, uint32_t length, PieceTable** pieces,
                   QueryFault* fault) {
    const char* position = decoded;
    const char* end = decoded + length;
    uint32_t count = 0;
    for (;;) {
        PieceEntry* piece = &(*pieces)->entries[count];
        if (*position == '%') {
            // A reference at the very end needs no closing `%`.
            const char* name_end = next_percent(position + 1, end);
            size_t name_length = static_cast<size_t>(name_end - position - 1);
            const char* after = name_end == end ? end : name_end + 1;
            int error = copy_name(position + 1, name_length, &piece->name);
            if (error == EAGAIN)
                return note_fault(fault, QUERY_FAULT_BAD_NAME, position - decoded,
                                  after - position, EAGAIN);
            if (error) return error;
            position = after;
        }
        const char* literal_end = next_percent(position, end);
        if (int error = read_literal(position, literal_end, piece)) return error;
        position = literal_end;
        count++;
        if (position == end) break;
        if (count == MAX_TABLE_ENTRIES)
            return note_fault(fault, QUERY_FAULT_TOO_MANY_PARTS, position - decoded, 1, E2BIG);
    }
    *pieces = table_finish(*pieces, count);
    return 0;
}
