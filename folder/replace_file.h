// A new content written into a copy beside a file, which then takes the file's place in
// one step: the file holds either its old bytes or all of the new ones, never a mix, and
// no other file is touched on the way. Shared by the folder Replace and by Save.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "folder_platform.h"

// place_copy's answer when the file is no longer the one that was read.
constexpr int COPY_TARGET_CHANGED = -1;
// How many names open_copy tries when it may take another one.
constexpr int COPY_NAMES_TRIED = 100;

struct FileCopy {
    char* name;     // the copy's path, a heap block; null when there is no copy
    FILE* stream;   // open while the copy is written
};

// 1 when the copy of `target` named by `suffix` would pass the platform's path limit.
int copy_path_too_long(const char* target, const char* suffix);

// Creates the copy of `target` beside it, exclusively, so that no file is ever
// overwritten: its name is the target's path followed by `suffix`, or, with
// `other_names`, when that name is taken, by `suffix` and 2, 3 and so on. Nothing is made
// when the name would pass the platform's path limit. Returns 0, or ENAMETOOLONG, EEXIST
// (the name is taken, and no other may be tried), ENOMEM or the system's reason.
int open_copy(const char* target, const char* suffix, int other_names, FileCopy* copy);

// Pushes the copy's bytes to the disk and closes it. Returns 0 or an errno value; the
// stream is closed either way.
int finish_copy(FileCopy* copy);

// Lets the finished copy take `target`'s place in one step, carrying over the target's
// attributes (Windows) or permission bits, owner and group (POSIX, where the process may
// set them). With `expected`, a target that is no longer that file in that state is left
// alone (COPY_TARGET_CHANGED). A read-only target is refused (EACCES). Returns 0,
// COPY_TARGET_CHANGED or an errno value; on failure both files are as they were.
int place_copy(FileCopy* copy, const char* target, const FileIdentity* expected);

// Closes the copy if it is open and removes it. Returns 0, or the removal's errno value.
int remove_copy(FileCopy* copy);

// Releases the copy's name (after it took its place or was removed).
void release_copy(FileCopy* copy);

// The platform's part.

// Pushes a stream's bytes to the disk: the C library's buffer, then the system's.
// Returns 0, or an errno value.
int flush_to_disk(FILE* stream);

// 1 when the file must not be rewritten: the read-only attribute on Windows, no write
// permission for its owner on POSIX systems. 0 otherwise, also when it does not exist.
int is_read_only(const char* path);

// Moves `copy` onto `target` in one step, `target`'s attributes (Windows: hidden, system,
// archive) or permission bits, owner and group (POSIX) carried over. The target is never
// deleted first, and a read-only target is refused. Returns 0, or an errno value (also
// left in errno); on failure both files are as they were.
int replace_file(const char* copy, const char* target);
