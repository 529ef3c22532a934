// The tables are made when the program is built, from the pairs of upper- and lower-case
// letters of the code page.
#include "letter_case.h"

namespace {

struct CasePair {
    unsigned char upper;
    unsigned char lower;
};

// The letters of two cases in 0x80-0xBF, which follow no order of their own.
constexpr CasePair SCATTERED_PAIRS[] = {
    {0x80, 0x90},  // Ђ ђ
    {0x81, 0x83},  // Ѓ ѓ
    {0x8A, 0x9A},  // Љ љ
    {0x8C, 0x9C},  // Њ њ
    {0x8D, 0x9D},  // Ќ ќ
    {0x8E, 0x9E},  // Ћ ћ
    {0x8F, 0x9F},  // Џ џ
    {0xA1, 0xA2},  // Ў ў
    {0xA3, 0xBC},  // Ј ј
    {0xA5, 0xB4},  // Ґ ґ
    {0xA8, 0xB8},  // Ё ё
    {0xAA, 0xBA},  // Є є
    {0xAF, 0xBF},  // Ї ї
    {0xB2, 0xB3},  // І і
    {0xBD, 0xBE},  // Ѕ ѕ
};

constexpr void add_pair(CaseTable* table, unsigned upper, unsigned lower) {
    table->lower[upper] = static_cast<unsigned char>(lower);
    table->upper[lower] = static_cast<unsigned char>(upper);
    table->other[upper] = static_cast<unsigned char>(lower);
    table->other[lower] = static_cast<unsigned char>(upper);
}

constexpr CaseTable make_case_table() {
    CaseTable table = {};
    for (unsigned c = 0; c < 256; c++)
        table.lower[c] = table.upper[c] = table.other[c] = static_cast<unsigned char>(c);
    for (unsigned c = 'A'; c <= 'Z'; c++) add_pair(&table, c, c + 0x20);
    for (unsigned c = 0xC0; c <= 0xDF; c++) add_pair(&table, c, c + 0x20);   // А-Я а-я
    for (const CasePair& pair : SCATTERED_PAIRS) add_pair(&table, pair.upper, pair.lower);
    for (unsigned c = 0; c < 256; c++) table.fold[c] = table.lower[c];
    return table;
}

constexpr WordBytes make_word_bytes(const CaseTable& table) {
    WordBytes words = {};
    for (unsigned c = 0; c < 256; c++)
        words.of[c] = table.other[c] != c || c == MICRO_SIGN || (c >= '0' && c <= '9');
    return words;
}

}  // namespace

constexpr CaseTable CP1251_CASE = make_case_table();
constexpr WordBytes CP1251_WORD_BYTES = make_word_bytes(CP1251_CASE);

void lower_case_1251(char* text) {
    for (; *text; text++)
        *text = static_cast<char>(CP1251_CASE.lower[static_cast<unsigned char>(*text)]);
}

int other_cases_1251(const char* from, char* to, size_t size) {
    int changed = 0;
    for (size_t i = 0; i < size; i++) {
        unsigned char c = static_cast<unsigned char>(from[i]);
        to[i] = static_cast<char>(CP1251_CASE.other[c]);
        changed |= CP1251_CASE.other[c] != c;
    }
    return changed;
}
