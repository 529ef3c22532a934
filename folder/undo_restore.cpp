// The undo itself. Each file whose content is still the one that the Replace wrote gets
// a copy beside it, written from its kept copy, which must match its fingerprint; the
// copies of a group go to the disk together, and then each takes its file's place in one
// step, if the file is still the one that was read.
#include "undo.h"

#include <errno.h>
#include <stdlib.h>

#include "file_fate.h"
#include "folder_events.h"
#include "folder_platform.h"
#include "replace_file.h"
#include "text_encoding.h"

namespace {

constexpr uint32_t GROUP_FILES = 32;
constexpr uint32_t READ_BLOCK = 1 << 16;

struct Restoring {
    const UndoEntry* entry;
    FileFate fate;
    int waiting;             // its copy is written and waits for the disk
    FileCopy copy;
    FileIdentity identity;   // the file as it was read
};

enum CopyBytesResult { COPY_BYTES_DONE = 0, COPY_BYTES_READ_FAILED = 1, COPY_BYTES_WRITE_FAILED = 2 };

// Copies the whole file `from` into the stream `to`, giving the fingerprint of what was
// copied. Returns a CopyBytesResult.
int copy_bytes(const char* from, FILE* to, Fingerprint* copied) {
    FILE* source = fopen(from, "rb");
    char* block = source ? static_cast<char*>(malloc(READ_BLOCK)) : nullptr;
    if (!block) {
        if (source) fclose(source);
        return COPY_BYTES_READ_FAILED;
    }
    HashState hash;
    hash_begin(&hash);
    int result = COPY_BYTES_DONE;
    for (size_t got; (got = fread(block, 1, READ_BLOCK, source)) > 0;) {
        hash_feed(&hash, block, got);
        if (fwrite(block, 1, got, to) != got) {
            result = COPY_BYTES_WRITE_FAILED;
            break;
        }
    }
    if (result == COPY_BYTES_DONE && ferror(source)) result = COPY_BYTES_READ_FAILED;
    if (result == COPY_BYTES_DONE && fflush(to) != 0) result = COPY_BYTES_WRITE_FAILED;
    fclose(source);
    free(block);
    *copied = hash_end(&hash);
    return result;
}

// The fingerprint of the file as it is now, and what identifies it. Returns 0, or an
// errno value (ENOENT when it is gone).
int read_fingerprint(const char* path, FileIdentity* identity, Fingerprint* print) {
    errno = 0;
    int file = file_ops.open_source(path, identity, 1);
    if (file < 0) return errno ? errno : EIO;
    char* block = static_cast<char*>(malloc(READ_BLOCK));
    int error = block ? 0 : ENOMEM;
    HashState hash;
    hash_begin(&hash);
    for (int64_t at = 0; !error;) {
        int32_t count = file_ops.read_at(file, at, block, READ_BLOCK);
        if (count < 0) error = EIO;
        if (count <= 0) break;
        hash_feed(&hash, block, static_cast<size_t>(count));
        at += count;
    }
    file_ops.close_source(file);
    free(block);
    *print = hash_end(&hash);
    return error;
}

// Reads the file and, when it still holds what the Replace wrote, writes the copy that
// is to take its place.
void prepare(const UndoStore* undo, Restoring* file) {
    const UndoEntry* entry = file->entry;
    Fingerprint now;
    int error = read_fingerprint(entry->path, &file->identity, &now);
    if (error) {
        fate_leave(&file->fate, error == ENOENT ? RESTORE_MISSING : RESTORE_READ_FAILED);
        return;
    }
    if (!same_fingerprint(&now, &entry->written)) {
        fate_leave(&file->fate, RESTORE_CHANGED);
        return;
    }
    error = open_copy(entry->path, TEMP_SUFFIX, 0, &file->copy);
    if (error) {
        fate_no_copy(&file->fate, error, nullptr);   // a leftover is named in the report
        return;
    }
    char kept[PATH_LIMIT];
    kept_copy_path(undo, entry->number, kept);
    Fingerprint copied;
    int outcome = copy_bytes(kept, file->copy.stream, &copied);
    if (outcome == COPY_BYTES_WRITE_FAILED) fate_leave(&file->fate, RESTORE_COPY_FAILED);
    else if (outcome != COPY_BYTES_DONE || !same_fingerprint(&copied, &entry->kept))
        fate_leave(&file->fate, RESTORE_KEPT_DAMAGED);
    else file->waiting = 1;
}

// The copies of the group go to the disk together, then each takes its file's place.
void place_group(Restoring* group, uint32_t count) {
    FILE* streams[GROUP_FILES];
    int errors[GROUP_FILES];
    uint32_t waiting = 0;
    for (uint32_t i = 0; i < count; i++)
        if (group[i].waiting) streams[waiting++] = group[i].copy.stream;
    file_ops.flush_copies(streams, waiting, errors);
    for (uint32_t i = 0, k = 0; i < count; i++) {
        Restoring* file = &group[i];
        if (!file->waiting) continue;
        int closed = fclose(file->copy.stream) == 0 ? 0 : (errno ? errno : EIO);
        file->copy.stream = nullptr;
        if (errors[k++] || closed) fate_leave(&file->fate, RESTORE_COPY_FAILED);
        else fate_placing(&file->fate, place_copy(&file->copy, file->entry->path, &file->identity));
    }
}

void report(const FolderJob* job, Restoring* file) {
    char copy_name[PATH_LIMIT + sizeof TEMP_SUFFIX];
    if (file->fate.outcome == FATE_LEFT && file->fate.reason == RESTORE_LEFTOVER_COPY) {
        snprintf(copy_name, sizeof copy_name, "%s%s", file->entry->path, TEMP_SUFFIX);
        file->fate.other = copy_name;
    }
    settle_fate(job, &file->fate, &file->copy);
}

}  // namespace

void undo_restore(const UndoStore* undo, const FolderJob* job) {
    Restoring group[GROUP_FILES];
    for (uint32_t first = 0; first < undo->count; first += GROUP_FILES) {
        uint32_t count = undo->count - first < GROUP_FILES ? undo->count - first : GROUP_FILES;
        for (uint32_t i = 0; i < count; i++) {
            Restoring* file = &group[i];
            *file = {};
            file->entry = &undo->entries[first + i];
            file->fate.restoring = 1;
            file->fate.path = file->entry->path;
            // The undo's lines name no encoding: the file is not read for it.
            file->fate.encoding = TEXT_ANSI;
            FolderEvent passed = file_event(FOLDER_FILE_PASSED, file->entry->path, TEXT_ANSI);
            send_event(job, &passed);
            prepare(undo, file);
        }
        place_group(group, count);
        for (uint32_t i = 0; i < count; i++) report(job, &group[i]);
    }
}
