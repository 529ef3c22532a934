// Finding the first match of a query: greedy and leftmost, each literal taken at its
// first occurrence from the current position on, and never a step back.
#include "query.h"

#include "compile.h"
#include "search.h"
#include "table.h"
#include "template.h"

#include <errno.h>
#include <string.h>

namespace {

// Runs the compiled segments over the text [text, end); the match start, or null when
// there is none. Nothing here reads or reports beyond `end`. With `may_end_sooner`, `end`
// is only a bound: the text ends at its first zero byte if one comes before.
const char* run_segments(const char* text, const char* end, bool may_end_sooner,
                         const SegmentTable* segments, CaptureTable* captures,
                         uint32_t* match_length) {
    const char* position = text;
    const char* start = text;
    for (uint32_t i = 0; i < segments->count; i++) {
        const SegmentEntry& segment = segments->entries[i];
        if (segment.kind == SEG_ONE) {
            if (position == end) return nullptr;  // no byte left to step over
            position++;
        }
        CaptureEntry* capture = segment.kind >= 0 ? &captures->entries[segment.kind] : nullptr;
        if (capture) capture->start = position;
        if (!segment.literal) continue;

        // Only the bytes before the literal's first zero are compared; the position still
        // moves by its whole decoded length.
        const char* found = find_bytes(position, end, segment.literal, strlen(segment.literal));
        if (!found) return nullptr;
        size_t advance = segment.literal_size - 1;
        if (advance > static_cast<size_t>(end - found)) return nullptr;
        if (i == 0) start = found;
        position = found + advance;
        if (capture) capture->length = static_cast<int32_t>(found - capture->start);
    }
    const SegmentEntry& last = segments->entries[segments->count - 1];
    bool to_text_end = last.kind == SEG_ANY && !last.literal;
    if (may_end_sooner) {
        // A run that never passed a zero byte is the run over the shorter text too: each
        // literal was the first occurrence in the longer text, so in the shorter one as
        // well. A run that passed one fails on the shorter text, at the step that crossed
        // it. So the bytes are looked at only as far as the run went.
        if (memchr(text, 0, static_cast<size_t>(position - text))) return nullptr;
        if (to_text_end && match_length) {
            const void* zero = memchr(position, 0, static_cast<size_t>(end - position));
            if (zero) end = static_cast<const char*>(zero);
        }
    }
    if (match_length)
        *match_length = static_cast<uint32_t>((to_text_end ? end : position) - start);
    return start;
}

// The entry checks of every matching call, in their order: a null text, then an empty
// text or query, which give no match before a query's faults are looked at. Returns 1
// when they end the call (errno and match_length set), 0 to go on.
int ended_at_entry(const char* text, const size_t* limit, bool empty_query,
                   uint32_t* match_length) {
    errno = 0;
    if (!text) {
        errno = EINVAL;
        return 1;
    }
    if ((limit && *limit == 0) || *text == '\0' || empty_query) {
        if (match_length) *match_length = 0;
        return 1;
    }
    return 0;
}

}  // namespace

int new_tables(SegmentTable** segments, CaptureTable** captures) {
    *segments = table_new<SegmentTable>();
    if (*segments && captures) {
        *captures = table_new<CaptureTable>();
        if (!*captures) {
            free_table(*segments);
            *segments = nullptr;
        }
    }
    return *segments ? 0 : ENOMEM;
}

const char* match_query(const char* text, const char* query, uint32_t* match_length,
                        CaptureTable** captures) {
    if (!query) {
        errno = EINVAL;
        return nullptr;
    }
    if (ended_at_entry(text, nullptr, *query == '\0', match_length)) return nullptr;

    SegmentTable* segments = nullptr;
    CaptureTable* capture_table = nullptr;
    if (new_tables(&segments, captures ? &capture_table : nullptr)) {
        errno = ENOMEM;
        return nullptr;
    }
    int error = compile_query(query, &segments, captures ? &capture_table : nullptr, nullptr);
    if (error) {
        free_table(segments);
        if (captures) {
            free_table(capture_table);
            *captures = nullptr;
        }
        errno = error;
        return nullptr;
    }
    if (captures) *captures = capture_table;
    // The text's end is only looked for once the query has compiled.
    const char* start = run_segments(text, text + strlen(text), false, segments, capture_table,
                                     match_length);
    free_table(segments);
    errno = 0;
    return start;
}

void prepare_query(PreparedQuery* prepared, const char* query,
                   const char* replacement_template) {
    *prepared = {};
    prepared->replacing = replacement_template != nullptr;
    if (!query) {
        prepared->first_error = EINVAL;
        return;
    }
    if (prepared->replacing)
        prepared->first_error = read_template(replacement_template, &prepared->pieces, nullptr);
    prepared->empty_query = *query == '\0';
    if (prepared->first_error || prepared->empty_query) return;
    CaptureTable** captures = prepared->replacing ? &prepared->captures : nullptr;
    int error = new_tables(&prepared->segments, captures);
    if (!error) error = compile_query(query, &prepared->segments, captures, nullptr);
    if (error) {
        free_table(prepared->segments);
        free_table(prepared->captures);
        prepared->segments = nullptr;
        prepared->captures = nullptr;
        prepared->query_error = error;
    }
}

void release_query(PreparedQuery* prepared) {
    free_table(prepared->segments);
    free_table(prepared->captures);
    free_table(prepared->pieces);
    *prepared = {};
}

const char* match_compiled(PreparedQuery* prepared, const char* text, size_t limit,
                           uint32_t* match_length) {
    if (prepared->first_error) {
        errno = prepared->first_error;
        return nullptr;
    }
    if (ended_at_entry(text, &limit, prepared->empty_query, match_length)) return nullptr;
    if (prepared->query_error) {
        errno = prepared->query_error;
        return nullptr;
    }
    return run_segments(text, text + limit, true, prepared->segments, prepared->captures,
                        match_length);
}

const char* match_prepared(PreparedQuery* prepared, const char* text, size_t limit,
                           uint32_t* match_length) {
    if (prepared->replacing) {  // compiled with its captures: matches differ
        errno = EINVAL;
        return nullptr;
    }
    return match_compiled(prepared, text, limit, match_length);
}
