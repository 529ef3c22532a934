// A document's file bytes as the editor's ANSI text, and that text back as the file's
// bytes: a UTF-8 or UTF-16 file is shown in the ANSI code page and written back in its
// own encoding, behind its byte order mark when it had one.
#pragma once

#include <stdint.h>

#include "text_encoding.h"
#include "window.h"

// What the editor shows for a character that the code page lacks.
constexpr char UNSHOWN_CHARACTER = '?';

// Whether a file in `encoding` (TEXT_...) is shown as its bytes, each a character, as are
// ANSI and binary files; a UTF-8 or UTF-16 file's text is decoded, and saved encoded.
bool shown_as_bytes(int encoding);

struct DocumentText {
    TextForm form;    // what Save writes: the file's form, or ANSI when it could not be kept
    uint8_t lossy;    // characters without an ANSI form are shown as '?': the file's
                      //   text cannot be written back
};

// Turns a file's `length` bytes (a block with room for a zero byte behind them) into
// the editor's text in place, with a zero byte behind it; `length` becomes its length.
// ANSI and binary files stay as they are.
DocumentText decode_document(char* bytes, uint32_t* length);

// Writes the editor's text to `path` in `form`, as write_whole_file does. Returns 0, or
// an errno value: ENOMEM when there is no memory for the encoded bytes.
int write_document(const char* path, TextForm form, const char* text, uint32_t length);

// The editor now holds a document of this form; the title shows its tag.
void set_document_form(WindowState* state, const Window* window, TextForm form);
