// Fuzzes the query engine. The input is split at its first two zero bytes into text,
// query and replacement template (missing parts are empty); the whole input is also fed
// to the escape decoder. Every call must stay inside its buffers, free what it makes and
// keep the engine's promises about results and errno.
#include "heap.h"
#include "letter_case.h"
#include "query.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

void check(bool holds, const char* what) {
    if (holds) return;
    fprintf(stderr, "broken: %s\n", what);
    abort();
}

// A heap copy of exactly the string's size, so that a read past its zero is caught.
char* exact_string(const uint8_t* data, size_t size) {
    char* copy = static_cast<char*>(malloc(size + 1));
    if (size) memcpy(copy, data, size);
    copy[size] = '\0';
    return copy;
}

bool allowed_errno(int error) {
    return error == 0 || error == E2BIG || error == ENOEXEC || error == EAGAIN ||
           error == ENOMEM || error == EINVAL;
}

void check_match(const char* text, const char* found, uint32_t length, int error) {
    check(allowed_errno(error), "errno is one of the engine's values");
    if (!found) return;
    check(error == 0, "a match leaves errno 0");
    size_t text_length = strlen(text);
    check(found >= text && found <= text + text_length, "the match lies in the text");
    check(static_cast<size_t>(found - text) + length <= text_length,
          "the match ends inside the text");
}

void check_captures(const char* text, const CaptureTable* table) {
    if (!table) return;
    size_t text_length = strlen(text);
    check(table->count <= MAX_TABLE_ENTRIES, "at most 255 captures");
    for (uint32_t i = 0; i < table->count; i++) {
        const CaptureEntry& capture = table->entries[i];
        check(capture.name != nullptr, "every capture has a name");
        if (!capture.start) continue;  // not reached before the match failed
        check(capture.start >= text && capture.start <= text + text_length,
              "a capture starts in the text");
        check(capture.length >= 0 &&
                  static_cast<size_t>(capture.start - text) + capture.length <= text_length,
              "a capture ends inside the text");
    }
}

// The fault finder names a fault where the engine fails on one, inside the text as typed.
// An empty text ends a match before the query is compiled, so there only a failure of
// the engine's must have its fault.
void check_fault(const char* text, const char* query, const char* replacement_template,
                 int error) {
    QueryFault fault;
    QueryFaultKind kind = find_query_fault(query, replacement_template, &fault);
    check(kind != QUERY_FAULT_NO_MEMORY, "the fault finder has memory");
    bool failed = error == E2BIG || error == ENOEXEC || error == EAGAIN;
    if (*text) check(failed == (kind != QUERY_FAULT_NONE), "a fault where the engine fails");
    else check(!failed || kind != QUERY_FAULT_NONE, "a fault where the engine fails");
    if (kind == QUERY_FAULT_NONE) return;
    const char* typed = fault.in_template ? replacement_template : query;
    check(fault.position + static_cast<size_t>(fault.length) <= strlen(typed),
          "the fault lies inside the text as typed");
}

// Find with `options` over `text` from `skip` on, the byte before it counting for whole
// word: the match's offset in `text` and its length, or -1.
struct Found {
    long offset;
    uint32_t length;
    bool operator==(const Found& other) const {
        return offset == other.offset && (offset < 0 || length == other.length);
    }
};

Found find_with(const char* text, size_t skip, const char* query, int match_case, int whole_word) {
    const QueryOptions options = {match_case, whole_word, nullptr};
    PreparedQuery prepared;
    prepare_query_with(&prepared, query, nullptr, &options);
    prepared.preceding = skip ? static_cast<unsigned char>(text[skip - 1]) : -1;
    uint32_t length = 0;
    const char* found = match_prepared(&prepared, text + skip, strlen(text + skip), &length);
    release_query(&prepared);
    return {found ? found - text : -1, length};
}

// Whole word by its rule: the first match of a plain search, from the text and then from
// each next candidate, that no word character touches.
Found whole_word_by_rule(const char* text, size_t skip, const char* query) {
    PreparedQuery plain;
    prepare_query(&plain, query, nullptr);
    const SegmentEntry* first = plain.segments ? &plain.segments->entries[0] : nullptr;
    const bool steps_first = first && first->literal && first->kind == SEG_ONE;
    const size_t text_length = strlen(text);
    Found result = {-1, 0};
    for (size_t origin = skip; origin <= text_length;) {
        uint32_t length = 0;
        const char* found = match_prepared(&plain, text + origin, text_length - origin, &length);
        if (!found) break;
        size_t start = static_cast<size_t>(found - text), end = start + length;
        bool before = start > 0 && CP1251_WORD_BYTES.of[static_cast<unsigned char>(text[start - 1])];
        bool after = !plain.reaches_text_end && end < text_length &&
                     CP1251_WORD_BYTES.of[static_cast<unsigned char>(text[end])];
        if (!before && !after) {
            result = {static_cast<long>(start), length};
            break;
        }
        origin = steps_first ? start : start + 1;
    }
    release_query(&plain);
    return result;
}

