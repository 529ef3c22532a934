// POSIX realisation of the folder search's platform layer: what the walker and the
// visitor get from Win32 on Windows, with the same Win32 error codes.
#include "folder_platform.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int32_t code_from_errno(int error) {
    switch (error) {
    case ENOENT: return 2;          // ERROR_FILE_NOT_FOUND
    case ENOTDIR: return 3;         // ERROR_PATH_NOT_FOUND
    case EMFILE:
    case ENFILE: return 4;          // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM: return 5;           // ERROR_ACCESS_DENIED
    case ENOMEM: return 8;          // ERROR_NOT_ENOUGH_MEMORY
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case EIO: return 1117;          // ERROR_IO_DEVICE
    case ELOOP: return 1921;        // ERROR_CANT_RESOLVE_FILENAME
    default: return 31;             // ERROR_GEN_FAILURE
    }
}

int same_letter(unsigned char a, unsigned char b) {
    return a == b || tolower(a) == tolower(b);
}

// `*` and `?` as a Win32 listing applies them: letter case does not count, and "*.*"
// takes every name, also one without a dot.
int mask_matches(const char* mask, const char* name) {
    if (strcmp(mask, "*.*") == 0) return 1;
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*mask == '*') {
            star = ++mask;
            resume = name;
        } else if (*mask && (*mask == '?' || same_letter(*mask, *name))) {
            mask++;
            name++;
        } else if (star) {
            mask = star;
            name = ++resume;
        } else {
            return 0;
        }
    }
    while (*mask == '*') mask++;
    return *mask == 0;
}

int by_name(const void* a, const void* b) {
    return strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

}  // namespace

// The names are read at once and sorted, so that a walk meets them in a repeatable order
// and never meets the copies that a Replace creates in the folder meanwhile. The folder
// stays open, so that its entries are looked up by their names in it (their kinds, and
// the files that the visitor opens) rather than by their whole paths again; but only so
// many folders at a time, so that a deep tree cannot use up the descriptors that its
// files need.
struct Listing {
    char* names;       // NUL-terminated names, one after another
    char** order;      // the names sorted by their bytes
    uint32_t count;
    uint32_t next;
    char* folder_path;
    size_t folder_length;
    DIR* folder;       // null when not kept open
    Listing* outer;    // the innermost listing with an open folder before this one
};

namespace {

constexpr int OPEN_FOLDERS_MAX = 32;
// A walk's listings are its thread's own: another thread that opens a file of the tree
// (one that scans files handed over by the walk) finds none, and opens it by its path.
thread_local int open_folders = 0;             // listings that keep their folder open
thread_local Listing* innermost = nullptr;     // the last of them: the folder being walked

// An entry's path as its name in the listing's open folder, or null when the listing
// has no open folder or the path is not the folder's path, a separator and a name. (A
// pattern without a folder part lists the current folder, while its paths name the
// root's entries: those are left to their paths.)
const char* name_in(const Listing* listing, const char* path) {
    if (!listing || !listing->folder || listing->folder_length == 0) return nullptr;
    size_t length = listing->folder_length;
    if (strncmp(path, listing->folder_path, length) != 0 || path[length] != '/') return nullptr;
    const char* name = path + length + 1;
    return *name && !strchr(name, '/') ? name : nullptr;
}

}  // namespace

int32_t listing_open(const char* pattern, uint16_t split, Listing** listing, const char** name) {
    size_t folder_length = split;
    if (split == 0 && pattern[0] == '/') folder_length = 1;  // the root
    char* folder = static_cast<char*>(malloc(folder_length + 2));
    if (!folder) return 8;
    if (folder_length == 0) strcpy(folder, ".");  // no folder part: the current one
    else memcpy(folder, pattern, folder_length), folder[folder_length] = 0;
    const char* mask = pattern[split] == '/' ? pattern + split + 1 : pattern;

    DIR* dir = opendir(folder);
    int32_t code = dir ? 0 : errno == ENOENT ? 3 : code_from_errno(errno);
    if (code) {
        free(folder);
        return code;
    }

    Listing* result = static_cast<Listing*>(calloc(1, sizeof(Listing)));
    if (result) {
        result->folder_path = folder;
        result->folder_length = folder_length;
    } else {
        free(folder);
    }
    size_t size = 0, capacity = 0;
    code = result ? 0 : 8;
    while (!code) {
        errno = 0;
        struct dirent* entry = readdir(dir);
        if (!entry) {
            if (errno) code = code_from_errno(errno);
            break;
        }
        if (!mask_matches(mask, entry->d_name)) continue;
        size_t length = strlen(entry->d_name) + 1;
        if (size + length > capacity) {
            capacity = (size + length) * 2 + 4096;
            char* names = static_cast<char*>(realloc(result->names, capacity));
            if (!names) code = 8;
            else result->names = names;
        }
        if (!code) {
            memcpy(result->names + size, entry->d_name, length);
            size += length;
            result->count++;
        }
    }
    if (!code && open_folders < OPEN_FOLDERS_MAX) {
        result->folder = dir;
        open_folders++;
        result->outer = innermost;
        innermost = result;
    } else {
        closedir(dir);
    }
    if (!code && result->count == 0) code = 2;  // nothing matches the mask
    if (!code) {
        result->order = static_cast<char**>(malloc(result->count * sizeof(char*)));
        if (!result->order) code = 8;
    }
    if (code) {
        if (result) listing_close(result);
        return code;
    }
    char* next = result->names;
    for (uint32_t i = 0; i < result->count; i++, next += strlen(next) + 1) result->order[i] = next;
    qsort(result->order, result->count, sizeof(char*), by_name);
    result->next = 1;
    *name = result->order[0];
    *listing = result;
    return 0;
}

