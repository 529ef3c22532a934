// A file read for the editor, as Open shows it, with what leads positions in its bytes
// to the characters of the editor's text.
#pragma once

#include <stdint.h>

#include "document_file.h"
#include "document_text.h"
#include "window.h"

// Reads `path` (at most `limit` bytes) into the editor's text, decoded as Open decodes
// it, in a new block `*text` (released with free) with a zero byte behind its
// `shown->full_length` characters; `shown` receives the file's facts (its raw bytes when
// it is UTF-8 or UTF-16), `decoded` what Save can write.
ReadResult read_shown_file(const char* path, uint32_t limit, char** text, ShownFile* shown,
                           DocumentText* decoded);

// Forgets the file: the text shown is no longer its.
void release_shown_file(ShownFile* shown);

// The index of the character that begins at the file's byte `offset` (the end of the
// text for its end). False when no character begins there: inside one, or beyond the
// file; `index` then receives the characters wholly before it.
bool shown_character(const ShownFile* shown, int64_t offset, uint32_t* index);
