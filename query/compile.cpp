// A query is literal text interleaved with `*`, `?` and `%name%`. Each special item opens a
// segment that also takes the literal run after it; only the first segment may begin
// with literal text instead.
#include "compile.h"

#include "fault.h"
#include "heap.h"
#include "name.h"
#include "table.h"

#include <errno.h>
#include <string.h>

namespace {

bool is_special(char c) { return c == '*' || c == '?' || c == '%'; }

// The end of a literal run: the first special byte from `scan` on that is not escaped, or
// the query's end. A special byte is escaped by the one backslash before it, unless that
// backslash is itself escaped; only those two bytes are looked at.
const char* run_end(const char* query, const char* scan) {
    const char* p = scan;
    for (; *p; p++) {
        if (!is_special(*p)) continue;
        bool escaped = p > query && p[-1] == '\\' && (p - 1 == query || p[-2] != '\\');
        if (!escaped) return p;
    }
    return p;
}

// Decodes the run [run, end) into the segment's own NUL-terminated block.
int read_literal(const char* run, const char* end, SegmentEntry* segment) {
    uint32_t length = static_cast<uint32_t>(end - run);
    if (length == 0) return 0;
    char* block = static_cast<char*>(heap_alloc(static_cast<size_t>(length) + 1));
    if (!block) return ENOMEM;
    segment->literal = block;
    uint32_t decoded = decode_escapes(run, block, length);
    if (decoded == 0) return ENOEXEC;
    block[decoded] = '\0';
    segment->literal_size = decoded + 1;
    if (char* smaller = static_cast<char*>(heap_resize(block, decoded + 1)))
        segment->literal = smaller;
    return 0;
}

}  // namespace

uint32_t leading_literal_length(const char* query) {
    if (*query == '\0' || is_special(*query)) return 0;
    return static_cast<uint32_t>(run_end(query, query + 1) - query);
}

int compile_query(const char* query, SegmentTable** segments, CaptureTable** captures,
                  QueryFault* fault) {
    uint32_t segment_count = 0, capture_count = 0;
    const char* cursor = query;
    for (;;) {
        SegmentEntry* segment = &(*segments)->entries[segment_count];
        const char* run = cursor + 1;  // the literal run after the special item
        const char* scan = run;        // where its end is looked for
        switch (*cursor) {
        case '*': segment->kind = SEG_ANY; break;
        case '?': segment->kind = SEG_ONE; break;
        case '%': {
            const char* close = strchr(cursor + 1, '%');
            if (!close)
                return note_fault(fault, QUERY_FAULT_UNCLOSED_NAME, cursor - query, 1, EAGAIN);
            if (captures) {
                int error = copy_name(cursor + 1, static_cast<size_t>(close - cursor - 1),
                                      &(*captures)->entries[capture_count].name);
                if (error == EAGAIN)
                    return note_fault(fault, QUERY_FAULT_BAD_NAME, cursor - query,
                                      close - cursor + 1, EAGAIN);
                if (error) return error;
                segment->kind = static_cast<int32_t>(capture_count++);
            } else {
                segment->kind = SEG_ANY;
            }
            run = scan = close + 1;
            break;
        }
        default:  // only the query's first byte gets here
            segment->kind = SEG_TEXT;
            run = cursor;
            break;
        }
        const char* end = run_end(query, scan);
        if (int error = read_literal(run, end, segment)) {
            if (error != ENOEXEC) return error;
            return note_escape_fault(fault, query, run, static_cast<uint32_t>(end - run));
        }
        segment_count++;
        if (*end == '\0') break;
        if (segment_count == MAX_TABLE_ENTRIES)  // captures never outnumber segments
            return note_fault(fault, QUERY_FAULT_TOO_MANY_PARTS, end - query, 1, E2BIG);
        cursor = end;
    }
    *segments = table_finish(*segments, segment_count);
    if (captures) *captures = table_finish(*captures, capture_count);
    return 0;
}
