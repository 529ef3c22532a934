#include "hit_excerpt.h"

#include <string.h>

#include "file_scan.h"
#include "hit_line.h"
#include "scan_window.h"
#include "text_encoding.h"

namespace {

// The most bytes of one character in a file's encoding.
uint32_t widest_character(int encoding) {
    return encoding == TEXT_UTF8 || is_utf16(encoding) ? 4 : 1;
}

// The excerpt as it is made: each piece behind the one before.
struct Pieces {
    HitExcerpt* excerpt;
    char* text;
    uint32_t length;
};

// `characters` may be where the piece goes already.
void put_piece(Pieces* pieces, int piece, const char* characters, uint32_t count) {
    if (count) memmove(pieces->text + pieces->length, characters, count);
    pieces->length += count;
    pieces->excerpt->lengths[piece] = static_cast<uint8_t>(count);
}

// Decodes `size` bytes of the file's text into Windows-1251 characters (a character
// without a form there as `?`), at most `capacity` of them. Returns their count.
uint32_t decode_characters(int encoding, const char* raw, uint32_t size, int at_end,
                           char* characters, uint32_t capacity) {
    if (encoding != TEXT_UTF8 && !is_utf16(encoding)) {
        uint32_t count = size < capacity ? size : capacity;
        memcpy(characters, raw, count);
        return count;
    }
    TextDecoder decoder = {static_cast<uint8_t>(encoding), '?', 0, 0};
    uint32_t produced = 0;
    decode_text(&decoder, raw, size, at_end, characters, nullptr, capacity, &produced);
    return produced;
}

// A text of the hit (the matched one, or its replacement: `size` bytes in the file's
// encoding) as the two pieces from `head` on: all of it when it is short, else its first
// and its last characters.
void put_text(Pieces* pieces, int encoding, const char* raw, size_t size, int head) {
    char* out = pieces->text + pieces->length;
    if (encoding != TEXT_UTF8 && !is_utf16(encoding)) {
        if (size <= EXCERPT_WHOLE) {
            put_piece(pieces, head, raw, static_cast<uint32_t>(size));
        } else {
            put_piece(pieces, head, raw, EXCERPT_HEAD);
            put_piece(pieces, head + 1, raw + size - EXCERPT_TAIL, EXCERPT_TAIL);
        }
        return;
    }
    // Decoded from start to end: the characters' count is known only then. The first
    // ones go to the text at once, the last ones round a ring.
    TextDecoder decoder = {static_cast<uint8_t>(encoding), '?', 0, 0};
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
        put_piece(pieces, head, out, static_cast<uint32_t>(count));
        return;
    }
    put_piece(pieces, head, out, EXCERPT_HEAD);
    char tail[EXCERPT_TAIL];
    for (uint32_t i = 0; i < EXCERPT_TAIL; i++) tail[i] = ring[(count + i) % EXCERPT_TAIL];
    put_piece(pieces, head + 1, tail, EXCERPT_TAIL);
}

bool is_break(char character) {
    return character == '\n' || character == '\r';
}

// The characters of the hit's line before `offset`, where the match begins.
void put_before(Pieces* pieces, FileScan* scan, int64_t offset) {
    const bool match_begins_with_lf = begins_with_lf(scan, offset);
    const int encoding = scan->form.encoding;
    char raw[(EXCERPT_SIDE + 2) * 4], characters[sizeof raw];
    int64_t from = offset - static_cast<int64_t>((EXCERPT_SIDE + 2) * widest_character(encoding));
    if (from < scan->text_start) from = scan->text_start;
    int32_t got = block_read_range(&scan->block, from, static_cast<uint32_t>(offset - from), raw);
    if (got < 0) {
        scan->block.read_failed = 1;
        got = 0;
    }
    // Begin at a character's start: a sequence cut at the front goes.
    uint32_t skip = 0;
    if (from > scan->text_start && encoding == TEXT_UTF8)
        while (skip < 3 && skip < static_cast<uint32_t>(got) && (raw[skip] & 0xC0) == 0x80) skip++;
    if (from > scan->text_start && is_utf16(encoding) && got >= 2) {
        unsigned high = static_cast<unsigned char>(raw[encoding == TEXT_UTF16_BE ? 0 : 1]);
        if (high >= 0xDC && high <= 0xDF) skip = 2;   // the low half of a pair
    }
    uint32_t count = decode_characters(encoding, raw + skip, static_cast<uint32_t>(got) - skip, 1,
                                       characters, sizeof characters);
    // Behind the last line end: an LF, or a CR that no LF follows (the match's first
    // character follows the last one).
    uint32_t start = 0;
    bool line_start = from == scan->text_start;
    for (uint32_t i = count; i-- > 0;) {
        bool next_is_lf = i + 1 < count ? characters[i + 1] == '\n' : match_begins_with_lf;
        if (characters[i] == '\n' || (characters[i] == '\r' && !next_is_lf)) {
            start = i + 1;
            line_start = true;
            break;
        }
    }
    uint32_t length = count - start;
    pieces->excerpt->before_cut = length > EXCERPT_SIDE || !line_start;
    if (length > EXCERPT_SIDE) start = count - EXCERPT_SIDE;
    put_piece(pieces, PIECE_BEFORE, characters + start, count - start);
}

// The characters of the hit's line from `end`, where the match ends.
void put_after(Pieces* pieces, FileScan* scan, int64_t end) {
    const int encoding = scan->form.encoding;
    char raw[(EXCERPT_SIDE + 2) * 4], characters[EXCERPT_SIDE + 1];
    uint32_t wanted = (EXCERPT_SIDE + 2) * widest_character(encoding);
    int32_t got = block_read_range(&scan->block, end, wanted, raw);
    if (got < 0) {
        scan->block.read_failed = 1;
        got = 0;
    }
    uint32_t count = decode_characters(encoding, raw, static_cast<uint32_t>(got),
                                       static_cast<uint32_t>(got) < wanted, characters,
                                       sizeof characters);
    uint32_t length = 0;
    while (length < count && !is_break(characters[length])) length++;
    pieces->excerpt->after_cut = length > EXCERPT_SIDE;
    put_piece(pieces, PIECE_AFTER, characters, length > EXCERPT_SIDE ? EXCERPT_SIDE : length);
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
    note->excerpt.text = text;
    Pieces pieces = {&note->excerpt, text, 0};
    // The matched bytes lie in the block: the engine found them there.
    const char* matched = block->bytes + (offset - block->start);
    put_before(&pieces, scan, offset);
    put_text(&pieces, encoding, matched, static_cast<size_t>(end - offset), PIECE_OLD_HEAD);
    if (with_new != NOTE_OLD_ONLY) {
        put_text(&pieces, encoding, replacement, replacement_length, PIECE_NEW_HEAD);
        note->excerpt.has_new = 1;
        note->excerpt.preview = with_new == NOTE_PREVIEW;
        note->written = replacement;
        note->written_length = static_cast<uint32_t>(replacement_length);
    }
    put_after(&pieces, scan, end);
}
