#include "encoded_replacement.h"

#include <stdlib.h>
#include <string.h>

#include "file_scan.h"
#include "scan_window.h"
#include "text_encoding.h"

namespace {

struct Encoded {
    const FileScan* scan;
    const ScanWindow* window;
    char* bytes;
    size_t length;
    size_t capacity;
    int failed;
};

void put_encoded(Encoded* built, const char* bytes, size_t size, int encode) {
    int encoding = built->scan->form.encoding;
    size_t needed = encode ? static_cast<size_t>(encoded_size(encoding, bytes, static_cast<uint32_t>(size))) : size;
    if (built->length + needed > built->capacity) {
        size_t capacity = (built->length + needed) * 2 + 64;
        char* grown = static_cast<char*>(realloc(built->bytes, capacity));
        if (!grown) {
            built->failed = 1;
            return;
        }
        built->bytes = grown;
        built->capacity = capacity;
    }
    if (encode) encode_text(encoding, bytes, static_cast<uint32_t>(size), built->bytes + built->length);
    else memcpy(built->bytes + built->length, bytes, size);
    built->length += needed;
}

void encoded_part(void* user, const char* capture, uint32_t capture_length, const char* literal,
                  uint32_t literal_length) {
    Encoded* built = static_cast<Encoded*>(user);
    if (capture_length) {
        // Exactly the bytes that the capture spans in the file, whatever they are.
        const FileScan* scan = built->scan;
        int64_t from = file_offset(scan, built->window, capture);
        int64_t to = file_offset(scan, built->window, capture + capture_length);
        put_encoded(built, scan->block.bytes + (from - scan->block.start),
                    static_cast<size_t>(to - from), 0);
    }
    if (literal_length) put_encoded(built, literal, literal_length, 1);
}

}  // namespace

int encoded_replacement(const FileScan* scan, const ScanWindow* window,
                        const PreparedQuery* query, char** bytes, size_t* length) {
    Encoded built = {scan, window, nullptr, 0, 0, 0};
    replacement_parts(query, encoded_part, &built);
    *bytes = built.bytes;
    *length = built.length;
    return built.failed ? -1 : 0;
}

int hit_replacement(const FileScan* scan, const PreparedQuery* query, const WindowAnswer* answer,
                    const char** bytes, size_t* length, char** owned) {
    *owned = nullptr;
    if (!scan->encoded) {
        *bytes = answer->replacement;
        *length = answer->replacement_length;
        return 0;
    }
    int made = encoded_replacement(scan, &answer->window, query, owned, length);
    *bytes = *owned;
    return made;
}
