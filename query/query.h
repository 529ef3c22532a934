// The query engine: escape decoding, fuzzy queries and replacement templates over
// NUL-terminated single-byte strings. No platform calls, no state between calls.
//
// Failures give a null (or 0) result and an error number in errno, which every entry
// point sets to 0 first: E2BIG 7, ENOEXEC 8, EAGAIN 11, ENOMEM 12, EINVAL 22.
// No match is a null result with errno 0.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr uint32_t MAX_TABLE_ENTRIES = 255;

// Kinds of a compiled segment; 0..254 is a named capture, by its index.
constexpr int32_t SEG_TEXT = -1;  // begins with literal text (first segment only)
constexpr int32_t SEG_ANY = -2;   // `*`, and `%name%` when no captures are asked for
constexpr int32_t SEG_ONE = -3;   // `?`

// Every table has the same shape: two header words, then entries of three words.
// It is built at MAX_TABLE_ENTRIES entries and shrunk to `count` when complete, and
// `byte_size` always says how large the block is.

struct SegmentEntry {
    int32_t kind;
    char* literal;          // decoded, NUL-terminated; owned; null when none
    uint32_t literal_size;  // decoded length + 1; 0 when there is no literal
};

struct SegmentTable {
    uint32_t byte_size;
    uint32_t count;
    SegmentEntry entries[];
};

struct CaptureEntry {
    char* name;         // owned, NUL-terminated
    const char* start;  // into the caller's text; not owned
    int32_t length;
};

struct CaptureTable {
    uint32_t byte_size;
    uint32_t count;
    CaptureEntry entries[];
};

struct PieceEntry {
    char* name;               // owned, NUL-terminated, or null for leading literal text
    char* literal;            // owned byte run, not NUL-terminated, or null
    uint32_t literal_length;  // bytes in literal
};

struct PieceTable {
    uint32_t byte_size;
    uint32_t count;
    PieceEntry entries[];
};

// Decodes the backslash escapes of `length` bytes of `source` into `destination`
// (at least `length` bytes; no terminating zero is written). Returns the decoded length:
// 0 for an empty input and when decoding fails.
uint32_t decode_escapes(const char* source, char* destination, uint32_t length);

// The value of the hexadecimal digits (at most eight) at the start of `string`.
uint32_t parse_hex(const char* string);

// First match of `query` in `text`: a pointer to its first byte, or null (a null text or
// query is EINVAL). `match_length` (optional) receives its length, and 0 when text or
// query is empty. With `captures` given, `%name%` items are recorded in a CaptureTable
// handed over whenever the query compiled, match or not; the caller releases it with
// free_table. A match never reaches past the text's terminating zero.
const char* match_query(const char* text, const char* query, uint32_t* match_length,
                        CaptureTable** captures);

// Releases a table and every block that it owns. A null table does nothing.
void free_table(CaptureTable* table);
void free_table(SegmentTable* table);
void free_table(PieceTable* table);

// First match of `query` in `text`, and the replacement that `replacement_template`
// builds for it, in a new heap string (released by the caller with free). `replacement`
// is required (EINVAL without it), the two lengths are optional; the three places are
// written only when the result is not null. The template is judged before the query.
const char* replace_query(const char* text, const char* query,
                          const char* replacement_template, uint32_t* match_length,
                          char** replacement, uint32_t* replacement_length);

// The length of the literal text that opens `query`, as typed (escapes not decoded): up
// to its first `*`, `?` or `%` that is not escaped; 0 when it opens with one of them.
uint32_t leading_literal_length(const char* query);

// The literal prefix of a query as the window counts it for a folder search: the
// characters before its first `*`, `?`, `%` or backslash, or all of it when it has none.
uint32_t literal_prefix_length(const char* query);

// The bytes that begin every match of `query`, by which a folder search finds the places
// where a match may start: its first `prefix_length` characters as typed, or, when that
// is 0, its leading literal as the engine decodes it, up to its first zero byte (where
// the engine's comparison ends). Returns 1 with `*bytes` and `*length` (pointing into
// the query or into `*block`, which the caller releases with free; a length of 0: every
// offset may begin a match), 0 when no match can begin anywhere (an empty query, a
// leading literal that does not decode), or -1 when memory runs out.
int candidate_prefix(const char* query, uint32_t prefix_length, const char** bytes,
                     uint32_t* length, char** block);

// What keeps a query or a replacement template from being used, for telling the user.
enum QueryFaultKind {
    QUERY_FAULT_NONE = 0,
    QUERY_FAULT_UNCLOSED_NAME,   // a `%` of the query without its closing `%`
    QUERY_FAULT_LONE_BACKSLASH,  // a backslash that ends a literal run
    QUERY_FAULT_SHORT_HEX,       // `\x` without two characters after it in its run
    QUERY_FAULT_TOO_MANY_PARTS,  // more than 255 segments, or pieces of a template
    QUERY_FAULT_BAD_NAME,        // a capture name with a byte other than a Latin letter or digit
    QUERY_FAULT_NO_MEMORY,       // the check itself found no memory
};

struct QueryFault {
    QueryFaultKind kind;
    int in_template;     // 1: the template's fault, 0: the query's
    uint32_t position;   // where it begins in the text as typed, a byte offset
    uint32_t length;     // the bytes that it spans there: an escape, or a `%name%` item
};

// The first fault of `query` and then of `replacement_template` (null for Find) that
// match_query or replace_query would fail on (ENOEXEC, EAGAIN or E2BIG), whatever the
// text. Find asks for no captures, so only with a template are the query's names
// checked. Returns fault->kind: QUERY_FAULT_NONE when both can be used (an empty query or
// template can).
QueryFaultKind find_query_fault(const char* query, const char* replacement_template,
                                QueryFault* fault);

