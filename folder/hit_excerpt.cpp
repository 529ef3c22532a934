#include "hit_excerpt.h"

#include <string.h>

#include "file_scan.h"
#include "hit_line.h"
#include "line_ends.h"
#include "scan_window.h"
#include "text_encoding.h"

namespace {

// The excerpt as it is made, and the room for its pieces that need one.
struct Pieces {
    HitExcerpt* excerpt;
    char* room;
    uint32_t used;
};

void set_piece(Pieces* pieces, int piece, const char* characters, uint32_t count) {
    pieces->excerpt->pieces[piece] = count ? characters : nullptr;
    pieces->excerpt->lengths[piece] = static_cast<uint8_t>(count);
}

// `count` bytes of room, behind the pieces there.
char* take_room(Pieces* pieces, uint32_t count) {
    char* room = pieces->room + pieces->used;
    pieces->used += count;
    return room;
}

// Reads `size` bytes of the file from `from` into `into` (fewer where the file ends).
// Returns their count; a read that fails gives none, and the block says so.
uint32_t read_again(FileScan* scan, int64_t from, uint32_t size, char* into) {
    int32_t got = block_read_range(&scan->block, from, size, into);
    if (got >= 0) return static_cast<uint32_t>(got);
    scan->block.read_failed = 1;
    return 0;
}

// The same into room of the excerpt.
uint32_t read_into_room(Pieces* pieces, FileScan* scan, int64_t from, uint32_t size,
                        const char** bytes) {
    char* room = take_room(pieces, size);
    *bytes = room;
    return read_again(scan, from, size, room);
}

// --- Files of single bytes (the ANSI code page, binary files): the characters are the
// bytes, mostly in the block at hand.

// A text of the hit, `size` bytes, as its head and tail pieces: all of it when it is
// short, else its first and its last characters.
void put_bytes_text(Pieces* pieces, const char* bytes, size_t size, int head) {
    if (size <= EXCERPT_WHOLE) {
        set_piece(pieces, head, bytes, static_cast<uint32_t>(size));
    } else {
        set_piece(pieces, head, bytes, EXCERPT_HEAD);
        set_piece(pieces, head + 1, bytes + size - EXCERPT_TAIL, EXCERPT_TAIL);
    }
}

// The line before the match, from `count` (at most EXCERPT_SIDE + 1) bytes before it;
// `line_start`: they begin where the text begins.
void put_bytes_before(Pieces* pieces, const char* bytes, uint32_t count, bool line_start,
                      bool match_begins_with_lf) {
    int32_t end = last_break(bytes, count);
    // A CR whose LF begins the match ends no line before it.
    if (end >= 0 && end == static_cast<int32_t>(count) - 1 && bytes[end] == '\r' && match_begins_with_lf)
        end = last_break(bytes, count - 1);
    uint32_t start = end >= 0 ? static_cast<uint32_t>(end) + 1 : 0;
    line_start = line_start || end >= 0;
    if (count - start > EXCERPT_SIDE) {
        start = count - EXCERPT_SIDE;
        line_start = false;
    }
    pieces->excerpt->before_cut = !line_start;
    set_piece(pieces, PIECE_BEFORE, bytes + start, count - start);
}

void put_bytes_after(Pieces* pieces, const char* bytes, uint32_t count) {
    uint32_t length = first_break(bytes, count);
    pieces->excerpt->after_cut = length > EXCERPT_SIDE;
    set_piece(pieces, PIECE_AFTER, bytes, length > EXCERPT_SIDE ? EXCERPT_SIDE : length);
}

void put_bytes_context(Pieces* pieces, FileScan* scan, int64_t offset, int64_t end) {
    const FileBlock* block = &scan->block;
    int64_t from = offset - (EXCERPT_SIDE + 1);
    if (from < scan->text_start) from = scan->text_start;
    uint32_t count = static_cast<uint32_t>(offset - from);
    const char* bytes = block->bytes + (from - block->start);
    if (from < block->start) count = read_into_room(pieces, scan, from, count, &bytes);
    put_bytes_before(pieces, bytes, count, from == scan->text_start, begins_with_lf(scan, offset));

    int64_t until = end + EXCERPT_SIDE + 1;
    bytes = block->bytes + (end - block->start);
    if (until <= block_end(block) || block->at_end)
        count = static_cast<uint32_t>((until < block_end(block) ? until : block_end(block)) - end);
    else
        count = read_into_room(pieces, scan, end, EXCERPT_SIDE + 1, &bytes);
    put_bytes_after(pieces, bytes, count);
}

// --- UTF-8 and UTF-16 files: their characters decoded into Windows-1251 (a character
// without a form there as `?`).

uint32_t decode_characters(int encoding, const char* raw, uint32_t size, int at_end,
                           char* characters, uint32_t capacity) {
    TextDecoder decoder = {static_cast<uint8_t>(encoding), '?', 0, 0, 0};
    uint32_t produced = 0;
    decode_text(&decoder, raw, size, at_end, characters, nullptr, capacity, &produced);
    return produced;
}

// A text of the hit (`size` bytes in the file's encoding) as its head and tail pieces.
// Decoded from start to end, as the characters' count is known only then: the first
// ones go to the room at once, the last ones round a ring.
void put_decoded_text(Pieces* pieces, int encoding, const char* raw, size_t size, int head) {
    char* out = take_room(pieces, EXCERPT_WHOLE);
    TextDecoder decoder = {static_cast<uint8_t>(encoding), '?', 0, 0, 0};
    char chunk[128], ring[EXCERPT_TAIL];
    uint64_t count = 0;
    for (size_t consumed = 0; consumed < size;) {
        uint32_t part = size - consumed < UINT32_MAX ? static_cast<uint32_t>(size - consumed) : UINT32_MAX;
        uint32_t produced = 0;
        uint32_t taken = decode_text(&decoder, raw + consumed, part, 1, chunk, nullptr,
                                     sizeof chunk, &produced);
        if (taken == 0) break;
        consumed += taken;
        for (uint32_t i = 0; i < produced; i++, count++) {
            if (count < EXCERPT_WHOLE) out[count] = chunk[i];
            ring[count % EXCERPT_TAIL] = chunk[i];
        }
    }
    if (count <= EXCERPT_WHOLE) {
        set_piece(pieces, head, out, static_cast<uint32_t>(count));
        return;
    }
    set_piece(pieces, head, out, EXCERPT_HEAD);
    // The tail behind the head, in the room that the rest of the head left.
    char* tail = out + EXCERPT_HEAD;
    for (uint32_t i = 0; i < EXCERPT_TAIL; i++) tail[i] = ring[(count + i) % EXCERPT_TAIL];
    set_piece(pieces, head + 1, tail, EXCERPT_TAIL);
}

// The hit's line around the match, decoded from the bytes that hold at least the
// characters that it shows.
void put_decoded_context(Pieces* pieces, FileScan* scan, int64_t offset, int64_t end) {
    const int encoding = scan->form.encoding;
    const uint32_t widest = LONGEST_CHARACTER;
    char raw[(EXCERPT_SIDE + 2) * widest], characters[sizeof raw];
    int64_t from = offset - (EXCERPT_SIDE + 2) * widest;
    if (from < scan->text_start) from = scan->text_start;
    uint32_t got = read_again(scan, from, static_cast<uint32_t>(offset - from), raw);
    // Begin at a character's start: a sequence cut at the front goes.
    uint32_t skip = 0;
    if (from > scan->text_start && encoding == TEXT_UTF8)
        while (skip < 3 && skip < got && (raw[skip] & 0xC0) == 0x80) skip++;
    if (from > scan->text_start && encoding != TEXT_UTF8 && got >= 2) {
        unsigned high = static_cast<unsigned char>(raw[encoding == TEXT_UTF16_BE ? 0 : 1]);
        if (high >= 0xDC && high <= 0xDF) skip = 2;   // the low half of a pair
    }
    uint32_t count = decode_characters(encoding, raw + skip, got - skip, 1,
                                       characters, sizeof characters);
    // No more than the last EXCERPT_SIDE + 1 characters are of use; fewer begin the text.
    bool line_start = from == scan->text_start;
    uint32_t first = 0;
    if (count > EXCERPT_SIDE + 1) {
        first = count - (EXCERPT_SIDE + 1);
        line_start = false;
    }
    char* before = take_room(pieces, count - first);
    memcpy(before, characters + first, count - first);
    put_bytes_before(pieces, before, count - first, line_start, begins_with_lf(scan, offset));

    uint32_t wanted = (EXCERPT_SIDE + 2) * widest;
    got = read_again(scan, end, wanted, raw);
    char* after = take_room(pieces, EXCERPT_SIDE + 1);
    count = decode_characters(encoding, raw, got, got < wanted, after, EXCERPT_SIDE + 1);
    put_bytes_after(pieces, after, count);
}

}  // namespace

