// Finding the first match of a query: greedy and leftmost, each literal taken at its
// first occurrence from the current position on, and never a step back.
#include "query.h"

#include "compile.h"
#include "find_bytes.h"
#include "heap.h"
#include "letter_case.h"
#include "table.h"
#include "template.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

// One literal's last search in a stream, in stream offsets: the first occurrence that lies
// wholly within the stream from `from` on is `found`; while that is -1, none lies wholly
// within [from, to). All -1: nothing is known.
struct LiteralMemo {
    int64_t from;
    int64_t to;
    int64_t found;
};

namespace {

// What one run of the segments over a text uses: the query's finders, and, for the
// windows of a stream, the memory of each literal's last search.
struct Run {
    const SegmentTable* segments;
    const ByteFinder* finders;
    CaptureTable* captures;
    LiteralMemo* memo;         // null: a text on its own
    const char* text;
    int64_t offset;            // the stream offset of text[0]
    const char* readable_end;  // how far a search may look on for the memo, and for the
                               //   byte after a match
    int64_t needed_end;        // out: see match_window
    const unsigned char* word_bytes;   // with whole word: which bytes are word characters
    int preceding;             // the byte before text[0], or -1
};

// A query that ends with `*` takes the rest of the text.
bool runs_to_text_end(const SegmentTable* segments) {
    const SegmentEntry& last = segments->entries[segments->count - 1];
    return last.kind == SEG_ANY && !last.literal;
}

int64_t stream_at(const Run* run, const char* p) { return run->offset + (p - run->text); }

// The first occurrence of segment `k`'s literal (compared up to its first zero byte) that
// lies wholly within [position, end), or null.
const char* find_literal(Run* run, uint32_t k, const char* position, const char* end) {
    const ByteFinder* finder = &run->finders[k];
    if (finder->size == 0) return position;  // compares nothing: found where looked for
    if (!run->memo)
        return find_bytes(finder, position, static_cast<size_t>(end - position));

    LiteralMemo* memo = &run->memo[k];
    int64_t at = stream_at(run, position);
    int64_t reach = stream_at(run, run->readable_end);
    bool known = memo->from >= 0 && memo->from <= at && (memo->found < 0 || memo->found >= at);
    if (!known) *memo = {at, at, -1};
    if (memo->found < 0) {
        // Nothing lies wholly within [from, to): an occurrence can only begin from here.
        int64_t from = memo->to - finder->size + 1;
        if (from < at) from = at;
        if (from < reach) {
            const char* start = run->text + (from - run->offset);
            const char* found = find_bytes(finder, start, static_cast<size_t>(reach - from));
            if (found) memo->found = stream_at(run, found);
        }
        if (memo->found < 0 && reach > memo->to) memo->to = reach;
    }
    if (memo->found >= 0 && memo->found + finder->size <= stream_at(run, end))
        return run->text + (memo->found - run->offset);
    run->needed_end = memo->found >= 0 ? memo->found + finder->size : memo->to + 1;
    return nullptr;
}

// Whether a word character stands right before `at`.
bool word_before(const Run* run, const char* at) {
    int byte = at > run->text ? static_cast<unsigned char>(at[-1]) : run->preceding;
    return byte >= 0 && run->word_bytes[byte];
}

// Whether a word character stands at `at`, within the readable bytes.
bool word_at(const Run* run, const char* at) {
    return at < run->readable_end && run->word_bytes[static_cast<unsigned char>(*at)];
}

enum RunOutcome { RUN_NONE, RUN_MATCH, RUN_PASSED_OVER };

// One run of the segments over the text from `origin` to `end`: RUN_MATCH with the match
// start and `*position` behind its last literal, RUN_NONE when the query does not match
// from there on, or, with whole word, RUN_PASSED_OVER with the start of a match that a
// word character stands before (found before the later literals are looked for).
RunOutcome run_from(Run* run, const char* origin, const char* end, const char** start,
                    const char** position_out) {
    const SegmentTable* segments = run->segments;
    const char* position = origin;
    *start = origin;
    if (run->word_bytes && !segments->entries[0].literal && word_before(run, origin))
        return RUN_PASSED_OVER;
    for (uint32_t i = 0; i < segments->count; i++) {
        const SegmentEntry& segment = segments->entries[i];
        if (segment.kind == SEG_ONE) {
            if (position == end) return RUN_NONE;  // no byte left to step over
            position++;
        }
        CaptureEntry* capture =
            segment.kind >= 0 ? &run->captures->entries[segment.kind] : nullptr;
        if (capture) capture->start = position;
        if (!segment.literal) continue;

        // Only the bytes before the literal's first zero are compared; the position still
        // moves by its whole decoded length.
        const char* found = find_literal(run, i, position, end);
        if (!found) return RUN_NONE;
        size_t advance = segment.literal_size - 1;
        if (advance > static_cast<size_t>(end - found)) {
            if (run->memo) run->needed_end = stream_at(run, found) + static_cast<int64_t>(advance);
            return RUN_NONE;
        }
        if (i == 0) {
            *start = found;
            if (run->word_bytes && word_before(run, found)) return RUN_PASSED_OVER;
        }
        position = found + advance;
        if (capture) capture->length = static_cast<int32_t>(found - capture->start);
    }
    *position_out = position;
    return RUN_MATCH;
}

// Runs the compiled segments over the text [text, end); the match start, or null when
// there is none. Nothing here reads or reports beyond `end` but the memo's look-ahead and,
// with whole word, the byte after a match. With `may_end_sooner`, `end` is only a bound:
// the text ends at its first zero byte if one comes before.
const char* run_segments(Run* run, const char* end, bool may_end_sooner,
                         uint32_t* match_length) {
    const SegmentTable* segments = run->segments;
    const char* text = run->text;
    const bool to_text_end = runs_to_text_end(segments);
    // A match passed over gives way to the one from the next candidate: the next
    // occurrence of the first literal, or the next byte when the query opens without
    // one. A `?` before the first literal steps over one byte first, so its next run
    // starts at the match passed over.
    const SegmentEntry& first = segments->entries[0];
    const bool steps_first = first.literal && first.kind == SEG_ONE;
    const char* origin = text;
    const char* start = text;
    const char* position = text;
    run->needed_end = 0;
    for (;;) {
        RunOutcome outcome = run_from(run, origin, end, &start, &position);
        if (outcome == RUN_NONE) return nullptr;
        // Nothing stands after a match that runs to the text's end.
        if (outcome == RUN_MATCH && (!run->word_bytes || to_text_end || !word_at(run, position)))
            break;
        // The next candidate, where some text is left to search.
        const char* next = steps_first ? start : start + 1;
        if (next >= end) return nullptr;
        origin = next;
    }
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

// Each segment's finder for its literal; with `other_cases` (room for every literal's
// bytes), one that finds it in either case of its letters.
void prepare_finders(const SegmentTable* segments, ByteFinder* finders, char* other_cases) {
    for (uint32_t i = 0; i < segments->count; i++) {
        const char* literal = segments->entries[i].literal;
        uint32_t size = literal ? static_cast<uint32_t>(strlen(literal)) : 0;
        const char* other = nullptr;
        if (other_cases && size > 0) {
            other_cases_1251(literal, other_cases, size);
            other = other_cases;
            other_cases += size;
        }
        prepare_finder_either(&finders[i], literal ? literal : "", other, size, 0, 1);
    }
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
    ByteFinder finders[MAX_TABLE_ENTRIES];
    prepare_finders(segments, finders, nullptr);
    Run run = {segments, finders, capture_table, nullptr, text, 0, nullptr, 0, nullptr, -1};
    // The text's end is only looked for once the query has compiled.
    const char* start = run_segments(&run, text + strlen(text), false, match_length);
    free_table(segments);
    errno = 0;
    return start;
}

void prepare_query(PreparedQuery* prepared, const char* query,
                   const char* replacement_template) {
    prepare_query_with(prepared, query, replacement_template, nullptr);
}

namespace {

// The finders and memories of the compiled segments, in one block: each segment's memo
// (and with whole word a second, for one call's searches), its finder, and with match
// case off the other case of its literal's bytes. Returns 0 or ENOMEM.
int prepare_searches(PreparedQuery* prepared) {
    const uint32_t count = prepared->segments->count;
    const uint32_t memos = prepared->whole_word ? 2 : 1;
    size_t other_size = 0;
    if (!prepared->match_case)
        for (uint32_t i = 0; i < count; i++)
            if (const char* literal = prepared->segments->entries[i].literal)
                other_size += strlen(literal);
    char* block = static_cast<char*>(
        heap_alloc(count * (memos * sizeof(LiteralMemo) + sizeof(ByteFinder)) + other_size));
    if (!block) return ENOMEM;
    prepared->memo = reinterpret_cast<LiteralMemo*>(block);
    if (memos == 2) prepared->call_memo = prepared->memo + count;
    prepared->finders = reinterpret_cast<ByteFinder*>(prepared->memo + memos * count);
    prepare_finders(prepared->segments, prepared->finders,
                    other_size ? reinterpret_cast<char*>(prepared->finders + count) : nullptr);
    return 0;
}

}  // namespace

void prepare_query_with(PreparedQuery* prepared, const char* query,
                        const char* replacement_template, const QueryOptions* options) {
    *prepared = {};
    prepared->replacing = replacement_template != nullptr;
    prepared->match_case = options ? options->match_case : 1;
    prepared->whole_word = options ? options->whole_word : 0;
    prepared->word_bytes = options && options->word_bytes ? options->word_bytes
                                                          : CP1251_WORD_BYTES.of;
    prepared->preceding = -1;
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
    if (!error) error = prepare_searches(prepared);
    if (error) {
        free_table(prepared->segments);
        free_table(prepared->captures);
        prepared->segments = nullptr;
        prepared->captures = nullptr;
        prepared->query_error = error;
        return;
    }
    forget_stream(prepared);
    prepared->reaches_text_end = runs_to_text_end(prepared->segments);
    const SegmentEntry& first = prepared->segments->entries[0];
    if (prepared->segments->count == 1 && first.kind == SEG_TEXT && first.literal &&
        strlen(first.literal) == first.literal_size - 1 && !prepared->whole_word) {
        prepared->plain = first.literal;
        prepared->plain_length = first.literal_size - 1;
    }
}

void release_query(PreparedQuery* prepared) {
    free(prepared->memo);   // the finders' block too
    free_table(prepared->segments);
    free_table(prepared->captures);
    free_table(prepared->pieces);
    *prepared = {};
}

void forget_stream(PreparedQuery* prepared) {
    prepared->needed_end = 0;
    if (!prepared->memo) return;
    for (uint32_t i = 0; i < prepared->segments->count; i++) prepared->memo[i] = {-1, -1, -1};
}

namespace {

// The one run of a prepared query over a text that every matching call makes. Writes
// nothing of `prepared` but the memo (a window of a stream, `offset` >= 0) and the
// captures (prepared for replacing); `*needed_end` receives what match_window tells.
const char* run_prepared(const PreparedQuery* prepared, const char* text, size_t limit,
                         size_t readable, int64_t offset, uint32_t* match_length,
                         int64_t* needed_end) {
    *needed_end = 0;
    if (prepared->first_error) {
        errno = prepared->first_error;
        return nullptr;
    }
    if (ended_at_entry(text, &limit, prepared->empty_query, match_length)) return nullptr;
    if (prepared->query_error) {
        errno = prepared->query_error;
        return nullptr;
    }
    Run run = {prepared->segments, prepared->finders,      prepared->captures,
               offset >= 0 ? prepared->memo : nullptr,     text,
               offset,                                     text + (readable > limit ? readable : limit),
               0,
               prepared->whole_word ? prepared->word_bytes : nullptr,
               prepared->preceding};
    if (offset < 0 && prepared->call_memo) {
        // The candidates passed over run the later literals again: each search is
        // remembered for the call, so that no byte is searched twice for one literal.
        for (uint32_t i = 0; i < prepared->segments->count; i++)
            prepared->call_memo[i] = {-1, -1, -1};
        run.memo = prepared->call_memo;
        run.offset = 0;
    }
    const char* start = run_segments(&run, text + limit, true, match_length);
    // Only a window of a stream tells how far a window must reach.
    *needed_end = offset >= 0 ? run.needed_end : 0;
    return start;
}

}  // namespace

const char* match_compiled(PreparedQuery* prepared, const char* text, size_t limit,
                           size_t readable, int64_t offset, uint32_t* match_length) {
    return run_prepared(prepared, text, limit, readable, offset, match_length,
                        &prepared->needed_end);
}

const char* match_read_only(const PreparedQuery* prepared, const char* text, size_t limit,
                            uint32_t* match_length) {
    // Its run would record the captures, or a whole word's searches, in `prepared`.
    if (prepared->replacing || prepared->call_memo) {
        errno = EINVAL;
        return nullptr;
    }
    int64_t needed_end = 0;
    return run_prepared(prepared, text, limit, limit, -1, match_length, &needed_end);
}

const char* match_prepared(PreparedQuery* prepared, const char* text, size_t limit,
                           uint32_t* match_length) {
    return match_window(prepared, text, limit, limit, -1, match_length);
}

const char* match_window(PreparedQuery* prepared, const char* text, size_t limit,
                         size_t readable, int64_t offset, uint32_t* match_length) {
    if (prepared->replacing) {  // compiled with its captures: matches differ
        errno = EINVAL;
        return nullptr;
    }
    return match_compiled(prepared, text, limit, readable, offset, match_length);
}
