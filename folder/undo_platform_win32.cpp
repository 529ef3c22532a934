// Windows: GetTempPathA, the runtime's folder functions, CreateHardLinkA and CopyFileA.
#include "undo_platform.h"

#include <direct.h>
#include <errno.h>
#include <windows.h>

namespace {

uint32_t temporary_folder(char* buffer, uint32_t size) {
    DWORD length = GetTempPathA(size, buffer);
    return length > 0 && length < size ? length : 0;
}

int make_folder(const char* path) { return _mkdir(path) == 0 ? 0 : errno; }

int remove_folder(const char* path) { return _rmdir(path) == 0 ? 0 : errno; }

int link_file(const char* existing, const char* link) {
    if (CreateHardLinkA(link, existing, nullptr)) return 0;
    return GetLastError() == ERROR_NOT_SAME_DEVICE ? EXDEV : EIO;
}

int copy_file(const char* existing, const char* copy) {
    if (CopyFileA(existing, copy, TRUE)) return 0;
    DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS) return EEXIST;
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL ? ENOSPC : EIO;
}

uint32_t process_id() { return GetCurrentProcessId(); }

}  // namespace

UndoPlatform undo_platform = {
    /* temporary_folder */ temporary_folder,
    /* make_folder */      make_folder,
    /* remove_folder */    remove_folder,
    /* link_file */        link_file,
    /* copy_file */        copy_file,
    /* process_id */       process_id,
};
