// The runtime's file descriptors, as the window logic uses them for whole-file loads:
// _open/_read/_filelength on Windows, open/read/fstat elsewhere (saves go through a copy
// that takes the file's place, replace_file.h).
// Files are raw bytes: no conversion of line breaks. Failures leave errno set.
#pragma once

#include <stdint.h>

// Opens an existing file for reading. Returns a descriptor or -1.
int file_open_read(const char* path);

// The file's length in bytes, or -1 when it cannot be had.
int64_t file_length(int descriptor);

// Reads at most `size` bytes. Returns the count, 0 at the end of the file, -1 on an error.
int32_t file_read(int descriptor, void* buffer, uint32_t size);

// Returns 0, or -1 when the close failed (then written bytes may be lost).
int file_close(int descriptor);

