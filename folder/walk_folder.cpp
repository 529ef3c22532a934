// The folder walker: a depth-first walk with a visitor and two optional name lists.
#include "folder.h"
#include "folder_platform.h"

#include <stdlib.h>
#include <string.h>

namespace {

constexpr uint32_t LIST_STEP = 4096;

int visitor_active(const WalkContext* context, FileVisitor visitor) {
    return visitor && !(context->flags & WALK_VISITOR_OFF);
}

int is_dot_entry(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Takes over a block handed in by the caller. Its entries are kept and new ones follow
// the last of them (the list's end is found from its content, as its true size cannot
// be read portably).
NameList list_from_block(char* data, uint8_t flags) {
    NameList list = {0, 0, data};
    if (!data) return list;
    if (flags & WALK_NUL_SEPARATOR) {
        while (data[list.used]) list.used += static_cast<uint32_t>(strlen(data + list.used)) + 1;
    } else {
        list.used = static_cast<uint32_t>(strlen(data));
    }
    list.capacity = list.used + 1;
    return list;
}

int32_t append_entry(NameList* list, const char* entry, uint8_t flags) {
    uint32_t length = static_cast<uint32_t>(strlen(entry));
    uint64_t needed = static_cast<uint64_t>(list->used) + length + 2;
    if (needed > list->capacity) {
        uint64_t capacity = list->capacity;
        while (capacity < needed) capacity += LIST_STEP;  // one step unless PATH_LIMIT > 4094
        if (capacity > UINT32_MAX) return WALK_CODE_NOT_ENOUGH_MEMORY;
        char* data = static_cast<char*>(realloc(list->data, capacity));
        if (!data) return WALK_CODE_NOT_ENOUGH_MEMORY;
        list->data = data;
        list->capacity = static_cast<uint32_t>(capacity);
    }
    memcpy(list->data + list->used, entry, length + 1);
    list->used += length + 1;
    list->data[list->used - 1] = (flags & WALK_NUL_SEPARATOR) ? 0 : '\n';
    list->data[list->used] = 0;
    return 0;
}

char* shrink_list(NameList* list) {
    if (!list->data) return nullptr;
    char* data = static_cast<char*>(realloc(list->data, list->used + 1));
    return data ? data : list->data;
}

// Calls the visitor if it is active and gives the code of its answer (its low 8 bits,
// signed); VISIT_DETACH switches it off for the rest of the walk.
int visit(WalkContext* context, FileVisitor visitor, const char* path, int is_folder,
          void* user) {
    if (!visitor_active(context, visitor)) return VISIT_CONTINUE;
    if (!is_folder && !(context->flags & WALK_VISIT_FILES)) return VISIT_CONTINUE;
    int code = static_cast<int8_t>(
        visitor(path, is_folder, &context->file_count, &context->folder_count, user) & 0xFF);
    if (code == VISIT_DETACH) context->flags |= WALK_VISITOR_OFF;
    return code;
}

int cancel_requested(const WalkContext* context, FileVisitor visitor, void* user) {
    if (!user || !(context->flags & WALK_CANCEL_BYTE) || visitor_active(context, visitor))
        return 0;
    // Another thread may set the byte; the atomic load makes sure that its store is seen.
    return __atomic_load_n(static_cast<const uint8_t*>(user), __ATOMIC_RELAXED) != 0;
}

// One entry of a level: `path` holds the level's folder and the separator at `split`.
// Returns 0 to go on with the next entry, or the code that ends the level.
int32_t walk_entry(const char* pattern, uint16_t split, uint16_t base, WalkContext* context,
                   FileVisitor visitor, void* user, char* path, const Listing* listing,
                   const char* name) {
    size_t name_length = strlen(name);
    if (split + 1 + name_length >= PATH_LIMIT) {
        context->skipped_long = 1;
        return 0;
    }
    memcpy(path + split + 1, name, name_length + 1);

    int kind = ENTRY_FILE;
    int32_t result = entry_kind(listing, path, &kind);
    // An entry that vanished after the listing named it (a Replace renaming its copies,
    // say) is passed over; the rest of the folder is still walked.
    if (result == WALK_CODE_FILE_NOT_FOUND) return 0;
    if (result) return result;

    int is_folder = kind != ENTRY_FILE;
    if (is_folder) context->folder_count++;
    else context->file_count++;
    int code = visit(context, visitor, path, is_folder, user);
    NameList* list = is_folder ? context->folders : context->files;
    if (list && code != VISIT_NOT_LISTED && code != VISIT_LEAVE_OUT) {
        result = append_entry(list, path + base, context->flags);
        if (result) return result;
    }
    if (code == VISIT_STOP) {
        context->stop = 1;
        return WALK_CODE_OPERATION_ABORTED;
    }
    // A linked folder is never entered: no loops, nothing outside the tree.
    if (!is_folder || (context->flags & WALK_NO_RECURSION) || kind == ENTRY_LINKED_FOLDER ||
        code == VISIT_LEAVE_OUT)
        return 0;

    size_t mask_part = strlen(pattern + split);  // the separator and the mask
    size_t child_split = split + 1 + name_length;
    if (child_split + mask_part >= PATH_LIMIT) {
        context->skipped_long = 1;
        return 0;
    }
    memcpy(path + child_split, pattern + split, mask_part + 1);
    result = walk_level(path, static_cast<uint16_t>(child_split), base, context, visitor, user);
    if (context->stop) return result;
    if (result == 0 || result == WALK_CODE_FILE_NOT_FOUND) return 0;
    return result;
}

}  // namespace

int32_t walk_level(const char* pattern, uint16_t split, uint16_t base, WalkContext* context,
                   FileVisitor visitor, void* user) {
    if (context->stop) return WALK_CODE_OPERATION_ABORTED;
    if (!pattern) return WALK_CODE_BAD_ARGUMENTS;
    size_t length = strlen(pattern);
    if (length >= PATH_LIMIT) {
        context->skipped_long = 1;
        return WALK_CODE_FILENAME_EXCED_RANGE;
    }
    // `split` must name the separator before the mask (0 also when there is none), and
    // list entries must not start past the end of a path.
    if (split >= length || (split != 0 && pattern[split] != PATH_SEPARATOR) || base > split + 1)
        return WALK_CODE_BAD_ARGUMENTS;

    // Each level has a path buffer of its own; from the heap, as PATH_LIMIT bytes on the
    // stack of every level could exhaust it in a deep tree.
    char* path = static_cast<char*>(malloc(PATH_LIMIT));
    if (!path) return WALK_CODE_NOT_ENOUGH_MEMORY;
    memcpy(path, pattern, split);
    path[split] = PATH_SEPARATOR;
    path[split + 1] = 0;

    Listing* listing = nullptr;
    const char* name = nullptr;
    int32_t result = listing_ops.open(pattern, split, &listing, &name);
    if (result) {
        free(path);
        return result;
    }
    for (;;) {
        if (cancel_requested(context, visitor, user)) {
            context->stop = 1;
            result = WALK_CODE_OPERATION_ABORTED;
            break;
        }
        if (!is_dot_entry(name)) {
            result =
                walk_entry(pattern, split, base, context, visitor, user, path, listing, name);
            if (result) break;
        }
        result = listing_ops.next(listing, &name);
        if (result) break;
    }
    free(path);
    int32_t closed = listing_ops.close(listing);
    if (closed) return closed;
    return result == WALK_CODE_NO_MORE_FILES ? 0 : result;
}

int32_t walk_folder(const char* pattern, uint16_t base, char** files, char** folders,
                    uint32_t flags, FileVisitor visitor, void* user) {
    if (!pattern) return WALK_CODE_BAD_ARGUMENTS;
    WalkContext context = {};
    context.flags = static_cast<uint8_t>(flags & 0xFF);

    NameList file_list = {}, folder_list = {};
    if (files) {
        file_list = list_from_block(*files, context.flags);
        context.files = &file_list;
    }
    if (folders) {
        if (folders == files) {
            context.folders = &file_list;
        } else {
            folder_list = list_from_block(*folders, context.flags);
            context.folders = &folder_list;
        }
    }
    if (!context.files && !context.folders && !visitor_active(&context, visitor))
        return WALK_CODE_BAD_ARGUMENTS;

    // The separator before the mask: the last one at an index of 1 or more, else 0.
    size_t length = strlen(pattern);
    size_t split = 0;
    for (size_t i = length; i-- > 1;) {
        if (pattern[i] == PATH_SEPARATOR) {
            split = i;
            break;
        }
    }

    int32_t result;
    if (length >= PATH_LIMIT) result = WALK_CODE_FILENAME_EXCED_RANGE;
    else result = walk_level(pattern, static_cast<uint16_t>(split), base, &context, visitor, user);
    if (result == 0 && context.skipped_long) result = WALK_CODE_FILENAME_EXCED_RANGE;

    // What was collected is handed back whatever the result; a shared list is shrunk once.
    if (files) *files = shrink_list(&file_list);
    if (folders && folders != files) *folders = shrink_list(&folder_list);
    return result;
}
