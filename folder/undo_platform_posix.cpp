// POSIX: $TMPDIR or /tmp, mkdir, rmdir, link, and copies through the kernel where
// Linux can make them.
#include "undo_platform.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

uint32_t temporary_folder(char* buffer, uint32_t size) {
    const char* folder = getenv("TMPDIR");
    if (!folder || !*folder) folder = "/tmp";
    size_t length = strlen(folder);
    bool separator = folder[length - 1] == '/';
    if (length + (separator ? 0 : 1) >= size) return 0;
    memcpy(buffer, folder, length);
    if (!separator) buffer[length++] = '/';
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

int make_folder(const char* path) { return mkdir(path, 0700) == 0 ? 0 : errno; }

int remove_folder(const char* path) { return rmdir(path) == 0 ? 0 : errno; }

int link_file(const char* existing, const char* link) {
    return ::link(existing, link) == 0 ? 0 : errno;
}

constexpr size_t COPY_BLOCK = 1 << 18;

// The bytes of `from` from its current offset on, through a buffer.
int copy_through_buffer(int from, int to) {
    char* block = static_cast<char*>(malloc(COPY_BLOCK));
    if (!block) return ENOMEM;
    int error = 0;
    for (;;) {
        ssize_t got = read(from, block, COPY_BLOCK);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got < 0) error = errno;
            break;
        }
        for (ssize_t done = 0; done < got && !error;) {
            ssize_t put = write(to, block + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR) error = errno;
            if (put > 0) done += put;
        }
        if (error) break;
    }
    free(block);
    return error;
}

int copy_file(const char* existing, const char* copy) {
    int from = open(existing, O_RDONLY | O_CLOEXEC);
    if (from < 0) return errno;
    int to = open(copy, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (to < 0) {
        int error = errno;
        close(from);
        return error;
    }
    int error = 0;
#ifdef __linux__
    // In the kernel, from one page cache to the other; what it cannot copy (another
    // file system that it does not support, say) goes through the buffer from there on.
    for (;;) {
        ssize_t copied = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (copied > 0) continue;
        if (copied < 0 && errno == EINTR) continue;
        if (copied < 0) error = copy_through_buffer(from, to);
        break;
    }
#else
    error = copy_through_buffer(from, to);
#endif
    close(from);
    if (close(to) != 0 && !error) error = errno;
    if (error) unlink(copy);
    return error;
}

uint32_t process_id() { return static_cast<uint32_t>(getpid()); }

}  // namespace

UndoPlatform undo_platform = {
    /* temporary_folder */ temporary_folder,
    /* make_folder */      make_folder,
    /* remove_folder */    remove_folder,
    /* link_file */        link_file,
    /* copy_file */        copy_file,
    /* process_id */       process_id,
};
