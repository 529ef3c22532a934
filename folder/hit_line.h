// The line where a hit begins, counted from the file's start at its first hit only, so
// that a file without hits costs nothing; then on from hit to hit, the bytes that the
// scan drops counted before they go, and those that it passed over read again.
#pragma once

#include <stdint.h>

struct FileScan;

struct LineCount {
    int begun;
    int64_t counted_to;   // the line ends before this offset are in `ends`
    uint64_t ends;
    int cr_pending;       // the byte before `counted_to` is a CR
};

// The 1-based line of the file where the hit at `offset` begins; 0 when the file could
// not be read again (the block then says so).
int64_t hit_line(FileScan* scan, int64_t offset);

// Before the block drops the bytes before `offset`: a count that has begun takes those
// that it holds.
void lines_before_dropping(FileScan* scan, int64_t offset);

// 1 when the character at `offset`, which the block holds, is an LF.
int begins_with_lf(const FileScan* scan, int64_t offset);
