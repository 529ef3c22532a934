// Line ends in a file's text: an LF, a CR LF (one end) or a CR alone, in every encoding;
// in UTF-16 the same characters, whole code units. Binary files count the same bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The line ends among `size` bytes of text in `encoding` (TEXT_...), which begin where a
// character begins; in UTF-16 `size` is even. Whether a CR at their very end ends a line
// depends on what follows it: it is left to the next call through `*cr_pending` (0
// before the first call, 1 while such a CR waits).
uint64_t count_line_ends(int encoding, const char* bytes, size_t size, int* cr_pending);

// Among `size` bytes of single-byte text: the index of the last CR or LF, or -1; and of
// the first one, or `size`. For the few bytes around a hit.
int32_t last_break(const char* bytes, uint32_t size);
uint32_t first_break(const char* bytes, uint32_t size);
