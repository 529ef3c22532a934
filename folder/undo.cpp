// Keeping the old contents of the files that a Replace rewrites, and removing them again.
#include "undo.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "copy_string.h"
#include "folder_platform.h"
#include "undo_platform.h"

namespace {

constexpr char UNDO_FOLDERS[] = "fuzzyreplace-undo";
constexpr char LIST_NAME[] = "list.txt";
constexpr char LIST_HEADER[] =
    "Копии файлов до замены: номер копии, её размер и хеш, размер и хеш нового "
    "содержимого, файл\r\n";
constexpr int FOLDER_NAMES_TRIED = 100;
constexpr size_t NAME_ROOM = 40;     // an undo folder's name, its separator and its zero
constexpr size_t NUMBER_ROOM = 11;   // a kept copy's decimal name and its zero

// The undo folder without the separator at its end, and, with `up`, the folder of all
// undo folders, without its last name.
void folder_path(const char* folder, int up, char* path) {
    size_t length = strlen(folder) - 1;
    memcpy(path, folder, length);
    path[length] = '\0';
    if (!up) return;
    while (length > 0 && path[length - 1] != PATH_SEPARATOR) length--;
    path[length > 0 ? length - 1 : 0] = '\0';
}

// <temporary>fuzzyreplace-undo<sep><date>-<time>-<process>[-n]<sep>, made new for this
// store: its name tells whose it is, so that each program removes only its own.
int make_undo_folder(UndoStore* undo) {
    char path[PATH_LIMIT];
    uint32_t base = undo_platform.temporary_folder(path, PATH_LIMIT);
    if (base == 0) return -1;
    time_t now = time(nullptr);
    char stamp[32];
    if (!strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", localtime(&now))) return -1;
    int parent = snprintf(path + base, PATH_LIMIT - base, "%s", UNDO_FOLDERS);
    if (parent < 0 || base + parent + NAME_ROOM + NUMBER_ROOM >= PATH_LIMIT) return -1;
    char* name = path + base + parent;
    int error = undo_platform.make_folder(path);
    if (error != 0 && error != EEXIST) return -1;
    uint32_t process = undo_platform.process_id();
    char number[16] = "";
    bool remade = false;
    for (int attempt = 1;; attempt++) {
        if (attempt > 1) snprintf(number, sizeof number, "-%d", attempt);
        int named = snprintf(name, NAME_ROOM, "%c%s-%u%s", PATH_SEPARATOR, stamp, process, number);
        if (named < 0 || named >= static_cast<int>(NAME_ROOM)) return -1;
        error = undo_platform.make_folder(path);
        // Another program may have removed the folder of all undo folders, once empty.
        if (error == ENOENT && !remade) {
            remade = true;
            *name = '\0';
            undo_platform.make_folder(path);
            attempt--;
            continue;
        }
        if (error != EEXIST || attempt == FOLDER_NAMES_TRIED) break;
    }
    if (error != 0) return -1;
    size_t length = strlen(path);
    path[length++] = PATH_SEPARATOR;
    path[length] = '\0';
    char list[PATH_LIMIT];
    if (snprintf(list, PATH_LIMIT, "%s%s", path, LIST_NAME) >= static_cast<int>(PATH_LIMIT))
        return -1;   // never: the room was counted
    undo->folder = copy_string(path);
    undo->list = undo->folder ? fopen(list, "wb") : nullptr;
    if (!undo->list || fputs(LIST_HEADER, undo->list) < 0) {
        if (undo->list) fclose(undo->list);
        undo->list = nullptr;
        remove(list);
        undo_platform.remove_folder(path);
        free(undo->folder);
        undo->folder = nullptr;
        return -1;
    }
    return 0;
}

// Keeps the old content of `path`: a hard link where the undo folder is on its volume,
// else a copy. Either is what the scan saw as long as the file is the one that was read,
// which is checked before its copy takes its place. Returns 0, or -1 when nothing could
// be kept.
int keep_content(UndoStore* undo, const char* path, const Fingerprint* old_content,
                 UndoEntry* entry) {
    if (!undo->folder && make_undo_folder(undo) != 0) return -1;
    // Room for every file kept and not yet settled, so that recording cannot fail.
    if (undo->count + undo->unsettled == undo->capacity) {
        uint32_t capacity = undo->capacity ? undo->capacity * 2 : 64;
        UndoEntry* entries =
            static_cast<UndoEntry*>(realloc(undo->entries, capacity * sizeof(UndoEntry)));
        if (!entries) return -1;
        undo->entries = entries;
        undo->capacity = capacity;
    }
    char* copy = copy_string(path);
    if (!copy) return -1;
    uint32_t number = ++undo->next_number;
    char kept[PATH_LIMIT];
    kept_copy_path(undo, number, kept);
    if (undo_platform.link_file(path, kept) != 0 && undo_platform.copy_file(path, kept) != 0) {
        free(copy);
        return -1;
    }
    *entry = UndoEntry{copy, number, *old_content, Fingerprint{}};
    undo->unsettled++;
    return 0;
}

void write_list_line(FILE* list, const UndoEntry* entry) {
    fprintf(list, "%u\t%lld\t%016llx\t%lld\t%016llx\t%s\r\n", entry->number,
            static_cast<long long>(entry->kept.size),
            static_cast<unsigned long long>(entry->kept.hash),
            static_cast<long long>(entry->written.size),
            static_cast<unsigned long long>(entry->written.hash), entry->path);
    // To the system at once: after a crash the list tells which copy is which file's.
    fflush(list);
}

void remove_kept(const UndoStore* undo, uint32_t number) {
    char kept[PATH_LIMIT];
    kept_copy_path(undo, number, kept);
    remove(kept);
}

}  // namespace

void kept_copy_path(const UndoStore* undo, uint32_t number, char* path) {
    snprintf(path, PATH_LIMIT, "%s%u", undo->folder, number);
}

int undo_keep(UndoStore* undo, const char* path, const Fingerprint* old_content,
              UndoEntry* entry) {
    if (undo->mode == UNDO_OFF) return KEEP_NONE;
    if (undo->mode == UNDO_REFUSED) return KEEP_STOP;
    if (keep_content(undo, path, old_content, entry) == 0) return KEEP_DONE;
    // The first file whose old content cannot be kept: the user decides for the rest.
    int go_on = undo->go_on_without && undo->go_on_without(undo->go_on_user);
    undo->mode = go_on ? UNDO_OFF : UNDO_REFUSED;
    return go_on ? KEEP_NONE : KEEP_STOP;
}

void undo_settle(UndoStore* undo, UndoEntry* entry, const Fingerprint* new_content,
                 int rewritten) {
    undo->unsettled--;
    if (!rewritten) {
        remove_kept(undo, entry->number);
        free(entry->path);
    } else {
        entry->written = *new_content;
        undo->entries[undo->count++] = *entry;   // keep_content made the room
        write_list_line(undo->list, entry);
    }
    *entry = {};
}

void undo_discard(UndoStore* undo) {
    for (uint32_t i = 0; i < undo->count; i++) {
        remove_kept(undo, undo->entries[i].number);
        free(undo->entries[i].path);
    }
    free(undo->entries);
    if (undo->folder) {
        char path[PATH_LIMIT];
        fclose(undo->list);
        snprintf(path, PATH_LIMIT, "%s%s", undo->folder, LIST_NAME);
        remove(path);
        // Not removed while it holds anything else; the folder of all undo folders only
        // once no other program has one there.
        folder_path(undo->folder, 0, path);
        undo_platform.remove_folder(path);
        folder_path(undo->folder, 1, path);
        undo_platform.remove_folder(path);
        free(undo->folder);
    }
    UndoStore emptied = {};
    emptied.go_on_without = undo->go_on_without;
    emptied.go_on_user = undo->go_on_user;
    *undo = emptied;
}