void make_hit_note(FileScan* scan, const WindowAnswer* answer, int with_new,
                   const char* replacement, size_t replacement_length, char* text,
                   HitNote* note) {
    const int encoding = scan->form.encoding;
    const FileBlock* block = &scan->block;
    const int64_t offset = answer->offset, end = answer->end;
    *note = {};
    note->line = hit_line(scan, offset);
    note->match_length = static_cast<uint32_t>(end - offset);
    Pieces pieces = {&note->excerpt, text, 0};
    // The matched bytes lie in the block: the engine found them there.
    const char* matched = block->bytes + (offset - block->start);
    if (!scan->encoded) {
        put_bytes_context(&pieces, scan, offset, end);
        put_bytes_text(&pieces, matched, static_cast<size_t>(end - offset), PIECE_OLD_HEAD);
        if (with_new != NOTE_OLD_ONLY)
            put_bytes_text(&pieces, replacement, replacement_length, PIECE_NEW_HEAD);
    } else {
        put_decoded_context(&pieces, scan, offset, end);
        put_decoded_text(&pieces, encoding, matched, static_cast<size_t>(end - offset), PIECE_OLD_HEAD);
        if (with_new != NOTE_OLD_ONLY)
            put_decoded_text(&pieces, encoding, replacement, replacement_length, PIECE_NEW_HEAD);
    }
    if (with_new != NOTE_OLD_ONLY) {
        note->excerpt.has_new = 1;
        note->excerpt.preview = with_new == NOTE_PREVIEW;
        note->written = replacement;
        note->written_length = static_cast<uint32_t>(replacement_length);
    }
}
