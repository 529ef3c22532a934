// Windows: FlushFileBuffers, and MoveFileExA with MOVEFILE_REPLACE_EXISTING, retried
// while a virus scanner or an indexer briefly holds the file.
#include "replace_file.h"

#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

namespace {

constexpr int MOVE_ATTEMPTS = 10;
constexpr DWORD MOVE_PAUSE_MS = 50;
constexpr DWORD KEPT_ATTRIBUTES =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

int errno_from_win32(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    default: return EINVAL;
    }
}

}  // namespace

int flush_to_disk(FILE* stream) {
    if (fflush(stream) != 0) return errno ? errno : EIO;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle))
        return errno_from_win32(GetLastError());
    return 0;
}

int is_read_only(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    return (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
}

int replace_file(const char* copy, const char* target) {
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Checked here: Wine running as root would move over a read-only file.
        if (attributes & FILE_ATTRIBUTE_READONLY) return errno = EACCES;
        DWORD kept = attributes & KEPT_ATTRIBUTES;
        SetFileAttributesA(copy, kept ? kept : FILE_ATTRIBUTE_NORMAL);
    }
    DWORD code = 0;
    for (int attempt = 0; attempt < MOVE_ATTEMPTS; attempt++) {
        if (MoveFileExA(copy, target, MOVEFILE_REPLACE_EXISTING)) return 0;
        code = GetLastError();
        if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) break;
        Sleep(MOVE_PAUSE_MS);
    }
    return errno = errno_from_win32(code);
}