int32_t listing_next(Listing* listing, const char** name) {
    if (listing->next >= listing->count) return 18;  // ERROR_NO_MORE_FILES
    *name = listing->order[listing->next++];
    return 0;
}

int32_t listing_close(Listing* listing) {
    if (listing->folder) {
        closedir(listing->folder);
        open_folders--;
        innermost = listing->outer;  // listings close in the reverse order of opening
    }
    free(listing->folder_path);
    free(listing->order);
    free(listing->names);
    free(listing);
    return 0;
}

ListingOps listing_ops = {
    /* open */  listing_open,
    /* next */  listing_next,
    /* close */ listing_close,
};

int32_t entry_kind(const Listing* listing, const char* path, int* kind) {
    const char* name = name_in(listing, path);
    int folder = name ? dirfd(listing->folder) : AT_FDCWD;
    const char* at = name ? name : path;
    struct stat status;
    if (fstatat(folder, at, &status, AT_SYMLINK_NOFOLLOW) != 0) return code_from_errno(errno);
    if (S_ISDIR(status.st_mode)) {
        *kind = ENTRY_FOLDER;
    } else if (S_ISLNK(status.st_mode)) {
        // A link is a folder when it leads to one; a broken link is a file (that cannot
        // be opened).
        *kind = fstatat(folder, at, &status, 0) == 0 && S_ISDIR(status.st_mode)
                    ? ENTRY_LINKED_FOLDER
                    : ENTRY_FILE;
    } else {
        *kind = ENTRY_FILE;
    }
    return 0;
}

int is_link(const char* path) {
    struct stat status;
    return lstat(path, &status) == 0 && S_ISLNK(status.st_mode);
}

struct Thread {
    pthread_t thread;
    void (*work)(void* argument);
    void* argument;
};

namespace {

void* run_thread(void* thread) {
    Thread* what = static_cast<Thread*>(thread);
    what->work(what->argument);
    return nullptr;
}

}  // namespace

Thread* start_thread(void (*work)(void* argument), void* argument) {
    Thread* thread = static_cast<Thread*>(malloc(sizeof(Thread)));
    if (!thread) return nullptr;
    thread->work = work;
    thread->argument = argument;
    if (pthread_create(&thread->thread, nullptr, run_thread, thread) != 0) {
        free(thread);
        return nullptr;
    }
    return thread;
}

void join_thread(Thread* thread) {
    pthread_join(thread->thread, nullptr);
    free(thread);
}

uint32_t processor_count() {
#ifdef __linux__
    // The processors that this process may run on, which a container or an affinity
    // mask may make fewer than the machine's.
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<uint32_t>(CPU_COUNT(&set));
#endif
    long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<uint32_t>(count) : 1;
}

void lower_own_priority() {
#ifdef __linux__
    // On Linux a thread's nice value is its own, named by its thread id.
    id_t thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    int now = getpriority(PRIO_PROCESS, thread);
    if (now != -1 || errno == 0) setpriority(PRIO_PROCESS, thread, now + 2);
#endif
}

namespace {

void describe(const struct stat& status, FileIdentity* identity) {
    identity->size = status.st_size;
    identity->modified = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                         status.st_mtim.tv_nsec;
    identity->volume = status.st_dev;
    identity->index = status.st_ino;
    identity->links = static_cast<uint32_t>(status.st_nlink);
}

int open_source(const char* path, FileIdentity* identity, int) {
    // Not blocking, so that a FIFO met in a tree cannot hang the walk; only regular files
    // are read.
    const char* name = name_in(innermost, path);
    int file = name ? openat(dirfd(innermost->folder), name, O_RDONLY | O_CLOEXEC | O_NONBLOCK)
                    : open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0) return -1;
    struct stat status;
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(file);
        errno = EINVAL;
        return -1;
    }
    describe(status, identity);   // one call gives it all
    return file;
}

int32_t read_at(int file, int64_t offset, char* buffer, uint32_t size) {
    for (;;) {
        ssize_t count = pread(file, buffer, size, offset);
        if (count >= 0) return static_cast<int32_t>(count);
        if (errno != EINTR) return -1;
    }
}

void close_source(int file) { close(file); }

FILE* create_copy(const char* path) {
    int file = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0) return nullptr;
    FILE* stream = fdopen(file, "wb");
    if (!stream) close(file);
    return stream;
}

void flush_copies(FILE* const* streams, uint32_t count, int* errors) {
    for (uint32_t i = 0; i < count; i++) errors[i] = 0;
#ifdef __linux__
    // All on one file system: a single flush of it writes them all, and far sooner than
    // one flush after another.
    struct stat first, other;
    bool one = count > 1 && fstat(fileno(streams[0]), &first) == 0;
    for (uint32_t i = 1; one && i < count; i++)
        one = fstat(fileno(streams[i]), &other) == 0 && other.st_dev == first.st_dev;
    if (one && syncfs(fileno(streams[0])) == 0) return;
#endif
    for (uint32_t i = 0; i < count; i++)
        if (fsync(fileno(streams[i])) != 0) errors[i] = errno;
}

void begin_writing(FILE* stream) {
#ifdef __linux__
    sync_file_range(fileno(stream), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)stream;
#endif
}

int identity_of(const char* path, FileIdentity* identity) {
    struct stat status;
    if (stat(path, &status) != 0) return errno;
    describe(status, identity);
    return 0;
}

}  // namespace

FileOps file_ops = {
    /* open_source */  open_source,
    /* read_at */      read_at,
    /* close_source */ close_source,
    /* create_copy */  create_copy,
    /* identity_of */  identity_of,
    /* flush_copies */ flush_copies,
    /* begin_writing */ begin_writing,
};
