#include "hit_notes.h"

#include <stdlib.h>
#include <string.h>

namespace {

constexpr size_t TEXT_BLOCK = 64 * 1024;
constexpr size_t LINK = sizeof(char*);   // where a block keeps the one before it

// Room for `size` bytes among the notes' texts, `bytes` copied there when not null; null
// when memory cannot be had.
char* keep_text(HitNotes* notes, const char* bytes, size_t size) {
    if (size == 0) return nullptr;
    if (!notes->block || notes->size - notes->used < size) {
        size_t block_size = LINK + (size > TEXT_BLOCK ? size : TEXT_BLOCK);
        char* block = static_cast<char*>(malloc(block_size));
        if (!block) return nullptr;
        memcpy(block, &notes->block, LINK);
        notes->block = block;
        notes->used = LINK;
        notes->size = block_size;
    }
    char* copy = notes->block + notes->used;
    if (bytes) memcpy(copy, bytes, size);
    notes->used += size;
    return copy;
}

}  // namespace

size_t excerpt_length(const HitExcerpt* excerpt) {
    size_t length = 0;
    for (uint8_t piece : excerpt->lengths) length += piece;
    return length;
}

void notes_keep(HitNotes* notes, const HitNote* note) {
    if (notes->failed) return;
    if (notes->count == notes->capacity) {
        uint32_t capacity = notes->capacity ? notes->capacity * 2 : 64;
        HitNote* grown = static_cast<HitNote*>(realloc(notes->notes, capacity * sizeof(HitNote)));
        if (!grown) {
            notes->failed = 1;
            return;
        }
        notes->notes = grown;
        notes->capacity = capacity;
    }
    HitNote kept = *note;
    // The pieces in one run of text, as they may lie anywhere now.
    size_t length = excerpt_length(&note->excerpt);
    char* text = keep_text(notes, nullptr, length);
    kept.written = keep_text(notes, note->written, note->written_length);
    if ((length && !text) || (note->written_length && !kept.written)) {
        notes->failed = 1;
        return;
    }
    for (int piece = 0; piece < EXCERPT_PIECES; piece++) {
        uint8_t size = note->excerpt.lengths[piece];
        if (!size) continue;
        memcpy(text, note->excerpt.pieces[piece], size);
        kept.excerpt.pieces[piece] = text;
        text += size;
    }
    notes->notes[notes->count++] = kept;
}

void notes_release(HitNotes* notes) {
    free(notes->notes);
    while (notes->block) {
        char* before;
        memcpy(&before, notes->block, LINK);
        free(notes->block);
        notes->block = before;
    }
    *notes = {};
}

void note_event(const HitNote* note, FolderEvent* event) {
    static const HitNote NONE = {};   // tells nothing
    if (!note) note = &NONE;
    event->match_length = note->match_length;
    event->written = note->written;
    event->written_length = note->written_length;
    event->line = note->line;
    event->excerpt = note->excerpt;
}
