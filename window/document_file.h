// Whole files in and out of the editor, as raw bytes.
#pragma once

#include <stdint.h>

enum ReadResult {
    READ_DONE = 0,
    READ_CANNOT_OPEN = 1,   // missing, unreadable, or a read failed
    READ_TOO_LARGE = 2,     // longer than the limit, or its length cannot be had
    READ_NO_MEMORY = 3,     // no memory for its bytes
};

// Reads a whole file into a new heap block (released with free) with a zero byte after
// its bytes; `length` receives their count. `limit` is the largest length accepted, or
// 0 for any length that memory allows.
ReadResult read_whole_file(const char* path, uint32_t limit, char** text, uint32_t* length);

// Writes `size` bytes so that `path` then holds either its old bytes or all of these:
// they go into a copy beside it, reach the disk, and the copy takes its place. A
// read-only file is refused. Returns 0, or an errno value; no copy is left behind.
int write_whole_file(const char* path, const char* data, uint32_t size);
