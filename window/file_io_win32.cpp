// The Microsoft runtime's descriptors, in binary mode.
#include "file_io.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

int file_open_read(const char* path) {
    return _open(path, _O_RDONLY | _O_BINARY);
}

int64_t file_length(int descriptor) {
    return _filelengthi64(descriptor);
}

int32_t file_read(int descriptor, void* buffer, uint32_t size) {
    return _read(descriptor, buffer, size);
}

int file_close(int descriptor) {
    return _close(descriptor);
}