// How a compiled query matches: the options of Find and Replace. Those of prepare_query
// are match case on, whole word off.
struct QueryOptions {
    // 1: letters match as typed. 0: every letter of the query's literals (decoded, so
    // `\x41` too) matches either of its cases, by the fixed Windows-1251 table; captures
    // keep the text's bytes, and a template's own text is written as typed.
    int match_case;
    // 1: a match counts only when no word character stands right before its first byte
    // nor right after its last (a text's start and end count as none). One that does not
    // is passed over as a candidate without a hit, and the search goes on from the next
    // candidate: the next occurrence of the query's first literal, or the next byte when
    // the query opens without one.
    int whole_word;
    // Which bytes are word characters: 256 flags, living as long as the prepared query.
    // Null: Windows-1251's letters and digits (CP1251_WORD_BYTES). A caller whose text
    // stands for characters that have no byte (placeholders) says here how each counts.
    const unsigned char* word_bytes;
};

// A query, and for Replace a template, compiled once for matching many texts: a folder
// search's windows. A text there ends at its first zero byte or after `limit` bytes,
// whichever comes first (the `limit` bytes must be readable); only the bytes that a match
// spans are looked at for a zero. With the options of prepare_query every call gives what
// match_query (without captures) or replace_query gives for that text with the same query
// and template, errno included, without compiling them again.
struct ByteFinder;
struct LiteralMemo;
struct PreparedQuery {
    SegmentTable* segments;  // null when the query is empty or did not compile
    CaptureTable* captures;  // when replacing: the query's captures, of the last match
    PieceTable* pieces;      // when replacing: the template's pieces (null when empty)
    int replacing;           // prepared with a template: for replace_prepared only
    int empty_query;
    int first_error;         // what every call fails with first (a missing query, the
                             //   template's fault), or 0
    int query_error;         // what the query's compilation failed with, or 0
    ByteFinder* finders;     // one per segment, for its literal
    LiteralMemo* memo;       // one per segment: its literal's last search in the stream
    int64_t needed_end;      // see match_window
    // The query is this literal text alone, without a zero byte, and whole word is off: a
    // text that begins with it (in either case of its letters when match case is off)
    // matches there, with its length. Null otherwise.
    const char* plain;
    uint32_t plain_length;
    // The query ends with `*`: its match runs to the end of the text. Otherwise a match
    // in a window is the match in every longer window that begins with it, as each
    // literal is taken at its first occurrence.
    int reaches_text_end;
    int match_case;          // the options it was prepared with
    int whole_word;
    const unsigned char* word_bytes;   // never null
    // With whole word: the byte that stands before text[0] in the whole text, for the
    // calls that follow, or -1 (as prepared) when text[0] begins it. The byte after a
    // match is the one behind it when that lies within the readable bytes (so a window
    // shorter than its text judges a match that ends at its end by the byte beyond).
    int preceding;
    LiteralMemo* call_memo;  // with whole word, one per segment: a call's own searches
};

// Prepares `query`, with `replacement_template` (null: for match_prepared). A fault of
// either, or a lack of memory, is not reported here but by every call that would meet it.
// Release with release_query.
void prepare_query(PreparedQuery* prepared, const char* query,
                   const char* replacement_template);
// The same with `options` (null: those of prepare_query).
void prepare_query_with(PreparedQuery* prepared, const char* query,
                        const char* replacement_template, const QueryOptions* options);
void release_query(PreparedQuery* prepared);

const char* match_prepared(PreparedQuery* prepared, const char* text, size_t limit,
                           uint32_t* match_length);
const char* replace_prepared(PreparedQuery* prepared, const char* text, size_t limit,
                             uint32_t* match_length, char** replacement,
                             uint32_t* replacement_length);

// match_prepared that writes nothing of `prepared` (errno aside, which is each thread's
// own): any number of threads may match with one prepared query at once, as long as none
// of them uses it otherwise meanwhile. A query prepared with a template, or with whole word
// (its searches are remembered in it), gives EINVAL.
const char* match_read_only(const PreparedQuery* prepared, const char* text, size_t limit,
                            uint32_t* match_length);

// The same over the windows of one stream (a file), given in increasing order of their
// start, `offset` being the stream offset of text[0] and `readable` (at least `limit`)
// the bytes from text[0] on that may be read. Each literal's last search is remembered in
// stream offsets (searching on beyond the window, up to `readable`), so that no byte of
// the stream is searched twice for the same literal. After a window without a match,
// `needed_end` is the stream offset that a window must reach (its end) for the query to
// match in it at all, or 0 when that is not known: a caller may pass over the windows
// that end before it. Results are those of match_prepared and replace_prepared.
const char* match_window(PreparedQuery* prepared, const char* text, size_t limit,
                         size_t readable, int64_t offset, uint32_t* match_length);
const char* replace_window(PreparedQuery* prepared, const char* text, size_t limit,
                           size_t readable, int64_t offset, uint32_t* match_length,
                           char** replacement, uint32_t* replacement_length);

// Forgets what is known of the stream: the next window may be of another one.
void forget_stream(PreparedQuery* prepared);

// The parts of the replacement for the last match of a query prepared for replacing, in
// order: for each piece of the template, the bytes of the capture that it puts back (a
// null start and 0 when none) and its literal bytes. For callers that build the
// replacement themselves, from what the matched text stands for.
typedef void (*ReplacementPart)(void* user, const char* capture, uint32_t capture_length,
                                const char* literal, uint32_t literal_length);
void replacement_parts(const PreparedQuery* prepared, ReplacementPart part, void* user);
