// The undo of a folder Replace. Before each file is rewritten, its old content is kept in
// a folder of the user's temporary directory (a hard link where the volume allows, which
// costs no bytes, else a copy), with a list of what was replaced and the fingerprints of
// each kept copy and of each new content. The undo puts back each file whose content is
// still the one that the Replace wrote, through the Replace's own safe copy and rename,
// and never from a kept copy that does not match its fingerprint.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "fingerprint.h"
#include "folder.h"

struct UndoEntry {
    char* path;            // the file that was rewritten
    uint32_t number;       // its kept copy's name in the undo folder
    Fingerprint kept;      // the old content, as kept
    Fingerprint written;   // the new content, as the Replace wrote it
};

// What becomes of the files after the first one whose old content could not be kept.
enum UndoMode {
    UNDO_KEEPING = 0,
    UNDO_OFF = 1,       // the user chose to go on without the undo
    UNDO_REFUSED = 2,   // the user chose to stop: no further file is rewritten
};

// A zeroed store keeps. During a walk one thread at a time keeps or settles (the one that
// reaches the commit queue, or the one that flushes a group of its files meanwhile); only
// once the walk has ended does another thread read the store.
struct UndoStore {
    char* folder;          // the undo folder, a separator at its end; null until made
    FILE* list;            // the list of what was replaced, in the folder
    UndoEntry* entries;    // the files rewritten, in the order of their rewriting
    uint32_t count;
    uint32_t capacity;
    uint32_t next_number;
    uint32_t unsettled;    // files kept whose fate is not known yet
    int mode;              // an UndoMode
    // Asked at the first file in walk order whose old content cannot be kept, on the
    // thread that keeps it (every scan of the walk waits meanwhile): 1 to go on without
    // the undo, 0 to leave that file and the rest as they are (the asker then stops the
    // walk, as Stop does). Null counts as 0.
    int (*go_on_without)(void* user);
    void* go_on_user;
};

// undo_keep's answers.
enum KeepResult {
    KEEP_NOT_YET = -1,  // (what a file waiting to take its place holds before the keep)
    KEEP_DONE = 0,      // kept; undo_settle follows once the file's fate is known
    KEEP_NONE = 1,      // the undo is off: the file is rewritten without
    KEEP_STOP = 2,      // the file is to stay as it is
};

// Before a file's new content takes its place: keeps its old content, which the scan saw
// as `old_content`, into `entry`, asking the user at the first file for which that fails.
int undo_keep(UndoStore* undo, const char* path, const Fingerprint* old_content,
              UndoEntry* entry);

// After KEEP_DONE: records the file with the fingerprint of its new content when it was
// rewritten, or else removes what was kept for it; `entry` is emptied.
void undo_settle(UndoStore* undo, UndoEntry* entry, const Fingerprint* new_content,
                 int rewritten);

// Removes the kept copies, the list and the undo folder (nothing but what this store
// made) and empties the store, which keeps its asker.
void undo_discard(UndoStore* undo);

// Restores each recorded file, in the order of the Replace, and tells the job's sink one
// FOLDER_RESTORED or FOLDER_NOT_RESTORED for each.
void undo_restore(const UndoStore* undo, const FolderJob* job);

// Shared by the undo's files.

// The path of kept copy `number` into `path` (PATH_LIMIT bytes).
void kept_copy_path(const UndoStore* undo, uint32_t number, char* path);
