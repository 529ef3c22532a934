// The one way from the folder search to its sink. A file's events wait behind the files
// before it that wait to take their places (commit_queue.h), so that the report keeps the
// walk's order; progress, which is no line of the report, goes at once.
#pragma once

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

// A copy of `event` whose strings and bytes are copied into one new heap block, `*block`
// (released with free). Returns 0, or -1 when memory cannot be had. Where an event waits,
// it waits as such a copy.
int copy_event(const FolderEvent* event, FolderEvent* copy, char** block);
