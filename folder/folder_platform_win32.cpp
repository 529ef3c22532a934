// Win32 realisation of the folder search's platform layer: FindFirstFileA and friends,
// GetFileAttributesA, and the C runtime's descriptors for the file contents.
#include "folder_platform.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

struct Listing {
    HANDLE handle;
    WIN32_FIND_DATAA data;
};

int32_t listing_open(const char* pattern, uint16_t, Listing** listing, const char** name) {
    Listing* result = static_cast<Listing*>(malloc(sizeof(Listing)));
    if (!result) return ERROR_NOT_ENOUGH_MEMORY;
    result->handle = FindFirstFileA(pattern, &result->data);
    if (result->handle == INVALID_HANDLE_VALUE) {
        int32_t code = static_cast<int32_t>(GetLastError());
        free(result);
        return code;
    }
    *name = result->data.cFileName;
    *listing = result;
    return 0;
}

int32_t listing_next(Listing* listing, const char** name) {
    if (!FindNextFileA(listing->handle, &listing->data))
        return static_cast<int32_t>(GetLastError());
    *name = listing->data.cFileName;
    return 0;
}

int32_t listing_close(Listing* listing) {
    int32_t code = FindClose(listing->handle) ? 0 : static_cast<int32_t>(GetLastError());
    free(listing);
    return code;
}

ListingOps listing_ops = {
    /* open */  listing_open,
    /* next */  listing_next,
    /* close */ listing_close,
};

int32_t entry_kind(const Listing*, const char* path, int* kind) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return static_cast<int32_t>(GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) *kind = ENTRY_FILE;
    else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) *kind = ENTRY_LINKED_FOLDER;
    else *kind = ENTRY_FOLDER;
    return 0;
}

int is_link(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

struct Thread {
    HANDLE handle;
    void (*work)(void* argument);
    void* argument;
};

namespace {

unsigned __stdcall run_thread(void* thread) {
    Thread* what = static_cast<Thread*>(thread);
    what->work(what->argument);
    return 0;
}

}  // namespace

Thread* start_thread(void (*work)(void* argument), void* argument) {
    Thread* thread = static_cast<Thread*>(malloc(sizeof(Thread)));
    if (!thread) return nullptr;
    thread->work = work;
    thread->argument = argument;
    // Through the runtime, which then sets up its own data for the thread.
    uintptr_t handle = _beginthreadex(nullptr, 0, run_thread, thread, 0, nullptr);
    if (!handle) {
        free(thread);
        return nullptr;
    }
    thread->handle = reinterpret_cast<HANDLE>(handle);
    return thread;
}

void join_thread(Thread* thread) {
    WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    free(thread);
}

uint32_t processor_count() {
    // A 32-bit program on 64-bit Windows is told the machine's processors, up to 32.
    SYSTEM_INFO information;
    GetSystemInfo(&information);
    return information.dwNumberOfProcessors > 0 ? information.dwNumberOfProcessors : 1;
}

void lower_own_priority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }

namespace {

void describe(const BY_HANDLE_FILE_INFORMATION& information, FileIdentity* identity) {
    identity->size = static_cast<int64_t>(information.nFileSizeHigh) << 32 | information.nFileSizeLow;
    identity->modified = static_cast<int64_t>(information.ftLastWriteTime.dwHighDateTime) << 32 |
                         information.ftLastWriteTime.dwLowDateTime;
    identity->volume = information.dwVolumeSerialNumber;
    identity->index = static_cast<uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    identity->links = information.nNumberOfLinks;
}

int errno_of(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
}

int open_source(const char* path, FileIdentity* identity, int whole) {
    int file = _open(path, _O_RDONLY | _O_BINARY);
    if (file < 0) return -1;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file));
    if (!whole) {
        // The size alone: the whole description asks the volume too, which is slow.
        LARGE_INTEGER size;
        *identity = {};
        if (GetFileSizeEx(handle, &size)) {
            identity->size = size.QuadPart;
            identity->links = 1;
            return file;
        }
        _close(file);
        errno = EACCES;
        return -1;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) {
        _close(file);
        errno = EACCES;
        return -1;
    }
    describe(information, identity);
    return file;
}

int32_t read_at(int file, int64_t offset, char* buffer, uint32_t size) {
    if (_lseeki64(file, offset, SEEK_SET) != offset) return -1;
    return _read(file, buffer, size);
}

void close_source(int file) { _close(file); }

FILE* create_copy(const char* path) {
    int file = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (file < 0) return nullptr;
    FILE* stream = _fdopen(file, "wb");
    if (!stream) _close(file);
    return stream;
}

// One copy's flush, on a thread of its own.
struct Flush {
    HANDLE handle;
    int error;
};

void flush_one(void* argument) {
    Flush* flush = static_cast<Flush*>(argument);
    flush->error = flush->handle != INVALID_HANDLE_VALUE && FlushFileBuffers(flush->handle)
                       ? 0
                       : errno_of(GetLastError());
}

constexpr uint32_t FLUSHES_AT_ONCE = 16;

void flush_copies(FILE* const* streams, uint32_t count, int* errors) {
    // A flush of a whole volume needs administrator rights: file by file, but side by
    // side, so that the system writes them together rather than one disk wait each.
    for (uint32_t first = 0; first < count; first += FLUSHES_AT_ONCE) {
        uint32_t n = count - first < FLUSHES_AT_ONCE ? count - first : FLUSHES_AT_ONCE;
        Flush flushes[FLUSHES_AT_ONCE];
        Thread* threads[FLUSHES_AT_ONCE];
        for (uint32_t i = 0; i < n; i++) {
            flushes[i] = {reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(streams[first + i]))), 0};
            threads[i] = start_thread(flush_one, &flushes[i]);
            if (!threads[i]) flush_one(&flushes[i]);
        }
        for (uint32_t i = 0; i < n; i++) {
            if (threads[i]) join_thread(threads[i]);
            errors[first + i] = flushes[i].error;
        }
    }
}

// Windows writes a closed-off file back soon enough; its flush happens beside the scan.
void begin_writing(FILE*) {}

int identity_of(const char* path, FileIdentity* identity) {
    // Opened for no access at all, shared every way: only to describe it.
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return errno_of(GetLastError());
    BY_HANDLE_FILE_INFORMATION information;
    BOOL described = GetFileInformationByHandle(handle, &information);
    DWORD code = GetLastError();
    CloseHandle(handle);
    if (!described) return errno_of(code);
    describe(information, identity);
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
