// The little that the folder search needs of the system: one folder's listing, an entry's
// kind, locale-aware lower-casing and reading and writing files by 64-bit offsets.
// Realised with Win32 in folder_platform_win32.cpp and with POSIX calls in
// folder_platform_posix.cpp; codes are Win32 error codes on both.
#pragma once

#include <stdint.h>
#include <stdio.h>

#ifdef _WIN32
constexpr char PATH_SEPARATOR = '\\';
constexpr uint32_t PATH_LIMIT = 260;   // MAX_PATH, the terminating NUL included
#else
constexpr char PATH_SEPARATOR = '/';
constexpr uint32_t PATH_LIMIT = 4096;  // PATH_MAX, the terminating NUL included
#endif

// The entries of one folder that match a mask, "." and ".." included when they match.
struct Listing;

// Opens the listing for `pattern`: the folder named by its first `split` characters (the
// separator at `split` stands before the mask). Gives the first entry's name. Returns 0,
// or a code: 2 when nothing matches the mask, 3 when the folder does not exist, 5 when it
// cannot be listed, 8 when memory runs out.
int32_t listing_open(const char* pattern, uint16_t split, Listing** listing, const char** name);

// Gives the next entry's name and 0, or 18 at the end, or another code on failure. The
// name stays valid until the next call.
int32_t listing_next(Listing* listing, const char** name);

// Releases the listing. Returns 0 or a code.
int32_t listing_close(Listing* listing);

// The three as the walker calls them: a table, so that a test can see which folders are
// listed.
struct ListingOps {
    int32_t (*open)(const char* pattern, uint16_t split, Listing** listing, const char** name);
    int32_t (*next)(Listing* listing, const char** name);
    int32_t (*close)(Listing* listing);
};

extern ListingOps listing_ops;

constexpr int ENTRY_FILE = 0;
constexpr int ENTRY_FOLDER = 1;
constexpr int ENTRY_LINKED_FOLDER = 2;  // a link to a folder: never entered

// The kind of the entry at `path`, one of the listing's. Returns 0, or a code (2 when it
// no longer exists).
int32_t entry_kind(const Listing* listing, const char* path, int* kind);

// 1 when `path` itself is a symbolic link (or another reparse point), 0 otherwise.
int is_link(const char* path);

// Work beside the caller: runs work(argument) on a thread of its own. Returns a handle,
// or null when no thread could be started.
struct Thread;
Thread* start_thread(void (*work)(void* argument), void* argument);
// Waits until the thread's work has returned, and releases the handle.
void join_thread(Thread* thread);
// The logical processors that the program may run on, at least 1.
uint32_t processor_count();
// The calling thread runs below the normal priority from here on, so that the window's
// thread comes first.
void lower_own_priority();

// What tells whether a file is still the one that was read: its size, its last write
// and which file it is on its volume.
struct FileIdentity {
    int64_t size;
    int64_t modified;   // the last write, in the platform's finest unit
    uint64_t volume;    // the device (POSIX) or the volume's serial number (Win32)
    uint64_t index;     // the inode (POSIX) or the file index (Win32)
    uint32_t links;     // how many names the file has
};

// Reading a source file and writing its copy. A table, so that tests can put a failing
// operation in the place of one of them.
struct FileOps {
    // Opens a regular file for reading and gives its size, and with `whole` the rest of
    // its description (which costs more on some systems); -1 (errno set) otherwise. A
    // file of the folder that a walk is listing is looked up by its name in that folder.
    int (*open_source)(const char* path, FileIdentity* identity, int whole);
    // Reads up to `size` bytes at `offset`: the count, 0 at the end of the file, -1 on error.
    int32_t (*read_at)(int file, int64_t offset, char* buffer, uint32_t size);
    void (*close_source)(int file);
    // Creates a new file for writing raw bytes; null (errno set) when the name exists
    // already or the file cannot be made.
    FILE* (*create_copy)(const char* path);
    // Describes the file at `path` as it is now. Returns 0 or an errno value.
    int (*identity_of)(const char* path, FileIdentity* identity);
    // Pushes the written bytes of `count` copies (their streams flushed already) to the
    // disk, as cheaply as the system allows: one flush of the whole file system where
    // they all lie on one and the system can. errors[i] receives 0 or an errno value.
    void (*flush_copies)(FILE* const* streams, uint32_t count, int* errors);
    // Lets the system begin writing a copy that is written whole (its stream flushed),
    // without waiting: its flush later finds less to do.
    void (*begin_writing)(FILE* stream);
};

extern FileOps file_ops;
