#include "document_file.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

#include "file_io.h"
#include "window_alloc.h"
#include "replace_file.h"

namespace {

// Editor positions are signed 32-bit: no text beyond this can be held.
constexpr int64_t LARGEST_TEXT = 0x7FFFFFFF;

// The copy that a save writes beside the file before it takes the file's place.
constexpr char SAVE_SUFFIX[] = ".fr$save";
constexpr size_t COPY_PATH_SIZE = 512;

// Reads up to `size` bytes, fewer when the file ends early. Returns the count, or -1.
int64_t read_fully(int descriptor, char* buffer, uint32_t size) {
    uint32_t done = 0;
    while (done < size) {
        int32_t got = file_read(descriptor, buffer + done, size - done);
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<uint32_t>(got);
    }
    return done;
}

int write_fully(int descriptor, const char* data, uint32_t size) {
    uint32_t done = 0;
    while (done < size) {
        int32_t put = file_write(descriptor, data + done, size - done);
        if (put <= 0) return errno ? errno : EIO;
        done += static_cast<uint32_t>(put);
    }
    return 0;
}

int error_or_io() {
    return errno ? errno : EIO;
}

}  // namespace

ReadResult read_whole_file(const char* path, uint32_t limit, char** text, uint32_t* length) {
    int descriptor = file_open_read(path);
    if (descriptor < 0) return READ_CANNOT_OPEN;
    int64_t size = file_length(descriptor);
    ReadResult refusal = READ_DONE;
    if (limit != 0 && (size < 0 || size > limit)) refusal = READ_TOO_LARGE;
    else if (size < 0) refusal = READ_CANNOT_OPEN;
    else if (size > LARGEST_TEXT) refusal = READ_NO_MEMORY;
    char* buffer = nullptr;
    if (refusal == READ_DONE) {
        buffer = static_cast<char*>(window_alloc(static_cast<size_t>(size) + 1));
        if (!buffer) refusal = READ_NO_MEMORY;
    }
    if (refusal != READ_DONE) {
        file_close(descriptor);
        return refusal;
    }
    int64_t got = read_fully(descriptor, buffer, static_cast<uint32_t>(size));
    file_close(descriptor);
    if (got < 0) {
        free(buffer);
        return READ_CANNOT_OPEN;
    }
    buffer[got] = '\0';   // a file that shrank meanwhile ends where its bytes end
    *text = buffer;
    *length = static_cast<uint32_t>(got);
    return READ_DONE;
}

int write_whole_file(const char* path, const char* data, uint32_t size) {
    if (is_read_only(path)) return EACCES;
    char copy[COPY_PATH_SIZE];
    if (snprintf(copy, sizeof copy, "%s%s", path, SAVE_SUFFIX) >= static_cast<int>(sizeof copy))
        return ENAMETOOLONG;
    errno = 0;
    int descriptor = file_open_write(copy);
    if (descriptor < 0) return error_or_io();
    int error = write_fully(descriptor, data, size);
    if (!error && file_commit(descriptor) != 0) error = error_or_io();
    if (file_close(descriptor) != 0 && !error) error = error_or_io();
    if (!error) error = replace_file(copy, path);
    if (error) file_remove(copy);
    return error;
}
