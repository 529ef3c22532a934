// The text of a UTF-8 or UTF-16 file as the query engine matches it: one byte per
// character (its ANSI byte), decoded from the scan's buffer as far as the windows reach,
// with the file offset where each character begins. It moves forward with the scan's
// candidates, each character decoded once, and numbers its characters the same way from
// window to window, so that the engine can remember its literals' searches.
#pragma once

#include <stdint.h>

#include "text_encoding.h"

struct TextView {
    TextDecoder decoder;
    char* bytes;          // the characters' view bytes
    uint32_t* offsets;    // where each begins in the file, from `start` on
    uint32_t capacity;
    uint32_t count;       // characters in the view
    int64_t start;        // the file offset of the first character
    int64_t end;          // the file offset behind the last one
    int64_t base;         // the engine's number for the first character
};

// Makes the view for a file in `encoding`; characters without an ANSI form become
// `placeholder`, or `word_placeholder` those that Unicode counts as a word's (when it is
// not 0). Returns 0, or -1 when memory cannot be had.
int view_begin(TextView* view, int encoding, char placeholder, char word_placeholder,
               uint32_t window_size);
void view_end(TextView* view);

// Makes the view hold the characters from file offset `from` (where a character begins)
// whose bytes lie wholly before `until`, decoding them from `raw` (the file's bytes from
// `raw_start`, up to `raw_end`; `at_end`: the file ends there). `*first` receives the
// index of `from`'s character. Returns 1 when the view had to start afresh (its numbers
// do not go on from before), 0 when it went on.
int view_window(TextView* view, int64_t from, int64_t until, const char* raw, int64_t raw_start,
                int64_t raw_end, int at_end, uint32_t* first);

// The file offset where the character at `index` begins; `end` for the index after the
// last.
int64_t view_offset(const TextView* view, uint32_t index);

// The index behind the last character of the view whose bytes lie wholly before the file
// offset `until`.
uint32_t view_index_before(const TextView* view, int64_t until);
