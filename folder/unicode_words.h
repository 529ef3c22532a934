// Which characters Unicode counts as a word's own, for whole-word matching in files whose
// characters Windows-1251 lacks (é in «café» is a letter, so `caf` is no word there).
#pragma once

#include <stdint.h>

// 1 for a letter, a mark that joins one, or a decimal digit; 0 for the rest.
int unicode_word_character(uint32_t point);
