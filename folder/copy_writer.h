// A Replace's copy of the file, written as the scan goes: the file's bytes as they are up
// to each hit, the hit's replacement in its place, the rest at the end; the hits held
// until the file's fate is known; with an undo, the fingerprints of the old content and
// of the new, fed as the bytes pass into the copy.
#pragma once

#include <stdint.h>

#include "fingerprint.h"
#include "hit_notes.h"
#include "replace_file.h"

struct FileScan;
struct WindowAnswer;

struct ScanCopy {
    FileCopy file;           // the copy (its stream open while it is written), or none
    int64_t copied;          // the file's bytes before this offset are in the copy
    int started;             // something was written to it
    // Hits written into the copy, reported once the file's fate is known: replaced when
    // the copy takes its place, found otherwise.
    int64_t* held;
    uint32_t held_count;
    uint32_t held_capacity;
    HitNotes notes;          // of the first held hits, whose lines are listed
    int hashing;
    HashState old_content;
    HashState new_content;
};

// 1 while the file is being rewritten into its copy.
int copy_alive(const FileScan* scan);

// Before the block drops the bytes before `offset`: a copy in progress takes them.
void copy_before_dropping(FileScan* scan, int64_t offset);

// What write_hit did with a hit.
enum HitWriting {
    HIT_NOT_WRITTEN = 0,   // the rewriting was given up: the hit is found, not replaced
    HIT_HELD = 1,          // written into the copy, told with the file's fate
    HIT_READ_FAILED = -1,  // the file could not be read: the scan ends
};

// Writes the copy up to the hit in `answer` and `replacement` (`length` bytes in the
// file's encoding) in its place. Returns a HitWriting.
int write_hit(FileScan* scan, const WindowAnswer* answer, const char* replacement, size_t length);

// Writes the rest of the file to the copy once something was replaced. Returns 0, or -1
// when it failed (the rewriting is then given up).
int scan_finish_copy(FileScan* scan);

// The copy is written whole: it takes the file's place now, or with its group when the
// walk commits files in groups.
void scan_commit_copy(FileScan* scan);

// Ends the rewriting of the file for `reason` (a REASON_...; the first one given counts):
// the copy goes, and the hits held for it are reported as found, with their notes.
void scan_give_up(FileScan* scan, int reason);

// Releases what the copy holds once the file is done.
void copy_end(ScanCopy* copy);
