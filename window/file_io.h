// The runtime's file descriptors, as the window logic uses them for whole-file loads and
// saves: _open/_read/_filelength/_write on Windows, open/read/fstat/write elsewhere.
// Files are raw bytes: no conversion of line breaks. Failures leave errno set.
#pragma once

#include <stdint.h>

// Opens an existing file for reading. Returns a descriptor or -1.
int file_open_read(const char* path);

// Creates a file, or empties an existing one, for writing. Returns a descriptor or -1.
int file_open_write(const char* path);

// The file's length in bytes, or -1 when it cannot be had.
int64_t file_length(int descriptor);

// Reads at most `size` bytes. Returns the count, 0 at the end of the file, -1 on an error.
int32_t file_read(int descriptor, void* buffer, uint32_t size);

// Writes at most `size` bytes. Returns the count written, or -1.
int32_t file_write(int descriptor, const void* buffer, uint32_t size);

// Pushes what was written through to the disk. Returns 0 or -1.
int file_commit(int descriptor);

// Returns 0, or -1 when the close failed (then written bytes may be lost).
int file_close(int descriptor);

// Deletes a file. Returns 0 or -1.
int file_remove(const char* path);
