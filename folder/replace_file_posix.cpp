// POSIX: fsync, and rename(2), which replaces the target atomically.
#include "replace_file.h"

#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

int flush_to_disk(FILE* stream) {
    if (fflush(stream) != 0) return errno ? errno : EIO;
    if (fsync(fileno(stream)) != 0) return errno;
    return 0;
}

int is_read_only(const char* path) {
    struct stat status;
    if (stat(path, &status) != 0) return 0;
    return (status.st_mode & S_IWUSR) ? 0 : 1;
}

int replace_file(const char* copy, const char* target) {
    struct stat status;
    if (stat(target, &status) == 0) {
        // Checked here rather than left to the system: root may rename over anything.
        if (!(status.st_mode & S_IWUSR)) return errno = EACCES;
        // Owner and group first (a change of owner may clear set-id bits), where this
        // process may set them; a file it cannot give away keeps the process's.
        if (chown(copy, status.st_uid, status.st_gid) != 0) errno = 0;
        if (chmod(copy, status.st_mode & 07777) != 0) return errno;
    }
    if (rename(copy, target) != 0) return errno;
    return 0;
}
