// Replace: the first match of a query, and the bytes that a template builds for it from
// the match's captures.
#include "query.h"

#include "compile.h"
#include "escapes.h"
#include "fault.h"
#include "heap.h"
#include "table.h"
#include "template.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The first capture of the piece's name, or null; a null name or an unknown one is none.
const CaptureEntry* resolve(const PieceEntry& piece, const CaptureTable* captures) {
    if (!piece.name) return nullptr;
    for (uint32_t i = 0; i < captures->count; i++)
        if (strcmp(captures->entries[i].name, piece.name) == 0) return &captures->entries[i];
    return nullptr;
}

// Hands each piece's parts on: the capture that it puts back, then its literal bytes.
void each_part(const PieceTable* pieces, const CaptureTable* captures, ReplacementPart part,
               void* user) {
    for (uint32_t i = 0; pieces && i < pieces->count; i++) {
        const PieceEntry& piece = pieces->entries[i];
        const CaptureEntry* capture = resolve(piece, captures);
        bool captured = capture && capture->length > 0;
        part(user, captured ? capture->start : nullptr,
             captured ? static_cast<uint32_t>(capture->length) : 0, piece.literal,
             piece.literal_length);
    }
}

// The replacement's length; a total that no 32-bit count can hold is UINT64_MAX.
void add_lengths(void* user, const char*, uint32_t capture_length, const char*,
                 uint32_t literal_length) {
    uint64_t* total = static_cast<uint64_t*>(user);
    if (*total != UINT64_MAX) *total += static_cast<uint64_t>(capture_length) + literal_length;
    if (*total >= UINT32_MAX) *total = UINT64_MAX;
}

void put_parts(void* user, const char* capture, uint32_t capture_length, const char* literal,
               uint32_t literal_length) {
    char** out = static_cast<char**>(user);
    if (capture_length) memcpy(*out, capture, capture_length);
    *out += capture_length;
    if (literal_length) memcpy(*out, literal, literal_length);
    *out += literal_length;
}

uint64_t measure(const PieceTable* pieces, const CaptureTable* captures) {
    uint64_t total = 0;
    each_part(pieces, captures, add_lengths, &total);
    return total;
}

void fill(char* out, const PieceTable* pieces, const CaptureTable* captures) {
    each_part(pieces, captures, put_parts, &out);
    *out = '\0';
}

// The replacement that the pieces build from the captures of a match, in a new block.
// Returns 0, or ENOMEM.
int build(const PieceTable* pieces, const CaptureTable* captures, char** out,
          uint64_t* out_length) {
    *out_length = measure(pieces, captures);
    *out = nullptr;
    if (*out_length != UINT64_MAX)
        *out = static_cast<char*>(heap_alloc(static_cast<size_t>(*out_length) + 1));
    if (!*out) return ENOMEM;
    fill(*out, pieces, captures);
    return 0;
}

}  // namespace

const char* replace_query(const char* text, const char* query,
                          const char* replacement_template, uint32_t* match_length,
                          char** replacement, uint32_t* replacement_length) {
    if (!query || !replacement_template || !replacement) {
        errno = EINVAL;
        return nullptr;
    }
    errno = 0;

    // The template first: its fault is reported even where the query would not match.
    PieceTable* pieces = nullptr;
    int error = read_template(replacement_template, &pieces, nullptr);
    const char* start = nullptr;
    uint32_t found_length = 0;
    CaptureTable* captures = nullptr;
    if (!error) {
        start = match_query(text, query, &found_length, &captures);
        error = errno;
    }

    char* out = nullptr;
    uint64_t out_length = 0;
    if (start && (error = build(pieces, captures, &out, &out_length)) != 0) start = nullptr;
    free_table(pieces);
    free_table(captures);

    if (start) {
        *replacement = out;
        if (match_length) *match_length = found_length;
        if (replacement_length) *replacement_length = static_cast<uint32_t>(out_length);
    }
    errno = error;
    return start;
}

int read_template(const char* replacement_template, PieceTable** pieces, QueryFault* fault) {
    size_t length = strlen(replacement_template);
    if (length == 0) return 0;
    if (length >= UINT32_MAX)  // lengths are 32-bit counts
        return note_fault(fault, QUERY_FAULT_TOO_MANY_PARTS, 0, 0, E2BIG);
    uint32_t typed_length = static_cast<uint32_t>(length);
    char* decoded = static_cast<char*>(heap_alloc(length));
    if (!decoded) return ENOMEM;
    uint32_t decoded_length = decode_escapes(replacement_template, decoded, typed_length);
    if (decoded_length == 0) {
        free(decoded);
        return note_escape_fault(fault, replacement_template, replacement_template, typed_length);
    }
    *pieces = table_new<PieceTable>();
    int error = *pieces ? split_template(decoded, decoded_length, pieces, fault) : ENOMEM;
    free(decoded);
    if (error && fault && fault->kind) {
        // Where the fault's decoded bytes were typed.
        uint32_t end = fault->position + fault->length;
        fault->position = source_offset(replacement_template, typed_length, fault->position);
        fault->length = source_offset(replacement_template, typed_length, end) - fault->position;
    }
    return error;
}

const char* replace_prepared(PreparedQuery* prepared, const char* text, size_t limit,
                             uint32_t* match_length, char** replacement,
                             uint32_t* replacement_length) {
    return replace_window(prepared, text, limit, limit, -1, match_length, replacement,
                          replacement_length);
}

const char* replace_window(PreparedQuery* prepared, const char* text, size_t limit,
                           size_t readable, int64_t offset, uint32_t* match_length,
                           char** replacement, uint32_t* replacement_length) {
    if (!prepared->replacing || !replacement) {
        errno = EINVAL;
        return nullptr;
    }
    uint32_t found_length = 0;
    const char* start =
        match_compiled(prepared, text, limit, readable, offset, &found_length);
    if (!start) return nullptr;
    char* out = nullptr;
    uint64_t out_length = 0;
    if (int error = build(prepared->pieces, prepared->captures, &out, &out_length)) {
        errno = error;
        return nullptr;
    }
    *replacement = out;
    if (match_length) *match_length = found_length;
    if (replacement_length) *replacement_length = static_cast<uint32_t>(out_length);
    errno = 0;
    return start;
}

void replacement_parts(const PreparedQuery* prepared, ReplacementPart part, void* user) {
    if (prepared->replacing) each_part(prepared->pieces, prepared->captures, part, user);
}
