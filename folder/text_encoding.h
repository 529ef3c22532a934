// Text files in the encodings that the user's files have: which one a file has, and its
// text turned into the program's single-byte ANSI text and back. The editor decodes
// whole documents; the folder search decodes a file block by block into a view with one
// byte per character, whose bytes it matches and whose offsets lead back into the file.
//
// Offsets and sizes are byte counts; nothing here allocates except encode_block.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum TextEncoding {
    TEXT_ANSI = 0,       // the user's ANSI code page: one byte per character
    TEXT_UTF8 = 1,
    TEXT_UTF16_LE = 2,
    TEXT_UTF16_BE = 3,
    TEXT_BINARY = 4,     // none of these, with a zero byte: bytes, never text
};

// 1 for UTF-16 LE and BE, whose characters begin at even offsets of the text.
int is_utf16(int encoding);

// A file's encoding and the length of the byte order mark it begins with (0: none).
struct TextForm {
    uint8_t encoding;      // TEXT_...
    uint8_t mark_length;
};

constexpr uint32_t DETECT_SIZE = 65536;        // detection looks at no more of a file
constexpr uint32_t UTF16_SAMPLE_SIZE = 4096;   // the bytes that show UTF-16 without a mark
constexpr uint32_t UTF16_LEAST_UNITS = 16;     // a sample shorter than this shows nothing

// Decides a file's form from its first `size` bytes (the whole file, or at least its
// first DETECT_SIZE bytes): a byte order mark; else UTF-16 by the share of zero and
// Cyrillic high bytes in the first UTF16_SAMPLE_SIZE bytes; else UTF-8 when the bytes are
// valid UTF-8 with at least one byte above 0x7F; else binary when they hold a zero byte;
// else ANSI. A sequence cut by the end of what is looked at counts as valid UTF-8.
TextForm detect_text_form(const char* bytes, uint32_t size);

// The same without the last step: a file that would be binary is ANSI here. Enough where
// binary bytes are searched as they are; holds_zero_byte tells them apart.
TextForm detect_text_encoding(const char* bytes, uint32_t size);

// 1 when the first DETECT_SIZE of the `size` bytes hold a zero byte.
int holds_zero_byte(const char* bytes, uint32_t size);

// The byte order mark of an encoding; returns its length (0 for ANSI and binary, and
// `bytes` then gets an empty string).
uint32_t text_mark(int encoding, const char** bytes);

// "UTF-8", "UTF-16 LE" or "UTF-16 BE"; null for ANSI and binary, which carry no tag.
const char* encoding_name(int encoding);

// The user's ANSI code page: the character of each byte, and the byte of each character
// of the Basic Multilingual Plane that has one (0 where none has; U+0000 is byte 0).
// Built on first use, from any thread; the same table for the rest of the run.
struct AnsiCodePage {
    uint16_t characters[256];
    uint8_t bytes[65536];
};
const AnsiCodePage* ansi_code_page();

// The running state of a decoding. The caller fills the first three fields and sets
// `position` to the raw offset that the first byte handed in stands at, counted from
// where it likes (a file's text begins behind its mark); each call advances it by the
// bytes consumed and adds the placeholders it gave to `unmapped`.
struct TextDecoder {
    uint8_t encoding;    // TEXT_...; ANSI and binary bytes are taken as they are
    char placeholder;    // the view byte of a character that has no ANSI form, of an
                         //   invalid UTF-8 byte (each one a character), of a lone
                         //   surrogate, and of a last odd byte of UTF-16
    uint32_t position;
    uint32_t unmapped;
    // Not 0: the view byte of a character without an ANSI form that Unicode counts as a
    // word's (unicode_words.h), so that whole-word matching tells it from the others.
    char word_placeholder;
};

// Decodes raw bytes that begin at a character boundary into `view`, one byte per
// character (its ANSI byte, U+0000 as 0), and, when `offsets` is not null, the raw
// offset where each character begins (decoder->position based). Stops when the view is
// full, or before a sequence cut by the end of the bytes given unless `at_end` says that
// they end the text (the cut bytes then are placeholders). `view` may be `raw` itself:
// no character is shorter than its view byte. Returns the raw bytes consumed; `produced`
// receives the view bytes written.
uint32_t decode_text(TextDecoder* decoder, const char* raw, uint32_t size, int at_end,
                     char* view, uint32_t* offsets, uint32_t capacity, uint32_t* produced);

// The most bytes that one character takes in any of the encodings.
constexpr uint32_t LONGEST_CHARACTER = 4;

// The length of the character that ends the `size` raw bytes (they end where a character
// begins, and begin no earlier than the text), as decode_text divides them.
uint32_t last_character_length(int encoding, const char* raw, uint32_t size);

// The size of `length` ANSI bytes in `encoding`, without a mark.
uint64_t encoded_size(int encoding, const char* ansi, uint32_t length);

// Writes `length` ANSI bytes in `encoding`, without a mark, into `out`, which holds at
// least encoded_size bytes. Returns the bytes written.
uint32_t encode_text(int encoding, const char* ansi, uint32_t length, char* out);

// The same in a new block from `allocate` (released with free), behind the encoding's
// mark when `with_mark` is 1. Returns null when memory cannot be had; `size` receives
// the length.
char* encode_block(int encoding, int with_mark, const char* ansi, uint32_t length,
                   void* (*allocate)(size_t size), uint32_t* size);
