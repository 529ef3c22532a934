// What the scan of a file asks of search_in_file, which decides about the file, and the
// part of search_in_file that follows the mask test, for the threads that scan files
// handed over by the walk as well.
#pragma once

#include <stddef.h>

#include "folder.h"

struct FileScan;

// Searches (or rewrites) the file at `path` (`length` bytes), which passed the masks;
// `name` has room for the path and TEMP_SUFFIX. Returns the visitor's code.
int search_passed_file(const FolderJob* job, const char* path, size_t length, char* name);

// Whether a Replace would rewrite the file that `scan` has open (its copy_name set):
// asked once per file, by the search before a Replace at the file's first candidate or
// at its end.
int scan_would_rewrite(FileScan* scan);
