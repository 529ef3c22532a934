// The scan of one file. The file is read in large blocks rather than byte by byte, and a
// window is handed to the engine in place inside the block, yet the candidates, hits,
// offsets and rewritten bytes are those of a byte-by-byte scan: a candidate is the first
// occurrence of the prefix at or after the point where the scan resumed; its window is
// the file from there, at most WINDOW_SIZE bytes (the engine stops at a zero byte); a
// hit resumes the scan behind the match, a candidate without one behind the prefix.
#include "file_scan.h"

#include "find_bytes.h"

#include "folder.h"
#include "folder_platform.h"
#include "query.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr uint32_t BLOCK_SIZE = 1 << 20;
constexpr uint32_t COPY_CHUNK = 32768;
constexpr uint32_t PAGE_SIZE = 4096;
// How often, in candidates, a scan that finds many in one block looks at the stop byte.
constexpr uint32_t STOP_CHECK_CANDIDATES = 4096;

int64_t buffer_end(const FileScan* scan) { return scan->buffer_start + scan->buffer_length; }

// Reads until the buffer is full (one byte is kept free for a window's closing NUL) or
// the file ends. Fewer bytes than asked for, up to the size that the file had when it
// was opened, mark the end without another read; short of that size, the next read
// tells an error from a file that shrank.
void fill(FileScan* scan) {
    // Between blocks is a safe point to stop at: nothing of the file is half done.
    if (stop_requested(scan->job)) scan->stopped = 1;
    while (!scan->at_end && !scan->read_failed && !scan->stopped &&
           scan->buffer_length < scan->capacity - 1) {
        uint32_t wanted = scan->capacity - 1 - scan->buffer_length;
        int32_t count = file_ops.read_at(scan->source, buffer_end(scan),
                                         scan->buffer + scan->buffer_length, wanted);
        if (count < 0) {
            scan->read_failed = 1;
        } else {
            scan->buffer_length += static_cast<uint32_t>(count);
            if (count == 0 || (static_cast<uint32_t>(count) < wanted &&
                               buffer_end(scan) >= scan->identity.size))
                scan->at_end = 1;
        }
    }
}

int write_copy(FileScan* scan, const char* bytes, size_t size) {
    return size == 0 || fwrite(bytes, 1, size, scan->copy.stream) == size ? 0 : -1;
}

// Writes the file's bytes [scan->copied, end) to the copy: from the buffer, or, for the
// part before it (the first replacement of a file), read again from the file.
int copy_through(FileScan* scan, int64_t end) {
    char chunk[COPY_CHUNK];
    while (scan->copied < end && scan->copied < scan->buffer_start) {
        int64_t left = (end < scan->buffer_start ? end : scan->buffer_start) - scan->copied;
        uint32_t size = left < COPY_CHUNK ? static_cast<uint32_t>(left) : COPY_CHUNK;
        int32_t count = file_ops.read_at(scan->source, scan->copied, chunk, size);
        if (count <= 0) {
            scan->read_failed = 1;
            return -1;
        }
        if (write_copy(scan, chunk, static_cast<size_t>(count))) return -1;
        scan->copied += count;
    }
    if (scan->copied < end) {
        if (write_copy(scan, scan->buffer + (scan->copied - scan->buffer_start),
                       static_cast<size_t>(end - scan->copied)))
            return -1;
        scan->copied = end;
    }
    return 0;
}

int copy_alive(const FileScan* scan) { return scan->copy.stream && !scan->copy_failed; }

// Ends the rewriting of the file after a failed write (or a failed read of bytes for
// the copy): the file stays as it was and the partial copy is removed; the scan goes on
// as a search.
void fail_copy(FileScan* scan) {
    scan_give_up(scan, scan->read_failed ? REASON_READ_FAILED : REASON_COPY_FAILED, 0);
}

