// Finding a short byte string (a query's literal prefix) in a block of a file, fast.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct ByteFinder {
    const char* needle;
    uint32_t size;    // at least 1
    uint32_t rare;    // the needle's rarest byte in text, by a rough table
    uint32_t second;  // the next rarest, at another index (equal to rare for one byte)
};

void prepare_finder(ByteFinder* finder, const char* needle, uint32_t size);

// The first occurrence of the needle in `bytes`, or null.
const char* find_bytes(const ByteFinder* finder, const char* bytes, size_t size);
