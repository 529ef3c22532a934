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
