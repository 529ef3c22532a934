#include "replace_file.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr size_t NUMBER_ROOM = 12;   // the decimal digits of a name's number

// Both describe the same file in the same state.
bool same_file_state(const FileIdentity* a, const FileIdentity* b) {
    return a->size == b->size && a->modified == b->modified && a->volume == b->volume &&
           a->index == b->index;
}

}  // namespace

int copy_path_too_long(const char* target, const char* suffix) {
    return strlen(target) + strlen(suffix) >= PATH_LIMIT;
}

int open_copy(const char* target, const char* suffix, int other_names, FileCopy* copy) {
    *copy = {};
    size_t base = strlen(target) + strlen(suffix);
    // Checked before anything is made: a copy that could be made but never renamed (its
    // path too long for the move) would be left behind.
    if (copy_path_too_long(target, suffix)) return ENAMETOOLONG;
    char* name = static_cast<char*>(malloc(base + NUMBER_ROOM + 1));
    if (!name) return ENOMEM;
    size_t target_length = strlen(target);
    memcpy(name, target, target_length);
    memcpy(name + target_length, suffix, base - target_length + 1);
    int error = EEXIST;
    for (int number = 1; number <= (other_names ? COPY_NAMES_TRIED : 1); number++) {
        if (number > 1) snprintf(name + base, NUMBER_ROOM + 1, "%d", number);
        if (strlen(name) >= PATH_LIMIT) {
            error = ENAMETOOLONG;
            break;
        }
        errno = 0;
        copy->stream = file_ops.create_copy(name);
        if (copy->stream) {
            copy->name = name;
            return 0;
        }
        error = errno ? errno : EIO;
        if (error != EEXIST) break;
    }
    free(name);
    return error;
}

int finish_copy(FileCopy* copy) {
    int error = flush_to_disk(copy->stream);
    if (!error && ferror(copy->stream)) error = EIO;
    if (fclose(copy->stream) != 0 && !error) error = errno ? errno : EIO;
    copy->stream = nullptr;
    return error;
}

int place_copy(FileCopy* copy, const char* target, const FileIdentity* expected) {
    if (expected) {
        FileIdentity now;
        if (file_ops.identity_of(target, &now) != 0 || !same_file_state(&now, expected))
            return COPY_TARGET_CHANGED;
    }
    return replace_file(copy->name, target);
}

int remove_copy(FileCopy* copy) {
    if (copy->stream) fclose(copy->stream);
    copy->stream = nullptr;
    if (!copy->name) return 0;
    return remove(copy->name) == 0 ? 0 : errno;
}

void release_copy(FileCopy* copy) {
    free(copy->name);
    copy->name = nullptr;
}
