// The candidates of a scan: the places where the query's literal prefix begins, in the
// file's own encoding, each the start of a window that the engine looks at. A candidate
// is the first occurrence of the prefix at or after the point where the scan resumed, as
// a byte-by-byte scan would find it.
#pragma once

#include <stdint.h>

#include "find_bytes.h"
#include "text_encoding.h"

struct FileScan;

// The bytes that begin every candidate, in one encoding of the files' text.
struct PrefixForm {
    char* bytes;             // a heap block, or the query's own bytes (`owned` 0)
    int owned;
    uint32_t length;         // 0: every offset is a candidate
    ByteFinder finder;       // finds them
    // Their failure function, when they can overlap themselves. Of an encoded prefix in
    // two forms it only says that they may.
    uint32_t* failure;
    int ready;
    // With match case off, the prefix with each letter in its other case (a heap block of
    // `length` bytes, or null when it has no letter): a place holds the prefix where each
    // byte is either form's. An ANSI prefix compares its bytes through `fold` then.
    char* other;
    const unsigned char* fold;
};

// The prefix in each encoding met, made once and kept from file to file.
struct CandidateFinder {
    PrefixForm prefixes[TEXT_UTF16_BE + 1];   // by TEXT_...; ANSI made at once
};

// Makes the finder for `query` (as typed) with its literal prefix of `prefix_length`
// characters, its letters in either case unless `match_case`. Returns 1, or 0 when no
// window of `window_size` bytes could hold a hit (every offset is then a candidate), or
// -1 when memory cannot be had.
int finder_begin(CandidateFinder* finder, const char* query, uint32_t prefix_length,
                 uint32_t window_size, int match_case);
void finder_end(CandidateFinder* finder);

// The prefix in `encoding` (binary files are searched as bytes), made the first time a
// file in it is met; null when memory runs out.
const PrefixForm* finder_prefix(CandidateFinder* finder, int encoding);

// The first candidate at or after `from` in the scan's block: 1 with its offset. 0 when
// the block holds none; `*go_on` is then where the search goes on once the block has
// moved forward (the bytes from there may begin an occurrence that the next ones end).
int next_candidate(const FileScan* scan, int64_t from, int64_t* candidate, int64_t* go_on);

// Where the scan goes on from `from` when no candidate before `useful` can give a hit.
// A prefix that cannot overlap itself begins no candidate that the scan would pass over,
// so the scan goes on at `useful`. One that can (aa, abab) is followed byte by byte as
// the scan would follow it, each occurrence a candidate and the next looked for behind
// it, up to the first occurrence from `useful` on. Returns 1 with that place in `*next`,
// or 0 when the block ends first: `*next` is then where the search goes on once the
// block has moved forward. An encoded prefix that can overlap itself is not followed:
// the scan never passes over its candidates.
int pass_hopeless(const FileScan* scan, int64_t from, int64_t useful, int64_t* next);
