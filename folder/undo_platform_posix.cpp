// POSIX: $TMPDIR or /tmp, mkdir, rmdir and link.
#include "undo_platform.h"

#include <errno.h>
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

uint32_t process_id() { return static_cast<uint32_t>(getpid()); }

}  // namespace

UndoPlatform undo_platform = {
    /* temporary_folder */ temporary_folder,
    /* make_folder */      make_folder,
    /* remove_folder */    remove_folder,
    /* link_file */        link_file,
    /* process_id */       process_id,
};