char* lower_copy(const char* text) {
    char* copy = strdup(text);
    lower_case_1251(copy);
    return copy;
}

// The options: match case off gives what the query finds, match case on, when both it
// and the text are lower-cased (a query without escapes, which lower-casing would
// change); whole word gives what its rule gives.
void check_options(const char* text, const char* query) {
    const size_t skip = *text ? 1 : 0;
    for (int whole_word = 0; whole_word < 2; whole_word++) {
        if (strchr(query, '\\')) break;
        char* lower_text = lower_copy(text);
        char* lower_query = lower_copy(query);
        check(find_with(text, skip, query, 0, whole_word) ==
                  find_with(lower_text, skip, lower_query, 1, whole_word),
              "match case off finds what lower-cased texts find");
        free(lower_text);
        free(lower_query);
    }
    check(find_with(text, skip, query, 1, 1) == whole_word_by_rule(text, skip, query),
          "whole word finds the first plain match at word boundaries");
}

int allocation_to_fail;
bool fail_one(size_t) { return allocation_to_fail-- == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The decoder on raw bytes, zeros included, into a buffer of exactly the input's size.
    if (size <= UINT32_MAX) {
        char* source = static_cast<char*>(malloc(size ? size : 1));
        char* decoded = static_cast<char*>(malloc(size ? size : 1));
        if (size) memcpy(source, data, size);
        uint32_t n = decode_escapes(source, decoded, static_cast<uint32_t>(size));
        check(n <= size, "decoding never lengthens");
        check(size == 0 || n > 0 || data[size - 1] == '\\' || memmem(data, size, "\\x", 2),
              "decoding fails only on a trailing backslash or a short \\x");
        free(source);
        free(decoded);
    }

    const uint8_t* parts[3] = {data, data + size, data + size};
    size_t lengths[3] = {size, 0, 0};
    for (int part = 0; part < 2; part++) {
        const uint8_t* zero = static_cast<const uint8_t*>(memchr(parts[part], 0, lengths[part]));
        if (!zero) break;
        size_t used = static_cast<size_t>(zero - parts[part]);
        parts[part + 1] = zero + 1;
        lengths[part + 1] = lengths[part] - used - 1;
        lengths[part] = used;
    }
    if (const void* zero = memchr(parts[2], 0, lengths[2]))
        lengths[2] = static_cast<size_t>(static_cast<const uint8_t*>(zero) - parts[2]);
    char* text = exact_string(parts[0], lengths[0]);
    char* query = exact_string(parts[1], lengths[1]);
    char* replacement_template = exact_string(parts[2], lengths[2]);

    uint32_t plain_length = 0;
    const char* plain = match_query(text, query, &plain_length, nullptr);
    check_match(text, plain, plain_length, errno);
    check_fault(text, query, nullptr, errno);

    uint32_t captured_length = 0;
    CaptureTable* captures = nullptr;
    const char* captured = match_query(text, query, &captured_length, &captures);
    check_match(text, captured, captured_length, errno);
    check_captures(text, captures);
    if (!strchr(query, '%'))
        check(captured == plain && (!plain || captured_length == plain_length),
              "without %name% captures change nothing");
    free_table(captures);

    uint32_t match_length = 0, replacement_length = 0;
    char* replacement = nullptr;
    const char* found = replace_query(text, query, replacement_template, &match_length,
                                      &replacement, &replacement_length);
    check_match(text, found, match_length, errno);
    check_fault(text, query, replacement_template, errno);
    if (found) {
        check(replacement != nullptr, "a replacement is handed over");
        check(replacement[replacement_length] == '\0',
              "the replacement ends in a zero at its length");
        check(found == captured && match_length == captured_length,
              "replace finds what match finds");
    } else {
        check(replacement == nullptr, "nothing is handed over without a match");
    }
    free(replacement);

    check_options(text, query);

    // Once more with one allocation failing: the outcome is ENOMEM or unchanged, and
    // nothing leaks.
    replacement = nullptr;
    allocation_to_fail = size ? data[0] % 24 : 0;
    heap_fails = fail_one;
    uint32_t again_length = 0;
    const char* again = replace_query(text, query, replacement_template, &again_length,
                                      &replacement, nullptr);
    int again_error = errno;
    heap_fails = nullptr;
    check(again == found || (!again && again_error == ENOMEM), "allocation failure is ENOMEM");
    free(replacement);

    free(text);
    free(query);
    free(replacement_template);
    return 0;
}