// Keeps a hit's offset until the file's fate is known. Returns 0, or the reason why the
// file can only be searched from here on.
int hold(FileScan* scan, int64_t offset) {
    if (scan->held_count == MAX_HELD_HITS) return REASON_TOO_MANY_HITS;
    if (scan->held_count == scan->held_capacity) {
        uint32_t capacity = scan->held_capacity ? scan->held_capacity * 2 : 64;
        int64_t* held = static_cast<int64_t*>(realloc(scan->held, capacity * sizeof(int64_t)));
        if (!held) return REASON_TOO_MANY_HITS;
        scan->held = held;
        scan->held_capacity = capacity;
    }
    scan->held[scan->held_count++] = offset;
    return 0;
}

// Drops the buffer's bytes before `offset` and reads on. Bytes of a copy in progress
// are written out first.
void slide_to(FileScan* scan, int64_t offset) {
    // A copy in progress holds everything before the buffer, so this only writes.
    if (copy_alive(scan) && scan->copy_started && copy_through(scan, offset) != 0)
        fail_copy(scan);
    uint32_t drop = static_cast<uint32_t>(offset - scan->buffer_start);
    memmove(scan->buffer, scan->buffer + drop, scan->buffer_length - drop);
    scan->buffer_start = offset;
    scan->buffer_length -= drop;
    fill(scan);
}

// The first candidate at or after `from`: 1 with its offset, or 0 when the file (or
// what could be read of it) holds none.
int next_candidate(FileScan* scan, int64_t from, int64_t* candidate) {
    for (;;) {
        uint32_t at = static_cast<uint32_t>(from - scan->buffer_start);
        if (scan->prefix_length == 0) {
            if (at < scan->buffer_length) {
                *candidate = from;
                return 1;
            }
        } else if (scan->buffer_length >= at + scan->prefix_length) {
            const char* found =
                find_bytes(&scan->finder, scan->buffer + at, scan->buffer_length - at);
            if (found) {
                *candidate = scan->buffer_start + (found - scan->buffer);
                return 1;
            }
        }
        if (scan->at_end || scan->read_failed || scan->stopped) return 0;
        // Keep the bytes that may begin an occurrence which the next block completes.
        int64_t keep = buffer_end(scan) - (scan->prefix_length ? scan->prefix_length - 1 : 0);
        if (keep > from) from = keep;
        slide_to(scan, from);
        if (scan->read_failed || scan->stopped) return 0;
    }
}

// The query (and template) compiled at the file's first candidate that needs it, rather
// than at every candidate.
PreparedQuery* prepared(FileScan* scan, PreparedQuery* query, const char* replacement) {
    int* ready = query == &scan->find ? &scan->find_ready : &scan->rewrite_ready;
    if (!*ready) prepare_query(query, scan->job->query, replacement);
    *ready = 1;
    return query;
}

// One candidate's window, evaluated by the engine. Returns the offset at which the scan
// resumes, or -1 after a read failure.
int64_t take_candidate(FileScan* scan, int64_t candidate) {
    if (candidate + WINDOW_SIZE > buffer_end(scan) && !scan->at_end) {
        slide_to(scan, candidate);
        if (scan->read_failed || scan->stopped) return -1;
    }
    // The window's text ends at its first zero byte, which the engine looks for itself
    // only as far as a match reaches.
    const char* text = scan->buffer + (candidate - scan->buffer_start);
    uint32_t size = static_cast<uint32_t>(buffer_end(scan) - candidate);
    if (size > WINDOW_SIZE) size = WINDOW_SIZE;

    const FolderJob* job = scan->job;
    uint32_t match_length = 0;
    const char* match;
    char* replacement = nullptr;
    uint32_t replacement_length = 0;
    int replacing = copy_alive(scan);
    if (replacing) {
        match = replace_prepared(prepared(scan, &scan->rewrite, job->replacement), text, size,
                                 &match_length, &replacement, &replacement_length);
    } else {
        match = match_prepared(prepared(scan, &scan->find, nullptr), text, size, &match_length);
    }

    int64_t resume = candidate + (scan->prefix_length ? scan->prefix_length : 1);
    if (match && match_length != 0) {
        int64_t offset = candidate + (match - text);
        if (replacing) {
            if (copy_through(scan, offset) != 0 ||
                write_copy(scan, replacement, replacement_length) != 0) {
                if (scan->read_failed) {
                    free(replacement);
                    return -1;
                }
                fail_copy(scan);
                replacing = 0;
            } else {
                scan->copy_started = 1;
                scan->copied = offset + match_length;
                if (int reason = hold(scan, offset)) {
                    scan_give_up(scan, reason, 0);
                    replacing = 0;
                }
            }
        }
        if (!replacing) emit(job, FOLDER_HIT_FOUND, scan->path, offset);
        scan->hits++;
        resume = offset + match_length;
    }
    free(replacement);
    return resume;
}

}  // namespace

