// What the undo of a folder Replace needs of the system: the user's temporary folder,
// folders made and removed, hard links, copies of files and the process's id. Realised in
// undo_platform_posix.cpp and undo_platform_win32.cpp; a table, so that tests can put a
// failing operation in the place of one of them.
#pragma once

#include <stdint.h>

struct UndoPlatform {
    // The user's temporary folder with a path separator at its end, into `buffer` of
    // `size` bytes. Returns its length, or 0 when there is none or it does not fit.
    uint32_t (*temporary_folder)(char* buffer, uint32_t size);
    // Makes a folder. Returns 0, or an errno value (EEXIST when the name is taken).
    int (*make_folder)(const char* path);
    // Removes a folder that is empty. Returns 0 or an errno value.
    int (*remove_folder)(const char* path);
    // Gives the file `existing` the further name `link`, which must be on its volume.
    // Returns 0 or an errno value (EXDEV for another volume).
    int (*link_file)(const char* existing, const char* link);
    // Copies the bytes of the file `existing` into the new file `copy`, which must not
    // exist yet, as cheaply as the system copies files. Returns 0 or an errno value; a
    // copy that failed is removed.
    int (*copy_file)(const char* existing, const char* copy);
    uint32_t (*process_id)();
};

extern UndoPlatform undo_platform;
