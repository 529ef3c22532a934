// POSIX descriptors; O_BINARY does not exist here, every file is raw bytes.
#include "file_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

int file_open_read(const char* path) {
    return open(path, O_RDONLY);
}

int file_open_write(const char* path) {
    return open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

int64_t file_length(int descriptor) {
    struct stat status;
    if (fstat(descriptor, &status) != 0) return -1;
    return status.st_size;
}

int32_t file_read(int descriptor, void* buffer, uint32_t size) {
    return static_cast<int32_t>(read(descriptor, buffer, size));
}

int32_t file_write(int descriptor, const void* buffer, uint32_t size) {
    return static_cast<int32_t>(write(descriptor, buffer, size));
}

int file_commit(int descriptor) {
    return fsync(descriptor);
}

int file_close(int descriptor) {
    return close(descriptor);
}

int file_remove(const char* path) {
    return remove(path);
}
