#include "file_fate.h"

#include <errno.h>

#include "folder.h"
#include "folder_events.h"

namespace {

// A Replace says why a file stays as it was when it had hits, or when the reason is
// worth knowing anyway; an undo says it of every file.
bool worth_saying(const FileFate* fate) {
    return fate->restoring || fate->hits > 0 || fate->reason == REASON_READ_FAILED ||
           fate->reason == REASON_LEFTOVER_COPY;
}

// The hits written into the copy, as `kind`, now and once.
void send_held(const FolderJob* job, int kind, FileFate* fate) {
    const HitNotes* notes = fate->notes;
    send_hits(job, kind, fate->path, fate->encoding, fate->held, fate->held_count,
              notes ? notes->notes : nullptr, notes ? notes->count : 0);
    fate->held_count = 0;
}

// The reason of a Replace's file, or the matching one of an undo's.
int reason_of(const FileFate* fate, int replacing, int restoring) {
    return fate->restoring ? restoring : replacing;
}

}  // namespace

void fate_leave(FileFate* fate, int reason, int error, const char* other) {
    if (fate->outcome != FATE_OPEN) return;
    fate->outcome = FATE_LEFT;
    fate->reason = reason;
    fate->error = error;
    fate->other = other;
}

void fate_placing(FileFate* fate, int placed) {
    if (placed == 0) {
        if (fate->outcome == FATE_OPEN) fate->outcome = FATE_PLACED;
    } else if (placed == COPY_TARGET_CHANGED) {
        fate_leave(fate, reason_of(fate, REASON_CHANGED, RESTORE_CHANGED));
    } else {
        fate_leave(fate, reason_of(fate, REASON_NOT_REPLACED, RESTORE_NOT_REPLACED), placed);
    }
}

void fate_no_copy(FileFate* fate, int error, const char* other) {
    if (error == EEXIST) {
        fate_leave(fate, reason_of(fate, REASON_LEFTOVER_COPY, RESTORE_LEFTOVER_COPY), 0, other);
    } else if (error == ENAMETOOLONG && !fate->restoring) {
        fate_leave(fate, REASON_PATH_TOO_LONG, error);
    } else {
        fate_leave(fate, reason_of(fate, REASON_NO_COPY, RESTORE_NO_COPY), error);
    }
}

void remove_copy_telling(const FolderJob* job, FileCopy* copy, int encoding) {
    if (int error = remove_copy(copy)) {
        FolderEvent event = file_event(FOLDER_TEMP_NOT_DELETED, copy->name, encoding);
        event.error = error;
        send_event(job, &event);
    }
    release_copy(copy);
}

void fate_drop_copy(const FolderJob* job, FileFate* fate, FileCopy* copy) {
    remove_copy_telling(job, copy, fate->encoding);
    send_held(job, FOLDER_HIT_FOUND, fate);
}

void settle_fate(const FolderJob* job, FileFate* fate, FileCopy* copy) {
    if (fate->outcome == FATE_PLACED) {
        release_copy(copy);
        send_held(job, FOLDER_HIT_REPLACED, fate);
        if (fate->restoring) {
            FolderEvent event = file_event(FOLDER_RESTORED, fate->path, fate->encoding);
            send_event(job, &event);
        }
        return;
    }
    fate_drop_copy(job, fate, copy);
    if (fate->outcome != FATE_LEFT || !worth_saying(fate)) return;
    FolderEvent event = file_event(fate->restoring ? FOLDER_NOT_RESTORED : FOLDER_NOT_CHANGED,
                                   fate->path, fate->encoding);
    event.reason = fate->reason;
    event.error = fate->error;
    event.other = fate->other;
    send_event(job, &event);
}
