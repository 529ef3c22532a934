#include "shown_file.h"

#include <stdlib.h>
#include <string.h>

#include "window_alloc.h"

ReadResult read_shown_file(const char* path, uint32_t limit, char** text, ShownFile* shown,
                           DocumentText* decoded) {
    char* bytes = nullptr;
    uint32_t length = 0;
    ReadResult result = read_whole_file(path, limit, &bytes, &length);
    if (result != READ_DONE) return result;
    ShownFile file = {};
    size_t path_length = strlen(path);
    if (path_length >= PATH_SIZE) path_length = PATH_SIZE - 1;
    memcpy(file.path, path, path_length);
    file.form = detect_text_form(bytes, length);
    file.file_length = length;
    if (!shown_as_bytes(file.form.encoding)) {
        // The decoding takes the bytes' place; positions in them need them still.
        file.raw = static_cast<char*>(window_alloc(length ? length : 1));
        if (!file.raw) {
            free(bytes);
            return READ_NO_MEMORY;
        }
        memcpy(file.raw, bytes, length);
    }
    *decoded = decode_document(bytes, &length);
    file.full_length = length;
    file.text_length = static_cast<uint32_t>(strlen(bytes));
    *text = bytes;
    *shown = file;
    return READ_DONE;
}

void release_shown_file(ShownFile* shown) {
    free(shown->raw);
    *shown = ShownFile();
}

bool shown_character(const ShownFile* shown, int64_t offset, uint32_t* index) {
    if (offset < 0) offset = 0;
    bool inside = offset <= shown->file_length;
    if (!inside) offset = shown->file_length;
    if (!shown->raw) {
        *index = static_cast<uint32_t>(offset);
        return inside;
    }
    uint32_t mark = shown->form.mark_length;
    if (offset <= mark) {
        *index = 0;
        return inside && offset == mark;
    }
    // The characters before the offset, decoded as Open decoded them; a character cut by
    // the offset is not one of them.
    TextDecoder decoder = {shown->form.encoding, UNSHOWN_CHARACTER, 0, 0, 0};
    const char* from = shown->raw + mark;
    uint32_t size = static_cast<uint32_t>(offset) - mark;
    int at_end = static_cast<uint32_t>(offset) == shown->file_length;
    char view[4096];
    uint32_t done = 0, count = 0;
    while (done < size) {
        uint32_t produced = 0;
        uint32_t consumed = decode_text(&decoder, from + done, size - done, at_end, view, nullptr,
                                        sizeof view, &produced);
        count += produced;
        done += consumed;
        if (consumed == 0) break;
    }
    *index = count;
    return inside && done == size;
}
