// Capture names, in queries and in replacement templates: ASCII letters and digits only,
// possibly none.
#pragma once

#include <stddef.h>

// Copies the `length` bytes at `name` into a new NUL-terminated block, stored in `*block`
// before any byte is checked, so that the table holding it releases it on every path.
// Returns 0, ENOMEM, or EAGAIN for a byte that is no letter or digit.
int copy_name(const char* name, size_t length, char** block);
