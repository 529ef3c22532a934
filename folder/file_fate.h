// What becomes of a file that a Replace rewrites, or that an undo restores: whether its
// copy took its place or why the file stays as it was, and the report's lines that say
// so. The scan, the commit queue and the undo note what happened; what it means for the
// file and what the report says of it is decided here alone.
#pragma once

#include <stdint.h>

#include "hit_notes.h"
#include "replace_file.h"

struct FolderJob;

enum FateOutcome {
    FATE_OPEN = 0,     // nothing has decided it yet
    FATE_PLACED = 1,   // the copy took the file's place
    FATE_LEFT = 2,     // the file stays as it was, for `reason`
};

struct FileFate {
    int restoring;          // an undo's file: RESTORE_... reasons, else REASON_...
    const char* path;
    int encoding;           // the file's text encoding, for the report (TEXT_...)
    int outcome;            // a FateOutcome
    int reason;             // FATE_LEFT: why
    int error;              //   the errno value of a failure that has one, else 0
    const char* other;      //   a second path that the reason names, or null
    uint32_t hits;          // the hits of the file, found ones included
    const int64_t* held;    // the hits written into the copy, told once the fate is known
    uint32_t held_count;
    const HitNotes* notes;  //   and the notes of the first of them, or null
};

// The file is to stay as it was, for `reason`: the first reason given counts.
void fate_leave(FileFate* fate, int reason, int error = 0, const char* other = nullptr);

// What place_copy answered: the copy took the file's place, or why not.
void fate_placing(FileFate* fate, int placed);

// Why a copy beside the file could not be made, from open_copy's errno value; `other`
// is the copy's name, which a leftover of an earlier run holds.
void fate_no_copy(FileFate* fate, int error, const char* other);

// Removes the copy and releases its name, with a line when it cannot be removed.
void remove_copy_telling(const FolderJob* job, FileCopy* copy, int encoding);

// A file left as it was (or to be left, whatever else happens to it): its copy goes,
// with a line when it cannot be removed, and the hits written into it are told as found,
// now and once.
void fate_drop_copy(const FolderJob* job, FileFate* fate, FileCopy* copy);

// Tells the file's fate: the hits written into the copy as replaced (an undo: the file
// restored) when the copy took its place; else the copy goes as fate_drop_copy says, and
// the line that says why the file stays as it was follows where it is worth saying.
void settle_fate(const FolderJob* job, FileFate* fate, FileCopy* copy);
