#include "copy_writer.h"

#include <stdlib.h>

#include "commit_queue.h"
#include "file_scan.h"
#include "scan_window.h"

namespace {

constexpr uint32_t COPY_CHUNK = 32768;

int write_copy(ScanCopy* copy, const char* bytes, size_t size) {
    if (copy->hashing) hash_feed(&copy->new_content, bytes, size);
    return size == 0 || fwrite(bytes, 1, size, copy->file.stream) == size ? 0 : -1;
}

// Bytes of the file that the copy takes as they are.
int write_unchanged(ScanCopy* copy, const char* bytes, size_t size) {
    if (copy->hashing) hash_feed(&copy->old_content, bytes, size);
    return write_copy(copy, bytes, size);
}

// Writes the file's bytes [copied, end) to the copy: from the block where they are in
// it, else read again from the file (the part before the block at the first replacement
// of a file, the part after it when the scan passes over hopeless bytes).
int copy_through(FileScan* scan, int64_t end) {
    ScanCopy* copy = &scan->copy;
    FileBlock* block = &scan->block;
    char chunk[COPY_CHUNK];
    while (copy->copied < end) {
        if (copy->copied >= block->start && copy->copied < block_end(block)) {
            int64_t stop = end < block_end(block) ? end : block_end(block);
            if (write_unchanged(copy, block->bytes + (copy->copied - block->start),
                                static_cast<size_t>(stop - copy->copied)))
                return -1;
            copy->copied = stop;
            continue;
        }
        int64_t stop = end;
        if (copy->copied < block->start && block->start < stop) stop = block->start;
        uint32_t size = stop - copy->copied < COPY_CHUNK ? static_cast<uint32_t>(stop - copy->copied)
                                                         : COPY_CHUNK;
        int32_t count = file_ops.read_at(block->source, copy->copied, chunk, size);
        if (count <= 0) {
            block->read_failed = 1;
            return -1;
        }
        if (write_unchanged(copy, chunk, static_cast<size_t>(count))) return -1;
        copy->copied += count;
    }
    return 0;
}

// Ends the rewriting of the file after a failed write (or a failed read of bytes for
// the copy): the file stays as it was and the partial copy is removed; the scan goes on
// as a search.
void fail_copy(FileScan* scan) {
    scan_give_up(scan, scan->block.read_failed ? REASON_READ_FAILED : REASON_COPY_FAILED);
}

// Keeps a hit's offset until the file's fate is known. Returns 0, or the reason why the
// file can only be searched from here on.
int hold(ScanCopy* copy, int64_t offset) {
    if (copy->held_count == MAX_HELD_HITS) return REASON_TOO_MANY_HITS;
    if (copy->held_count == copy->held_capacity) {
        uint32_t capacity = copy->held_capacity ? copy->held_capacity * 2 : 64;
        int64_t* held = static_cast<int64_t*>(realloc(copy->held, capacity * sizeof(int64_t)));
        if (!held) return REASON_TOO_MANY_HITS;
        copy->held = held;
        copy->held_capacity = capacity;
    }
    copy->held[copy->held_count++] = offset;
    return 0;
}

}  // namespace

int copy_alive(const FileScan* scan) { return scan->copy.file.stream != nullptr; }

void copy_before_dropping(FileScan* scan, int64_t offset) {
    // A copy in progress holds everything before the block, so this only writes.
    if (copy_alive(scan) && scan->copy.started && copy_through(scan, offset) != 0) fail_copy(scan);
}

int write_hit(FileScan* scan, const WindowAnswer* answer, const char* replacement, size_t length) {
    ScanCopy* copy = &scan->copy;
    const int64_t offset = answer->offset, end = answer->end;
    if (copy_through(scan, offset) != 0 || write_copy(copy, replacement, length) != 0) {
        if (scan->block.read_failed) return HIT_READ_FAILED;
        fail_copy(scan);
        return HIT_NOT_WRITTEN;
    }
    // The file's own bytes that the match spans (of an encoded file, not its view).
    if (copy->hashing)
        hash_feed(&copy->old_content, scan->block.bytes + (offset - scan->block.start),
                  static_cast<size_t>(end - offset));
    copy->started = 1;
    copy->copied = end;
    if (int reason = hold(copy, offset)) {
        scan_give_up(scan, reason);
        return HIT_NOT_WRITTEN;
    }
    return HIT_HELD;
}

int scan_finish_copy(FileScan* scan) {
    if (copy_through(scan, block_end(&scan->block)) != 0) {
        fail_copy(scan);
        return -1;
    }
    return 0;
}

void scan_give_up(FileScan* scan, int reason) {
    fate_leave(&scan->fate, reason);
    scan->fate.held = scan->copy.held;
    scan->fate.held_count = scan->copy.held_count;
    scan->fate.notes = &scan->copy.notes;
    fate_drop_copy(scan->job, &scan->fate, &scan->copy.file);
    scan->copy.held_count = 0;
    notes_release(&scan->copy.notes);
}

void scan_commit_copy(FileScan* scan) {
    ScanCopy* copy = &scan->copy;
    // The C library's buffer now, so that a full disk is known while the file is at hand;
    // the system may start writing it while the scan goes on.
    if (fflush(copy->file.stream) != 0) {
        scan_give_up(scan, REASON_COPY_FAILED);
        return;
    }
    file_ops.begin_writing(copy->file.stream);
    WrittenCopy written = {scan->path,
                           copy->file,
                           scan->identity,
                           scan->form.encoding,
                           copy->held,
                           copy->held_count,
                           hash_end(&copy->old_content),
                           hash_end(&copy->new_content),
                           KEEP_NOT_YET,
                           {},
                           copy->notes};
    copy->file = {};
    copy->held = nullptr;
    copy->held_count = copy->held_capacity = 0;
    copy->notes = {};
    commit_copy(scan->job, &written);
}

void copy_end(ScanCopy* copy) {
    notes_release(&copy->notes);
    free(copy->held);
    copy->held = nullptr;
    copy->held_count = copy->held_capacity = 0;
}
