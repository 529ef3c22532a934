#include "commit_queue.h"

#include "copy_string.h"
#include "file_fate.h"
#include "file_order.h"
#include "folder_events.h"
#include "folder_job.h"
#include "undo.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>

namespace {

// A group goes to the disk at the first of these, once the group before is there; while
// it is not, the group being filled grows, up to the most that may wait (open copies and
// their bytes), so that the slower the disk, the larger and fewer its flushes.
constexpr uint32_t GROUP_FILES = 32;
constexpr uint64_t GROUP_BYTES = 64ull << 20;
constexpr int64_t GROUP_AGE_MS = 50;
constexpr uint32_t WAITING_FILES_MOST = 128;
constexpr uint64_t WAITING_BYTES_MOST = 64ull << 20;   // also what a Stop may wait for

enum WaitingKind { WAITING_EVENT = 0, WAITING_FILE = 1 };

}  // namespace

struct KeepTask {
    const char* path;   // the record's, which outlives the flush
    Fingerprint old_content;
    int result;
    UndoEntry entry;
};

struct Waiting {
    int kind;
    FolderEvent* event;    // WAITING_EVENT: a held copy (folder_events.h), a heap block
    char* path;
    WrittenCopy written;   // WAITING_FILE, its path in `path`
    int flush_error;
};

namespace {

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Waiting* new_record(CommitQueue* queue) {
    if (queue->count == queue->capacity) {
        uint32_t capacity = queue->capacity ? queue->capacity * 2 : 64;
        Waiting* records =
            static_cast<Waiting*>(realloc(queue->records, capacity * sizeof(Waiting)));
        if (!records) return nullptr;
        queue->records = records;
        queue->capacity = capacity;
    }
    Waiting* record = &queue->records[queue->count];
    memset(record, 0, sizeof *record);
    return record;
}

void release_record(Waiting* record) {
    free(record->event);
    free(record->path);
    release_written(&record->written);
}

// Hands the records from the head up to `end` on: files take their places, events go
// towards the sink.
void complete(CommitQueue* queue, const FolderJob* job, uint32_t end) {
    queue->handing_on = 1;
    for (; queue->head < end; queue->head++) {
        Waiting* record = &queue->records[queue->head];
        if (record->kind == WAITING_FILE) {
            settle_written(job, &record->written, record->flush_error);
        } else {
            send_event(job, record->event);
        }
        release_record(record);
    }
    queue->handing_on = 0;
    if (queue->head == queue->count) queue->head = queue->count = queue->sealed_end = 0;
}

// The events that wait behind nothing but events go on at once.
void complete_leading_events(CommitQueue* queue, const FolderJob* job) {
    uint32_t end = queue->head;
    while (end < queue->count && queue->records[end].kind == WAITING_EVENT) end++;
    if (queue->head >= queue->sealed_end) {
        queue->sealed_end = end;
        complete(queue, job, end);
    }
}

void flush_group(void* argument) {
    CommitQueue* queue = static_cast<CommitQueue*>(argument);
    file_ops.flush_copies(queue->streams, queue->stream_count, queue->errors);
    for (uint32_t i = 0; i < queue->keep_count; i++) {
        KeepTask* keep = &queue->keeps[i];
        keep->result = undo_keep(queue->undo, keep->path, &keep->old_content, &keep->entry);
    }
    __atomic_store_n(&queue->flushed, 1, __ATOMIC_RELEASE);
}

// The flush's results, and what was kept, go to the sealed group's files.
void take_flush_errors(CommitQueue* queue) {
    for (uint32_t i = queue->head, k = 0; i < queue->sealed_end; i++) {
        Waiting* record = &queue->records[i];
        if (record->kind != WAITING_FILE) continue;
        record->flush_error = queue->errors[k];
        if (k < queue->keep_count) {
            record->written.kept = queue->keeps[k].result;
            record->written.kept_entry = queue->keeps[k].entry;
        }
        k++;
    }
}

// Completes the sealed group, once it is on the disk.
void finish_sealed(CommitQueue* queue, const FolderJob* job) {
    if (queue->flusher) {
        join_thread(queue->flusher);
        queue->flusher = nullptr;
        take_flush_errors(queue);
    }
    complete(queue, job, queue->sealed_end);
}

// The group being filled goes to the disk, its old contents kept with an undo: beside the
// scan when a thread can be had, else here and now.
void seal(CommitQueue* queue, const FolderJob* job) {
    queue->sealed_end = queue->count;
    queue->open_files = 0;
    queue->open_bytes = 0;
    if (queue->abandoned) {
        for (uint32_t i = queue->head; i < queue->sealed_end; i++)
            queue->records[i].flush_error = COPY_ABANDONED;
        return;
    }
    uint32_t files = 0;
    for (uint32_t i = queue->head; i < queue->sealed_end; i++)
        files += queue->records[i].kind == WAITING_FILE;
    FILE** streams = static_cast<FILE**>(realloc(queue->streams, files * sizeof(FILE*)));
    if (streams) queue->streams = streams;
    int* errors = streams ? static_cast<int*>(realloc(queue->errors, files * sizeof(int))) : nullptr;
    if (errors) queue->errors = errors;
    if (!errors) {
        // No memory even for that: file by file.
        for (uint32_t i = queue->head; i < queue->sealed_end; i++) {
            Waiting* record = &queue->records[i];
            if (record->kind == WAITING_FILE)
                file_ops.flush_copies(&record->written.copy.stream, 1, &record->flush_error);
        }
        return;
    }
    // Without memory for the keeps, each is done as its file takes its place.
    KeepTask* keeps = job->undo ? static_cast<KeepTask*>(realloc(queue->keeps, files * sizeof(KeepTask)))
                                : nullptr;
    if (keeps) queue->keeps = keeps;
    queue->undo = job->undo;
    uint32_t k = 0;
    for (uint32_t i = queue->head; i < queue->sealed_end; i++) {
        Waiting* record = &queue->records[i];
        if (record->kind != WAITING_FILE) continue;
        if (keeps) keeps[k] = {record->path, record->written.old_content, KEEP_NOT_YET, {}};
        streams[k++] = record->written.copy.stream;
    }
    queue->stream_count = k;
    queue->keep_count = keeps ? k : 0;
    queue->flushed = 0;
    queue->flusher = start_thread(flush_group, queue);
    if (!queue->flusher) {
        flush_group(queue);
        take_flush_errors(queue);
    }
}

// An event behind the files that wait. Returns 1, or 0 when it cannot be kept.
int keep_event(CommitQueue* queue, const FolderEvent* event) {
    Waiting* record = new_record(queue);
    void* block = record ? malloc(held_event_size(event)) : nullptr;
    if (!block) return 0;
    record->kind = WAITING_EVENT;
    record->event = held_event_copy(event, block);
    queue->count++;
    return 1;
}

}  // namespace