void scan_set_prefix(FileScan* scan, const char* prefix, uint32_t length) {
    scan->prefix_length = length;
    if (length) prepare_finder(&scan->finder, prefix, length);
}

void emit(const FolderJob* job, int kind, const char* path, int64_t offset, int reason,
          int error, const char* other) {
    if (!job->sink) return;
    FolderEvent event = {kind, reason, path, offset, error, other};
    job->sink(job->sink_user, &event);
}

int stop_requested(const FolderJob* job) {
    // Set by another thread: the atomic load makes sure that its store is seen.
    return job->stop && __atomic_load_n(job->stop, __ATOMIC_RELAXED) != 0;
}

int scan_begin(FileScan* scan) {
    scan->capacity = BLOCK_SIZE + WINDOW_SIZE + 1;
    // Reads into a page-aligned buffer copy faster.
    scan->block = static_cast<char*>(malloc(scan->capacity + PAGE_SIZE));
    if (!scan->block) return -1;
    uintptr_t address = reinterpret_cast<uintptr_t>(scan->block);
    scan->buffer = scan->block + (PAGE_SIZE - address % PAGE_SIZE) % PAGE_SIZE;
    return 0;
}

void scan_end(FileScan* scan) {
    free(scan->held);
    scan->held = nullptr;
    scan->held_count = scan->held_capacity = 0;
    if (scan->find_ready) release_query(&scan->find);
    if (scan->rewrite_ready) release_query(&scan->rewrite);
    scan->find_ready = scan->rewrite_ready = 0;
    free(scan->block);
    scan->block = scan->buffer = nullptr;
}

void scan_file(FileScan* scan) {
    int64_t position = 0;
    int64_t candidate;
    uint32_t taken = 0;
    while (next_candidate(scan, position, &candidate)) {
        position = take_candidate(scan, candidate);
        if (position < 0) return;
        if (++taken % STOP_CHECK_CANDIDATES == 0 && stop_requested(scan->job)) {
            scan->stopped = 1;
            return;
        }
    }
}

int scan_finish_copy(FileScan* scan) {
    if (copy_through(scan, buffer_end(scan)) != 0) {
        fail_copy(scan);
        return -1;
    }
    return 0;
}

void scan_drop_copy(FileScan* scan) {
    if (int error = remove_copy(&scan->copy))
        emit(scan->job, FOLDER_TEMP_NOT_DELETED, scan->copy.name, 0, 0, error);
    release_copy(&scan->copy);
}

void scan_give_up(FileScan* scan, int reason, int error, const char* other) {
    scan_drop_copy(scan);
    scan->copy_failed = 1;
    if (!scan->given_up) {
        scan->given_up = 1;
        scan->reason = reason;
        scan->error = error;
        scan->other = other;
    }
    for (uint32_t i = 0; i < scan->held_count; i++)
        emit(scan->job, FOLDER_HIT_FOUND, scan->path, scan->held[i]);
    scan->held_count = 0;
}

void scan_report_replaced(FileScan* scan) {
    for (uint32_t i = 0; i < scan->held_count; i++)
        emit(scan->job, FOLDER_HIT_REPLACED, scan->path, scan->held[i]);
    scan->held_count = 0;
}
