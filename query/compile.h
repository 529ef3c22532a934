// Compiling a query into its segments and, when captures are asked for, the names of
// its captures.
#pragma once

#include "query.h"

// Reads the non-empty `query` into `*segments`, and its capture names into `*captures`
// when `captures` is given; both are fresh tables from table_new. Returns 0, with both
// tables finished at their counts, or the error number, with the tables holding what was
// read so far for the caller to release; a fault of the query's own is also described in
// `*fault` when that is given.
int compile_query(const char* query, SegmentTable** segments, CaptureTable** captures,
                  QueryFault* fault);

// Makes the empty tables that compile_query fills: the segments, and the captures when
// `captures` is given. Returns 0, or ENOMEM with neither made.
int new_tables(SegmentTable** segments, CaptureTable** captures);

// match_window, whichever way the query was prepared: with its captures recorded in the
// prepared table when it was prepared for replacing. `offset` < 0: not a window of a
// stream (nothing is remembered).
const char* match_compiled(PreparedQuery* prepared, const char* text, size_t limit,
                           size_t readable, int64_t offset, uint32_t* match_length);
