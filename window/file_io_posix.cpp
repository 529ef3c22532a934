// POSIX descriptors; O_BINARY does not exist here, every file is raw bytes.
#include "file_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

int file_open_read(const char* path) {
    return open(path, O_RDONLY);
}

int64_t file_length(int descriptor) {
    struct stat status;
    if (fstat(descriptor, &status) != 0) return -1;
    return status.st_size;
}

int32_t file_read(int descriptor, void* buffer, uint32_t size) {
    return static_cast<int32_t>(read(descriptor, buffer, size));
}

int file_close(int descriptor) {
    return close(descriptor);
}

