// Substring search within a bounded byte range.
#pragma once

#include <stddef.h>

// The first occurrence of the `needle_length` bytes of `needle` that lies wholly within
// [from, end), or null. An empty needle is found at `from`.
const char* find_bytes(const char* from, const char* end, const char* needle,
                       size_t needle_length);
