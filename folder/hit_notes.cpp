#include "hit_notes.h"

#include <stdlib.h>
#include <string.h>

namespace {

constexpr size_t TEXT_BLOCK = 64 * 1024;
constexpr size_t LINK = sizeof(char*);   // where a block keeps the one before it

// A copy of `size` bytes among the notes' texts, or null when memory cannot be had.
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
    memcpy(copy, bytes, size);
    notes->used += size;
    return copy;
}

}  // namespace

size_t excerpt_length(const HitExcerpt* excerpt) {
    size_t length = 0;
    if (excerpt->text)
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
    size_t length = excerpt_length(&note->excerpt);
    kept.excerpt.text = note->excerpt.text ? keep_text(notes, note->excerpt.text, length) : nullptr;
    kept.written = keep_text(notes, note->written, note->written_length);
    if ((note->excerpt.text && length && !kept.excerpt.text) ||
        (note->written_length && !kept.written)) {
        notes->failed = 1;
        return;
    }
    // An empty excerpt is still an excerpt.
    if (note->excerpt.text && !kept.excerpt.text) kept.excerpt.text = "";
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
    if (!note) {
        event->match_length = 0;
        event->written = nullptr;
        event->written_length = 0;
        event->line = 0;
        event->excerpt = {};
        return;
    }
    event->match_length = note->match_length;
    event->written = note->written;
    event->written_length = note->written_length;
    event->line = note->line;
    event->excerpt = note->excerpt;
}
