// The part of search_in_file that follows the mask test, for the threads that scan files
// handed over by the walk as well.
#pragma once

#include <stddef.h>

#include "folder.h"

// Searches (or rewrites) the file at `path` (`length` bytes), which passed the mask;
// `name` has room for the path and TEMP_SUFFIX. Returns the visitor's code.
int search_passed_file(const FolderJob* job, const char* path, size_t length, char* name);
