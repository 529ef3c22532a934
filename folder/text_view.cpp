#include "text_view.h"

#include <stdlib.h>
#include <string.h>

namespace {

// The index of the first character that begins at or after the file offset `at`.
uint32_t first_from(const TextView* view, int64_t at) {
    if (at <= view->start) return 0;
    uint32_t low = 0, high = view->count;
    uint32_t target = static_cast<uint32_t>(at - view->start);
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (view->offsets[middle] < target) low = middle + 1;
        else high = middle;
    }
    return low;
}

}  // namespace

int view_begin(TextView* view, int encoding, char placeholder, char word_placeholder,
               uint32_t window_size) {
    *view = {};
    view->decoder.encoding = static_cast<uint8_t>(encoding);
    view->decoder.placeholder = placeholder;
    view->decoder.word_placeholder = word_placeholder;
    // Room for a window behind the characters that the candidate before left.
    view->capacity = 2 * window_size;
    view->bytes = static_cast<char*>(malloc(view->capacity));
    view->offsets = static_cast<uint32_t*>(malloc(view->capacity * sizeof(uint32_t)));
    return view->bytes && view->offsets ? 0 : -1;
}

void view_end(TextView* view) {
    free(view->bytes);
    free(view->offsets);
    *view = {};
}

int64_t view_offset(const TextView* view, uint32_t index) {
    return index < view->count ? view->start + view->offsets[index] : view->end;
}

uint32_t view_index_before(const TextView* view, int64_t until) {
    uint32_t index = first_from(view, until);
    // The character before it may run on past `until`.
    return index > 0 && view_offset(view, index) > until ? index - 1 : index;
}

int view_window(TextView* view, int64_t from, int64_t until, const char* raw, int64_t raw_start,
                int64_t raw_end, int at_end, uint32_t* first) {
    int fresh = view->count == 0 || from < view->start || from > view->end;
    uint32_t index = 0;
    if (fresh) {
        // Numbers beyond every one given before: what the engine knew is of no use.
        view->base += view->count + view->capacity;
        view->start = view->end = from;
        view->count = 0;
    } else {
        index = first_from(view, from);   // the candidates move forward
    }
    int64_t coming = until > view->end ? until - view->end : 0;   // at most one character a byte
    if (index > 0 && view->count + coming > view->capacity) {
        // The characters before `from` go, to make room.
        uint32_t kept = view->count - index;
        uint32_t shift = index < view->count ? view->offsets[index]
                                             : static_cast<uint32_t>(view->end - view->start);
        memmove(view->bytes, view->bytes + index, kept);
        for (uint32_t i = 0; i < kept; i++) view->offsets[i] = view->offsets[index + i] - shift;
        view->start += shift;
        view->base += index;
        view->count = kept;
        index = 0;
    }
    if (view->end < until) {
        view->decoder.position = static_cast<uint32_t>(view->end - view->start);
        uint32_t produced = 0;
        uint32_t consumed = decode_text(&view->decoder, raw + (view->end - raw_start),
                                        static_cast<uint32_t>(until - view->end),
                                        at_end && until == raw_end, view->bytes + view->count,
                                        view->offsets + view->count, view->capacity - view->count,
                                        &produced);
        view->end += consumed;
        view->count += produced;
    }
    *first = index;
    return fresh;
}
