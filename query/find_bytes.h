// Finding a byte string in a block, fast: the needle prepared once, looked for in many
// blocks (the literals of a query in its windows, a query's prefix in a file).
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
// The same with the two bytes chosen among those at `first`, `first + step`, ...: for a
// needle in UTF-16, its characters' low bytes, as the high ones are common in such text.
void prepare_finder_among(ByteFinder* finder, const char* needle, uint32_t size,
                          uint32_t first, uint32_t step);

// The first occurrence of the needle that lies wholly within the `size` bytes, or null.
const char* find_bytes(const ByteFinder* finder, const char* bytes, size_t size);

// The ways of the search, from the plainest; the widest that the processor has is taken.
enum FinderLevel { FINDER_PLAIN = 0, FINDER_SSE2 = 1, FINDER_AVX2 = 2 };
FinderLevel finder_level();
// For tests: takes `level` (at most the processor's), or the processor's again with -1.
void force_finder_level(int level);
