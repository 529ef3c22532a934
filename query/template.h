// Splitting a decoded replacement template into pieces: a capture reference, then the
// literal bytes up to the next `%`.
#pragma once

#include "query.h"

// Splits the non-empty decoded template (`length` bytes, zero bytes allowed) into
// `*pieces`, a fresh table from table_new. Returns 0, with the table finished at its
// count, or the error number, with the table holding what was read so far for the
// caller to release; a fault of the template's own is also described in `*fault`, when
// given, at its place in the decoded bytes.
int split_template(const char* decoded, uint32_t length, PieceTable** pieces,
                   QueryFault* fault);

// Decodes and splits a template into `*pieces`; an empty one gives no pieces (null).
// Returns 0 or the error number, with `*pieces` left for the caller to release; a fault
// of the template's own is also described in `*fault`, when given, at its place in the
// template as typed.
int read_template(const char* replacement_template, PieceTable** pieces, QueryFault* fault);
