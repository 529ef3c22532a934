// The note of a hit whose line the report lists: its line and the excerpt of that line
// (hit_notes.h), made from the file as it was read. The context before a match may lie
// before the block in hand and the context after it beyond: it is read again rather than
// more of the file kept.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "hit_notes.h"

struct FileScan;
struct WindowAnswer;

constexpr uint32_t EXCERPT_SIDE = 40;    // characters of the line on either side of the match
constexpr uint32_t EXCERPT_WHOLE = 60;   // a text up to this many characters is shown whole,
constexpr uint32_t EXCERPT_HEAD = 40;    //   a longer one by its first
constexpr uint32_t EXCERPT_TAIL = 20;    //   and its last characters
// The room for the pieces of an excerpt that are not the file's or the replacement's own
// bytes: decoded, or read again.
constexpr uint32_t EXCERPT_ROOM = 2 * (EXCERPT_SIDE + 1) + 2 * EXCERPT_WHOLE;

// What a note tells of the text that takes the hit's place.
enum NoteNew {
    NOTE_OLD_ONLY = 0,   // the matched text alone
    NOTE_WRITTEN = 1,    // and the replacement written
    NOTE_PREVIEW = 2,    // and the replacement that a Replace would write
};

// Makes the note of the hit in `answer`; its excerpt's pieces are in the block, in
// `replacement` or in `text` (EXCERPT_ROOM bytes), valid while they are. With
// NOTE_WRITTEN or NOTE_PREVIEW, `replacement` holds the bytes that replace the hit in the
// file's encoding.
void make_hit_note(FileScan* scan, const WindowAnswer* answer, int with_new,
                   const char* replacement, size_t replacement_length, char* text,
                   HitNote* note);
