// The Microsoft runtime's descriptors, in binary mode.
#include "file_io.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

int file_open_read(const char* path) {
    return _open(path, _O_RDONLY | _O_BINARY);
}

int file_open_write(const char* path) {
    // _S_IREAD | _S_IWRITE: a new file is an ordinary writable file.
    return _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

int64_t file_length(int descriptor) {
    return _filelengthi64(descriptor);
}

int32_t file_read(int descriptor, void* buffer, uint32_t size) {
    return _read(descriptor, buffer, size);
}

int32_t file_write(int descriptor, const void* buffer, uint32_t size) {
    return _write(descriptor, buffer, size);
}

int file_commit(int descriptor) {
    return _commit(descriptor);
}

int file_close(int descriptor) {
    return _close(descriptor);
}

int file_remove(const char* path) {
    return remove(path);
}
