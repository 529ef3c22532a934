#include "hit_line.h"

#include "file_scan.h"
#include "line_ends.h"

namespace {

constexpr uint32_t REREAD_CHUNK = 32768;

// The characters' width that the count must keep whole: a UTF-16 code unit, else a byte.
int64_t whole(const FileScan* scan, int64_t offset) {
    if (!is_utf16(scan->form.encoding)) return offset;
    return offset - (offset - scan->text_start) % 2;
}

void count_bytes(FileScan* scan, const char* bytes, uint32_t size) {
    LineCount* lines = &scan->lines;
    lines->ends += count_line_ends(scan->form.encoding, bytes, size, &lines->cr_pending);
    lines->counted_to += size;
}

// Counts the bytes from `lines->counted_to` that the block does not hold, up to `stop`,
// read again from the file. Returns 0, or -1 when reading failed. Apart from the count's
// usual way, so that its buffer costs nothing there.
__attribute__((noinline)) int count_read_again(FileScan* scan, int64_t stop) {
    char chunk[REREAD_CHUNK];
    int64_t at = scan->lines.counted_to;
    uint32_t size = stop - at < REREAD_CHUNK ? static_cast<uint32_t>(stop - at) : REREAD_CHUNK;
    int32_t got = file_ops.read_at(scan->block.source, at, chunk, size);
    if (got <= 0) {
        scan->block.read_failed = 1;
        return -1;
    }
    uint32_t counted = static_cast<uint32_t>(whole(scan, at + got) - at);
    if (counted == 0) {   // half a character where the hit was to be: the file shrank
        scan->block.read_failed = 1;
        return -1;
    }
    count_bytes(scan, chunk, counted);
    return 0;
}

// Counts on to `offset` (a character's start): from the block where it holds the bytes,
// else from the file read again. Returns 0, or -1 when reading failed.
int count_to(FileScan* scan, int64_t offset) {
    LineCount* lines = &scan->lines;
    const FileBlock* block = &scan->block;
    if (!lines->begun) *lines = {1, scan->text_start, 0, 0};
    while (lines->counted_to < offset) {
        int64_t at = lines->counted_to;
        int64_t held_end = whole(scan, offset < block_end(block) ? offset : block_end(block));
        if (at >= block->start && held_end > at) {
            count_bytes(scan, block->bytes + (at - block->start), static_cast<uint32_t>(held_end - at));
            continue;
        }
        // Up to the block, or to the hit; in UTF-16 a unit that the block's start cuts is
        // read whole.
        int64_t stop = offset;
        if (at < block->start && block->start < stop) {
            stop = block->start;
            if (whole(scan, stop) != stop) stop++;
        }
        if (count_read_again(scan, stop) != 0) return -1;
    }
    return 0;
}

}  // namespace

int64_t hit_line(FileScan* scan, int64_t offset) {
    if (count_to(scan, offset) != 0) return 0;
    const LineCount* lines = &scan->lines;
    int64_t line = static_cast<int64_t>(lines->ends) + 1;
    if (!lines->cr_pending) return line;
    // The CR before the hit ends a line unless the hit begins with its LF.
    return begins_with_lf(scan, offset) ? line : line + 1;
}

int begins_with_lf(const FileScan* scan, int64_t offset) {
    const FileBlock* block = &scan->block;
    const char* first = block->bytes + (offset - block->start);
    if (!is_utf16(scan->form.encoding)) return first[0] == '\n';
    // The unit's other byte is in the block too: a hit spans whole units.
    return scan->form.encoding == TEXT_UTF16_BE ? first[0] == 0 && first[1] == '\n'
                                                : first[0] == '\n' && first[1] == 0;
}

void lines_before_dropping(FileScan* scan, int64_t offset) {
    LineCount* lines = &scan->lines;
    const FileBlock* block = &scan->block;
    if (!lines->begun || !hit_listed(scan) || lines->counted_to < block->start) return;
    int64_t end = whole(scan, offset < block_end(block) ? offset : block_end(block));
    if (end > lines->counted_to)
        count_bytes(scan, block->bytes + (lines->counted_to - block->start),
                    static_cast<uint32_t>(end - lines->counted_to));
}
