// Rewritten files committed in groups. A file whose copy is written waits; when its group
// is full or old enough, the group's copies are pushed to the disk together, beside the
// scan of the next files, and then each copy takes its file's place, in walk order. The
// walk's other events wait behind the files before them, so the report keeps its order;
// nothing takes a file's place before its copy is on the disk.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "fingerprint.h"
#include "folder.h"
#include "folder_platform.h"
#include "hit_notes.h"
#include "replace_file.h"
#include "undo.h"

struct Waiting;
struct KeepTask;

struct CommitQueue {
    Waiting* records;       // in walk order; [head, count) wait
    uint32_t head;
    uint32_t count;
    uint32_t capacity;
    uint32_t sealed_end;    // [head, sealed_end): the group on its way to the disk
    uint32_t open_files;    // files of the group being filled, after sealed_end
    uint64_t open_bytes;
    int64_t open_since_ms;
    Thread* flusher;        // pushes the sealed group to the disk, or null
    uint8_t flushed;        // set by the flusher when it is done
    FILE** streams;         // the sealed group's copies, for the flusher
    int* errors;            //   and what their flush gave
    uint32_t stream_count;
    int abandoned;          // the walk was stopped: what is not on its way stays as it was
    UndoStore* undo;        // with an undo, the flusher also keeps the group's old
    KeepTask* keeps;        //   contents, so that the scan need not wait for it
    uint32_t keep_count;
    int handing_on;         // the records at the head are being handed on: what they
                            //   send meanwhile is theirs, and goes at once
};

// settle_written's `flush_error` for a copy given up because the walk was stopped.
constexpr int COPY_ABANDONED = -1;

// A copy written whole, its stream flushed of the C library's buffer, waiting to take
// its file's place: what is needed then, and the hits to report for it.
struct WrittenCopy {
    const char* path;
    FileCopy copy;
    FileIdentity identity;   // the file as it was read
    int encoding;            // its text's (TEXT_...), for the report
    int64_t* held;           // hit offsets, a heap block
    uint32_t held_count;
    Fingerprint old_content;   // with an undo: the file as it was read
    Fingerprint new_content;   //   and its copy
    int kept;                  //   undo_keep's answer, or KEEP_NOT_YET
    UndoEntry kept_entry;      //   and what it kept
    HitNotes notes;          // of the first held hits
};

// An event of the walk, to wait behind the files that wait. Returns 1 when it waits (it
// is handed on in its turn), 0 when it is to go on at once: nothing waits before it, or
// it cannot be kept (better out of order than lost).
int commit_hold_event(CommitQueue* queue, const FolderEvent* event);

// Takes `written` over (copy, held block) to be committed with its group. Returns 0, or
// -1 when memory runs out (the caller then commits it at once).
int commit_add(CommitQueue* queue, const FolderJob* job, WrittenCopy* written);

// Takes a copy written whole over: in its file's turn, it waits with its group when the
// job commits files in groups, or else takes its file's place at once.
void commit_copy(const FolderJob* job, WrittenCopy* written);

// Releases the memory of a copy, settled or not (its name, hits and notes), once its
// stream is closed.
void release_written(WrittenCopy* written);

// Between files and blocks: a group that is full or old enough goes to the disk, and a
// group that is there takes its files' places. With `wait`, everything waiting is done.
void commit_poll(CommitQueue* queue, const FolderJob* job, int wait);

// The walk was stopped: the files that wait and are not yet on their way to the disk are
// left as they were (their copies removed, their hits reported as found); the group on
// its way still takes its places.
void commit_abandon(CommitQueue* queue);

// Releases what the queue holds (after commit_poll with wait).
void commit_end(CommitQueue* queue);

// A written copy that is on the disk (`flush_error` 0) takes its file's place if the file
// is still the one that was read, its old content kept first when the job has an undo;
// either way its hits and the file's fate are reported, and `written` is released. Also
// for files committed on their own.
void settle_written(const FolderJob* job, WrittenCopy* written, int flush_error);
