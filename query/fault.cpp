// A query's or template's fault, found by compiling them as matching would and
// recording where the compilation stops.
#include "fault.h"

#include "compile.h"
#include "escapes.h"
#include "template.h"

#include <errno.h>

int note_fault(QueryFault* fault, QueryFaultKind kind, size_t position, size_t length,
               int error) {
    if (fault) {
        fault->kind = kind;
        fault->position = static_cast<uint32_t>(position);
        fault->length = static_cast<uint32_t>(length);
    }
    return error;
}

int note_escape_fault(QueryFault* fault, const char* text, const char* run, uint32_t length) {
    uint32_t offset = 0, span = 0;
    QueryFaultKind kind = find_escape_fault(run, length, &offset, &span);
    return note_fault(fault, kind, static_cast<size_t>(run - text) + offset, span, ENOEXEC);
}

QueryFaultKind find_query_fault(const char* query, const char* replacement_template,
                                QueryFault* fault) {
    *fault = {};
    bool replacing = replacement_template != nullptr;
    int error = 0;
    if (query && *query) {
        SegmentTable* segments = nullptr;
        CaptureTable* captures = nullptr;
        error = new_tables(&segments, replacing ? &captures : nullptr);
        if (!error) error = compile_query(query, &segments, replacing ? &captures : nullptr, fault);
        free_table(segments);
        free_table(captures);
    }
    if (!error && replacing) {
        PieceTable* pieces = nullptr;
        error = read_template(replacement_template, &pieces, fault);
        free_table(pieces);
        fault->in_template = error != 0;
    }
    if (error && !fault->kind) fault->kind = QUERY_FAULT_NO_MEMORY;
    return fault->kind;
}
