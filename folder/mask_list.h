// The masks of a folder search, as typed into one field: «*.txt;*.csv;!*\\архив».
//
// `;` separates masks. A backslash escapes the next character, read left to right: `\\`
// stays the query's backslash and `\;` is a semicolon inside a mask. Spaces around a mask
// and empty masks are ignored. A mask that begins with `!` excludes, the others include.
// Each mask is a query matched against a lower-cased full path.
#pragma once

#include <stdint.h>

#include "query.h"

// One mask of a field, by its offsets in the field.
struct MaskSpan {
    uint32_t typed;   // where the mask begins, its `!` included: for naming it
    uint32_t begin;   // its query's first character
    uint32_t end;     // one past its last character (and its query's)
    int excluding;    // it began with `!`
};

// Reads the first mask of `field` at or after `*at`, empty ones passed over, into `mask`,
// and moves `*at` past it. Returns 0 when no mask is left.
int next_mask(const char* field, uint32_t* at, MaskSpan* mask);

// The query of `mask`: its characters with each `\;` as `;`, NUL-terminated, into
// `query`, which has room for mask->end - mask->begin + 1 bytes.
void mask_query(const char* field, const MaskSpan* mask, char* query);

enum MaskFaultKind {
    MASK_FAULT_NONE = 0,
    MASK_FAULT_NOTHING_EXCLUDED,  // a `!` with no mask after it
    MASK_FAULT_QUERY,             // the mask is not a valid query
    MASK_FAULT_NO_MEMORY,         // the check itself found no memory
};

struct MaskFault {
    MaskFaultKind kind;
    MaskSpan mask;     // the mask at fault
    QueryFault query;  // MASK_FAULT_QUERY: how, its position and length counted in the field
};

// The first mask of `field` that cannot be used. Returns fault->kind. A field without
// masks (empty, or only `;` and spaces) has none.
MaskFaultKind find_mask_fault(const char* field, MaskFault* fault);

struct MaskEntry {
    PreparedQuery query;
    int excluding;
};

// The masks of a field compiled once, for a whole walk. Matching only reads it: any
// number of threads may match with one list at once.
struct MaskList {
    uint32_t count;
    uint32_t includes;   // how many of them include
    int faulty;          // a mask that cannot be used: no file is taken
    MaskEntry* entries;
};

// Compiles the masks of `field` (already lower-cased; null: no masks). Null when memory
// runs out. Release with release_mask_list (null does nothing).
MaskList* compile_mask_list(const char* field);
void release_mask_list(MaskList* list);

// Whether the file at `path` (lower-cased) is searched: its path matches an including
// mask (any, when there is none) and no excluding one. A list without masks, or with one
// that cannot be used, takes no file, as an empty or malformed mask always did.
int mask_list_takes_file(const MaskList* list, const char* path);

// Whether the folder at `path` (lower-cased, no separator at its end) is left out, with
// everything below it: its path matches an excluding mask.
int mask_list_leaves_out(const MaskList* list, const char* path);
