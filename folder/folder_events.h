// The one way from the folder search to its sink. A file's events wait behind the files
// before it: those still being scanned by other threads (file_order.h) and those that
// wait to take their places (commit_queue.h), so that the report keeps the walk's order;
// progress, which is no line of the report, waits only for the scans.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "folder.h"
#include "hit_notes.h"

// An event of `kind` about the file at `path` whose text is in `encoding` (TEXT_...), its
// other fields empty.
FolderEvent file_event(int kind, const char* path, int encoding);

// Hands `event` on towards the job's sink; the only caller of the sink.
void send_event(const FolderJob* job, const FolderEvent* event);

// Hits at `offsets` (`count` of them) of the file at `path`, FOLDER_HIT_FOUND or
// FOLDER_HIT_REPLACED, the first `note_count` with their notes: every hit that the folder
// search tells goes through here.
void send_hits(const FolderJob* job, int kind, const char* path, int encoding,
               const int64_t* offsets, uint32_t count, const HitNote* notes,
               uint32_t note_count);

// An event that waits is copied with the texts and bytes that it points to (its paths,
// its excerpt's pieces, the bytes written) into one block, which holds nothing of the
// walk's: the block's size, and the copy made in `room` (aligned as a FolderEvent), whose
// pointers point into the block. The one place that knows which of an event's fields
// point elsewhere.
size_t held_event_size(const FolderEvent* event);
FolderEvent* held_event_copy(const FolderEvent* event, void* room);
