// What a hit whose line the report lists tells beyond its offset: its line, its excerpt
// and the bytes that its replacement writes. A Replace keeps the notes of the hits that
// it holds until the file's fate is known, their texts in blocks that never move.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "folder.h"

struct HitNote {
    int64_t line;              // 1-based; 0 when it could not be counted
    uint32_t match_length;     // the file's bytes that the match spans
    HitExcerpt excerpt;
    const char* written;       // the replacement's bytes in the file's encoding, or null
    uint32_t written_length;
};

// The notes of a file's first held hits: notes[i] is of its i-th hit.
struct HitNotes {
    HitNote* notes;
    uint32_t count;
    uint32_t capacity;
    char* block;      // the newest block of texts; each begins with the one before
    size_t used;
    size_t size;
    int failed;       // memory ran out: the file's later hits have no notes
};

// Keeps a copy of `note` (its excerpt's text and written bytes) as the next one.
void notes_keep(HitNotes* notes, const HitNote* note);
void notes_release(HitNotes* notes);

// The bytes of an excerpt's pieces.
size_t excerpt_length(const HitExcerpt* excerpt);

// Tells `note` (or nothing, when null) in the event of its hit.
void note_event(const HitNote* note, FolderEvent* event);