void settle_written(const FolderJob* job, WrittenCopy* written, int flush_error) {
    FileFate fate = {};
    fate.path = written->path;
    fate.encoding = written->encoding;
    fate.hits = fate.held_count = written->held_count;
    fate.held = written->held;
    fate.notes = &written->notes;
    int closed = fclose(written->copy.stream) == 0 ? 0 : (errno ? errno : EIO);
    written->copy.stream = nullptr;
    UndoStore* undo = job->undo;
    int kept = written->kept;
    if (flush_error == COPY_ABANDONED) {
        fate_leave(&fate, REASON_STOPPED);
    } else if (flush_error || closed) {
        fate_leave(&fate, REASON_COPY_FAILED);
    } else {
        if (kept == KEEP_NOT_YET) {
            kept = undo ? undo_keep(undo, written->path, &written->old_content, &written->kept_entry)
                        : KEEP_NONE;
        }
        // In one step, never deleting the file first, and only over the very bytes that
        // were read: what another program wrote meanwhile is never lost.
        if (kept == KEEP_STOP) fate_leave(&fate, REASON_STOPPED);
        else fate_placing(&fate, place_copy(&written->copy, written->path, &written->identity));
    }
    if (kept == KEEP_DONE)
        undo_settle(undo, &written->kept_entry, &written->new_content, fate.outcome == FATE_PLACED);
    settle_fate(job, &fate, &written->copy);
    release_written(written);
}

void release_written(WrittenCopy* written) {
    free(written->held);
    written->held = nullptr;
    notes_release(&written->notes);
    release_copy(&written->copy);
}

void commit_copy(const FolderJob* job, WrittenCopy* written) {
    if (job->work) {
        // Scanned beside the walk: in its file's turn.
        if (job->work->file && order_hold_copy(job_order(job), job->work->file, written)) return;
        if (commit_add(job_commits(job), job, written) == 0) return;
    }
    int error = 0;
    file_ops.flush_copies(&written->copy.stream, 1, &error);
    settle_written(job, written, error);
}

int commit_hold_event(CommitQueue* queue, const FolderEvent* event) {
    if (queue->head == queue->count || queue->handing_on) return 0;
    return keep_event(queue, event);
}

int commit_add(CommitQueue* queue, const FolderJob* job, WrittenCopy* written) {
    Waiting* record = new_record(queue);
    char* path = record ? copy_string(written->path) : nullptr;
    if (!path) {
        // The caller commits the file on its own: after every file before it, and with
        // no group being kept meanwhile.
        commit_poll(queue, job, 1);
        return -1;
    }
    record->kind = WAITING_FILE;
    record->path = path;
    record->written = *written;
    record->written.path = path;
    // Its hits' outcome is settled in walk order as it joins: the files after it need no
    // notes for hits that the report will not list.
    count_hits_handed_on(job, written->held_count);
    *written = {};
    if (queue->open_files++ == 0) queue->open_since_ms = now_ms();
    queue->open_bytes += static_cast<uint64_t>(record->written.identity.size);
    queue->count++;
    commit_poll(queue, job, 0);
    return 0;
}

void commit_poll(CommitQueue* queue, const FolderJob* job, int wait) {
    for (;;) {
        bool sealed = queue->head < queue->sealed_end;
        if (sealed && (wait || !queue->flusher || __atomic_load_n(&queue->flushed, __ATOMIC_ACQUIRE)))
            finish_sealed(queue, job);
        complete_leading_events(queue, job);
        bool full = queue->open_files >= GROUP_FILES || queue->open_bytes >= GROUP_BYTES;
        bool due = queue->open_files > 0 &&
                   (wait || full || now_ms() - queue->open_since_ms >= GROUP_AGE_MS);
        if (!due) return;
        if (queue->head < queue->sealed_end) {
            // The group before is still on its way: one group at a time, the next one
            // growing meanwhile up to the most that may wait.
            bool too_many = queue->open_files >= WAITING_FILES_MOST ||
                            queue->open_bytes >= WAITING_BYTES_MOST;
            if (!wait && !too_many) return;
            finish_sealed(queue, job);
            complete_leading_events(queue, job);
        }
        seal(queue, job);
        if (!wait) return;
    }
}

void commit_abandon(CommitQueue* queue) {
    queue->abandoned = 1;
}

void commit_end(CommitQueue* queue) {
    for (uint32_t i = queue->head; i < queue->count; i++) release_record(&queue->records[i]);
    free(queue->records);
    free(queue->streams);
    free(queue->errors);
    free(queue->keeps);
    *queue = {};
}
