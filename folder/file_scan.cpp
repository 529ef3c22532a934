// The scan of one file. The file is read in large blocks rather than byte by byte, and a
// window is handed to the engine in place inside the block, yet the candidates, hits,
// offsets and rewritten bytes are those of a byte-by-byte scan: a candidate is the first
// occurrence of the prefix at or after the point where the scan resumed; its window is
// the file from there, at most WINDOW_SIZE bytes (the engine stops at a zero byte); a
// hit resumes the scan behind the match, a candidate without one behind the prefix.
#include "file_scan.h"

#include "find_bytes.h"
#include "folder.h"
#include "folder_job.h"
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
    // Between blocks is a safe point to stop at: nothing of the file is half done. Files
    // written before may take their places meanwhile.
    if (stop_requested(scan->job)) scan->stopped = 1;
    if (scan->job->work) commit_poll(job_commits(scan->job), scan->job, 0);
    uint32_t capacity = scan->tools->capacity;
    while (!scan->at_end && !scan->read_failed && !scan->stopped &&
           scan->buffer_length < capacity - 1) {
        uint32_t wanted = capacity - 1 - scan->buffer_length;
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
    if (scan->hashing) hash_feed(&scan->new_content, bytes, size);
    return size == 0 || fwrite(bytes, 1, size, scan->copy.stream) == size ? 0 : -1;
}

// Bytes of the file that the copy takes as they are.
int write_unchanged(FileScan* scan, const char* bytes, size_t size) {
    if (scan->hashing) hash_feed(&scan->old_content, bytes, size);
    return write_copy(scan, bytes, size);
}

