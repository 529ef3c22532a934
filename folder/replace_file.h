// Letting a finished copy take a file's place, so that the file holds either its old
// bytes or the complete new ones, never a mix. Shared by the folder Replace and by Save.
#pragma once

#include <stdio.h>

// Pushes a stream's bytes to the disk: the C library's buffer, then the system's.
// Returns 0, or an errno value.
int flush_to_disk(FILE* stream);

// 1 when the file must not be rewritten: the read-only attribute on Windows, no write
// permission for its owner on POSIX systems. 0 otherwise, also when it does not exist.
int is_read_only(const char* path);

// Moves `copy` onto `target` in one step, `target`'s attributes (Windows: hidden, system,
// archive) or permission bits (POSIX) carried over. The target is never deleted first,
// and a read-only target is refused. Returns 0, or an errno value (also left in errno);
// on failure both files are as they were.
int replace_file(const char* copy, const char* target);
