// Letters, digits and letter case in Windows-1251, fixed whatever the locale: the program
// and its native tests decide alike (the C library's lower-casing on Linux knows no
// Cyrillic). Latin and Cyrillic letters, Ё/ё and the code page's other letters of two
// cases (Ђ/ђ, Ѓ/ѓ, Љ/љ, Њ/њ, Ќ/ќ, Ћ/ћ, Џ/џ, Ў/ў, Ј/ј, Ґ/ґ, Є/є, Ї/ї, І/і, Ѕ/ѕ).
#pragma once

#include <stddef.h>

struct CaseTable {
    unsigned char lower[256];
    unsigned char upper[256];
    unsigned char fold[256];    // what letters are compared by: one byte for both cases
    unsigned char other[256];   // a letter's other case; any other byte itself
};

extern const CaseTable CP1251_CASE;

// Which bytes are a word's characters for whole-word matching: 1 each, 0 the others.
struct WordBytes {
    unsigned char of[256];
};

// µ: a letter without an upper case in the code page.
constexpr unsigned char MICRO_SIGN = 0xB5;

// The code page's letters (µ too, which has one case) and the digits 0-9.
extern const WordBytes CP1251_WORD_BYTES;

// Lower-cases a string in place.
void lower_case_1251(char* text);

// Writes the other case of each of the `size` bytes of `from` to `to` (which may be
// `from`). Returns 1 when some byte has another case, 0 when all stayed as they were.
int other_cases_1251(const char* from, char* to, size_t size);