// Writes the file's bytes [scan->copied, end) to the copy: from the buffer where they are
// in it, else read again from the file (the part before the buffer at the first
// replacement of a file, the part after it when the scan passes over hopeless bytes).
int copy_through(FileScan* scan, int64_t end) {
    char chunk[COPY_CHUNK];
    while (scan->copied < end) {
        if (scan->copied >= scan->buffer_start && scan->copied < buffer_end(scan)) {
            int64_t stop = end < buffer_end(scan) ? end : buffer_end(scan);
            if (write_unchanged(scan, scan->buffer + (scan->copied - scan->buffer_start),
                                static_cast<size_t>(stop - scan->copied)))
                return -1;
            scan->copied = stop;
            continue;
        }
        int64_t stop = end;
        if (scan->copied < scan->buffer_start && scan->buffer_start < stop) stop = scan->buffer_start;
        uint32_t size = stop - scan->copied < COPY_CHUNK ? static_cast<uint32_t>(stop - scan->copied)
                                                         : COPY_CHUNK;
        int32_t count = file_ops.read_at(scan->source, scan->copied, chunk, size);
        if (count <= 0) {
            scan->read_failed = 1;
            return -1;
        }
        if (write_unchanged(scan, chunk, static_cast<size_t>(count))) return -1;
        scan->copied += count;
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
    if (offset >= buffer_end(scan)) {
        scan->buffer_length = 0;   // passed over whole: nothing of it is kept
    } else {
        uint32_t drop = static_cast<uint32_t>(offset - scan->buffer_start);
        memmove(scan->buffer, scan->buffer + drop, scan->buffer_length - drop);
        scan->buffer_length -= drop;
    }
    scan->buffer_start = offset;
    fill(scan);
}

int more_to_read(const FileScan* scan) {
    return !scan->at_end && !scan->read_failed && !scan->stopped;
}

// The first candidate at or after `from`: 1 with its offset, or 0 when the file (or
// what could be read of it) holds none.
int next_candidate(FileScan* scan, int64_t from, int64_t* candidate) {
    const uint32_t prefix_length = scan->tools->prefix_length;
    for (;;) {
        uint32_t at = static_cast<uint32_t>(from - scan->buffer_start);
        if (prefix_length == 0) {
            if (at < scan->buffer_length) {
                *candidate = from;
                return 1;
            }
        } else if (scan->buffer_length >= at + prefix_length) {
            const char* found =
                find_bytes(&scan->tools->finder, scan->buffer + at, scan->buffer_length - at);
            if (found) {
                *candidate = scan->buffer_start + (found - scan->buffer);
                return 1;
            }
        }
        if (!more_to_read(scan)) return 0;
        // Keep the bytes that may begin an occurrence which the next block completes.
        int64_t keep = buffer_end(scan) - (prefix_length ? prefix_length - 1 : 0);
        if (keep > from) from = keep;
        slide_to(scan, from);
        if (scan->read_failed || scan->stopped) return 0;
    }
}

// Where the scan goes on from `from` when no candidate before `useful` can give a hit.
// A prefix that cannot overlap itself begins no candidate that the scan would pass over,
// so the scan goes on at `useful`. One that can (aa, abab) is followed byte by byte as
// the scan would follow it, each occurrence a candidate and the next looked for behind
// it, up to the first occurrence from `useful` on. Returns 0 when the file ends first.
int pass_hopeless(FileScan* scan, int64_t from, int64_t useful, int64_t* next) {
    const ScanTools* tools = scan->tools;
    if (!tools->failure) {
        *next = useful;
        return 1;
    }
    const char* prefix = tools->finder.needle;
    const uint32_t length = tools->prefix_length;
    uint32_t matched = 0;
    int64_t at = from;
    for (;;) {
        for (; at < buffer_end(scan); at++) {
            char byte = scan->buffer[at - scan->buffer_start];
            while (matched > 0 && prefix[matched] != byte) matched = tools->failure[matched - 1];
            if (prefix[matched] == byte) matched++;
            if (matched < length) continue;
            int64_t occurrence = at + 1 - length;
            if (occurrence >= useful) {
                *next = occurrence;
                return 1;
            }
            matched = 0;   // a hopeless candidate: the scan resumes behind its prefix
        }
        if (!more_to_read(scan)) return 0;
        slide_to(scan, at - matched);   // the bytes of an occurrence begun stay
        if (scan->read_failed || scan->stopped) return 0;
    }
}

// The query (and template) compiled at the walk's first candidate that needs it, rather
// than at every candidate or file.
PreparedQuery* prepared(ScanTools* tools, PreparedQuery* query, const char* replacement) {
    int* ready = query == &tools->find ? &tools->find_ready : &tools->rewrite_ready;
    if (!*ready) prepare_query(query, tools->job->query, replacement);
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
    // only as far as a match reaches. The rest of the buffer may be read beyond it, so
    // that the engine learns where the query's literals are for the windows to come.
    const char* text = scan->buffer + (candidate - scan->buffer_start);
    uint32_t readable = static_cast<uint32_t>(buffer_end(scan) - candidate);
    uint32_t size = readable > WINDOW_SIZE ? WINDOW_SIZE : readable;

    const FolderJob* job = scan->job;
    ScanTools* tools = scan->tools;
    uint32_t match_length = 0;
    const char* match;
    char* replacement = nullptr;
    uint32_t replacement_length = 0;
    int replacing = copy_alive(scan);
    PreparedQuery* query = replacing ? prepared(tools, &tools->rewrite, job->replacement)
                                     : prepared(tools, &tools->find, nullptr);
    if (replacing) {
        match = replace_window(query, text, size, readable, candidate, &match_length,
                               &replacement, &replacement_length);
    } else {
        match = match_window(query, text, size, readable, candidate, &match_length);
    }

    int64_t resume = candidate + (tools->prefix_length ? tools->prefix_length : 1);
    if (!match && query->needed_end > 0) {
        // A window must reach that far for a hit: the candidates before the one whose
        // window does are passed over, all of them when the file ends sooner.
        scan->useful_from = query->needed_end - WINDOW_SIZE;
        if (scan->at_end && query->needed_end > buffer_end(scan)) scan->useful_from = INT64_MAX;
    }
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
                if (scan->hashing) hash_feed(&scan->old_content, match, match_length);
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


void emit(const FolderJob* job, int kind, const char* path, int64_t offset, int reason,
          int error, const char* other) {
    FolderEvent event = {kind, reason, path, offset, error, other};
    send_event(job, &event);
}

void send_event(const FolderJob* job, const FolderEvent* event) {
    // Behind the files of the walk that wait to take their places, if any; progress,
    // which is no line of the report, at once.
    if (job->work && event->kind != FOLDER_FILE_PASSED) commit_emit(job_commits(job), job, event);
    else if (job->sink) job->sink(job->sink_user, event);
}

int stop_requested(const FolderJob* job) {
    // Set by another thread: the atomic load makes sure that its store is seen.
    return job->stop && __atomic_load_n(job->stop, __ATOMIC_RELAXED) != 0;
}

int tools_begin(ScanTools* tools, const FolderJob* job) {
    *tools = {};
    tools->job = job;
    tools->capacity = BLOCK_SIZE + WINDOW_SIZE + 1;
    // Reads into a page-aligned buffer copy faster.
    tools->block = static_cast<char*>(malloc(tools->capacity + PAGE_SIZE));
    if (!tools->block) return -1;
    uintptr_t address = reinterpret_cast<uintptr_t>(tools->block);
    tools->buffer = tools->block + (PAGE_SIZE - address % PAGE_SIZE) % PAGE_SIZE;

    const char* prefix = nullptr;
    uint32_t length = 0;
    int found = candidate_prefix(job->query, job->prefix_length, &prefix, &length,
                                 &tools->prefix_block);
    if (found < 0) return -1;
    tools->searchable = found > 0 && length <= WINDOW_SIZE;  // a window must hold a match
    if (!tools->searchable || length == 0) return 0;
    tools->prefix_length = length;
    prepare_finder(&tools->finder, prefix, length);
    // The failure function, kept only for a prefix that can overlap itself.
    uint32_t* failure = static_cast<uint32_t*>(malloc(length * sizeof(uint32_t)));
    if (!failure) return -1;
    failure[0] = 0;
    for (uint32_t i = 1, k = 0; i < length; i++) {
        while (k > 0 && prefix[i] != prefix[k]) k = failure[k - 1];
        if (prefix[i] == prefix[k]) k++;
        failure[i] = k;
    }
    if (failure[length - 1] > 0) tools->failure = failure;
    else free(failure);
    return 0;
}

void tools_end(ScanTools* tools) {
    if (tools->find_ready) release_query(&tools->find);
    if (tools->rewrite_ready) release_query(&tools->rewrite);
    free(tools->failure);
    free(tools->prefix_block);
    free(tools->block);
    *tools = {};
}

void scan_begin(FileScan* scan, ScanTools* tools) {
    scan->tools = tools;
    scan->buffer = tools->buffer;
    scan->hashing = scan->job->undo != nullptr;
    if (scan->hashing) {
        hash_begin(&scan->old_content);
        hash_begin(&scan->new_content);
    }
    // What the query learnt was of the last file.
    if (tools->find_ready) forget_stream(&tools->find);
    if (tools->rewrite_ready) forget_stream(&tools->rewrite);
}

void scan_end(FileScan* scan) {
    free(scan->held);
    scan->held = nullptr;
    scan->held_count = scan->held_capacity = 0;
}

void scan_file(FileScan* scan) {
    int64_t position = 0;
    int64_t candidate;
    uint32_t taken = 0;
    while (next_candidate(scan, position, &candidate)) {
        position = take_candidate(scan, candidate);
        if (position < 0) return;
        if (scan->useful_from == INT64_MAX) return;   // no hit in the rest of the file
        if (scan->useful_from > position &&
            !pass_hopeless(scan, position, scan->useful_from, &position))
            return;
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

void scan_commit_copy(FileScan* scan) {
    // The C library's buffer now, so that a full disk is known while the file is at hand.
    if (fflush(scan->copy.stream) != 0) {
        scan_give_up(scan, REASON_COPY_FAILED, 0);
        return;
    }
    WrittenCopy written = {scan->path, scan->copy, scan->identity, scan->held, scan->held_count,
                           hash_end(&scan->old_content), hash_end(&scan->new_content),
                           KEEP_NOT_YET, {}};
    scan->copy = {};
    scan->held = nullptr;
    scan->held_count = scan->held_capacity = 0;
    if (scan->job->work && commit_add(job_commits(scan->job), scan->job, &written) == 0) return;
    int error = 0;
    file_ops.flush_copies(&written.copy.stream, 1, &error);
    settle_written(scan->job, &written, error, send_event);
}
