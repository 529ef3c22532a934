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

// The copy that a save writes beside the file before it takes the file's place; another
// name is taken when a file of that name exists.
constexpr char SAVE_SUFFIX[] = ".fr$save";

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
    FileCopy copy;
    int error = open_copy(path, SAVE_SUFFIX, 1, &copy);
    if (error) return error;
    errno = 0;
    if (size && fwrite(data, 1, size, copy.stream) != size) error = errno ? errno : EIO;
    int finished = finish_copy(&copy);
    if (!error) error = finished;
    if (!error) error = place_copy(&copy, path, nullptr);
    if (error) remove_copy(&copy);
    release_copy(&copy);
    return error;
}
