// Finding a byte string in a block, fast: the needle prepared once, looked for in many
// blocks (the literals of a query in its windows, a query's prefix in a file).
#pragma once

#include <stddef.h>
#include <stdint.h>

struct ByteFinder {
    const char* needle;
    // Null: the needle's bytes exactly. Otherwise another form of it, byte for byte (its
    // letters in their other case, say): a place holds the needle where each byte is
    // either form's at its index, and both are searched for in the same pass.
    const char* other;
    uint32_t size;    // at least 1
    uint32_t rare;    // the needle's rarest byte in text, by a rough table
    uint32_t second;  // the next rarest, at another index (equal to rare for one byte)
    // With `other`, when the two forms' bytes at `rare` and at `second` differ in one bit
    // at most (a letter's two cases mostly do): those bits, which set in a byte let one
    // comparison find both forms. `masked` 0: each form is compared.
    int masked;
    unsigned char rare_bit;
    unsigned char second_bit;
};

void prepare_finder(ByteFinder* finder, const char* needle, uint32_t size);
// Either of two forms of a needle, of `size` bytes each (`other` may be null), the two
// bytes chosen among those at `first`, `first + step`, ... (0 and 1: among all; for a
// needle in UTF-16, its characters' low bytes, as the high ones are common in such
// text). Matching both cases of a Windows-1251 needle: `other` from other_cases_1251. For
// an encoded needle the forms are its lower- and upper-case text encoded; a place that
// mixes bytes of the two forms within one character is found too, and is for the caller
// to judge.
void prepare_finder_either(ByteFinder* finder, const char* needle, const char* other,
                           uint32_t size, uint32_t first, uint32_t step);

// The first occurrence of the needle that lies wholly within the `size` bytes, or null.
const char* find_bytes(const ByteFinder* finder, const char* bytes, size_t size);

// The ways of the search, from the plainest; the widest that the processor has is taken.
enum FinderLevel { FINDER_PLAIN = 0, FINDER_SSE2 = 1, FINDER_AVX2 = 2 };
FinderLevel finder_level();
// For tests: takes `level` (at most the processor's), or the processor's again with -1.
void force_finder_level(int level);
