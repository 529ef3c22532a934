#include "scan_window.h"

#include <stdlib.h>

#include "file_scan.h"
#include "folder.h"
#include "scan_tools.h"
#include "text_view.h"

namespace {

// The first window of an encoded file's candidate, in file bytes, and how much each next
// one is longer, up to WINDOW_SIZE.
constexpr uint32_t FIRST_REACH = 1024;
constexpr uint32_t REACH_GROWTH = 8;

// Sets the window of the candidate at `candidate`, whose bytes are in the block up to
// its end, spanning at most `reach` bytes of the file. Returns 1 when the engine's numbers
// begin afresh.
int make_window(FileScan* scan, int64_t candidate, uint32_t reach, ScanWindow* window) {
    const FileBlock* block = &scan->block;
    uint32_t readable = static_cast<uint32_t>(block_end(block) - candidate);
    uint32_t bytes = readable > WINDOW_SIZE ? WINDOW_SIZE : readable;
    if (!scan->encoded) {
        // The window's text ends at its first zero byte, which the engine looks for itself
        // only as far as a match reaches. The rest of the block may be read beyond it, so
        // that the engine learns where the query's literals are for the windows to come.
        *window = {block->bytes + (candidate - block->start), bytes, readable, candidate, 0,
                   bytes, 1};
        return 0;
    }
    TextView* view = &scan->tools->view;
    uint32_t first = 0;
    int64_t until = candidate + (reach < bytes ? reach : bytes);
    if (!scan->job->whole_word) {
        int fresh = view_window(view, candidate, until, block->bytes, block->start,
                                block_end(block), block->at_end, &first);
        uint32_t size = view->count - first;
        *window = {view->bytes + first, size, size, view->base + first, first, bytes, reach >= bytes};
        return fresh;
    }
    // The character after the window's last is decoded too, where there is one, for the
    // engine to read behind a match at its end.
    int64_t ahead = until + WINDOW_LOOK_AHEAD < block_end(block) ? until + WINDOW_LOOK_AHEAD
                                                                 : block_end(block);
    int fresh = view_window(view, candidate, ahead, block->bytes, block->start, block_end(block),
                            block->at_end, &first);
    uint32_t size = view_index_before(view, until) - first;
    *window = {view->bytes + first, size, view->count - first, view->base + first, first, bytes,
               reach >= bytes};
    return fresh;
}

// The view byte of the character before the candidate, for whole word, or -1 at the
// text's start: of an ANSI file its byte; of an encoded one the character decoded, from
// the view where it holds it, else from the file's bytes, which may lie before the block.
int character_before(FileScan* scan, int64_t candidate, const ScanWindow* window) {
    if (candidate <= scan->text_start) return -1;
    const TextView* view = &scan->tools->view;
    if (scan->encoded && window->first > 0)
        return static_cast<unsigned char>(view->bytes[window->first - 1]);
    FileBlock* block = &scan->block;
    char raw[LONGEST_CHARACTER];
    uint32_t size = !scan->encoded ? 1
                    : candidate - scan->text_start < LONGEST_CHARACTER
                        ? static_cast<uint32_t>(candidate - scan->text_start)
                        : LONGEST_CHARACTER;
    if (block_read_range(block, candidate - size, size, raw) != static_cast<int32_t>(size)) {
        block->read_failed = 1;
        return -1;
    }
    if (!scan->encoded) return static_cast<unsigned char>(raw[0]);
    uint32_t length = last_character_length(scan->form.encoding, raw, size);
    TextDecoder decoder = view->decoder;   // the view's placeholders
    char byte = 0;
    uint32_t produced = 0;
    decode_text(&decoder, raw + size - length, length, 1, &byte, nullptr, 1, &produced);
    return produced ? static_cast<unsigned char>(byte) : -1;
}

// Whether the engine's answer for a window short of the whole may differ from its answer
// for the whole: a match that runs to the window's end, or a failure that a longer window
// may turn into a match (the text that it needs lies beyond).
bool answer_may_grow(const PreparedQuery* query, const char* match, uint32_t match_length,
                     const ScanWindow* window) {
    if (window->whole) return false;
    // With whole word, a match whose end no character is known to follow may fail the
    // test once the window goes on.
    if (match) return query->reaches_text_end ||
                      (query->whole_word && match + match_length == window->text + window->readable);
    return query->needed_end == 0 || query->needed_end <= window->offset + window->bytes;
}

// The file offset that a window must reach for a hit, from the engine's number: the
// view's characters lead back to the file.
int64_t needed_in_file(const FileScan* scan, int64_t needed) {
    if (!scan->encoded) return needed;
    const TextView* view = &scan->tools->view;
    int64_t index = needed - view->base;
    return index < view->count ? view_offset(view, static_cast<uint32_t>(index)) : view->end + 1;
}

}  // namespace

void ask_engine(FileScan* scan, PreparedQuery* query, int replacing, int64_t candidate,
                WindowAnswer* answer) {
    uint32_t reach = scan->encoded ? FIRST_REACH : WINDOW_SIZE;
    ScanWindow* window = &answer->window;
    answer->replacement = nullptr;
    answer->replacement_length = 0;
    answer->match_length = 0;
    int before = -2;   // not known yet
    for (;;) {
        if (make_window(scan, candidate, reach, window)) forget_stream(query);
        if (query->whole_word) {
            if (before == -2) before = character_before(scan, candidate, window);
            query->preceding = before;
        }
        if (!replacing && !scan->encoded && scan->tools->find_is_prefix) {
            // A query that is its prefix alone matches each candidate, as the engine would
            // find: the text begins with the literal, which holds no zero byte.
            answer->match = window->text;
            answer->match_length = scan->prefix->length;
        } else if (replacing) {
            answer->match = replace_window(query, window->text, window->size, window->readable,
                                           window->offset, &answer->match_length,
                                           &answer->replacement, &answer->replacement_length);
        } else {
            answer->match = match_window(query, window->text, window->size, window->readable,
                                         window->offset, &answer->match_length);
        }
        if (!answer_may_grow(query, answer->match, answer->match_length, window)) break;
        free(answer->replacement);
        answer->replacement = nullptr;
        reach *= REACH_GROWTH;
    }
    if (answer->match && answer->match_length != 0) {
        answer->offset = file_offset(scan, window, answer->match);
        answer->end = file_offset(scan, window, answer->match + answer->match_length);
    }
}

int64_t file_offset(const FileScan* scan, const ScanWindow* window, const char* at) {
    if (!scan->encoded) return window->offset + (at - window->text);
    return view_offset(&scan->tools->view, window->first + static_cast<uint32_t>(at - window->text));
}

int64_t resume_without_hit(const FileScan* scan, int64_t candidate, const ScanWindow* window) {
    int64_t resume = candidate + (scan->prefix->length ? scan->prefix->length : 1);
    if (scan->encoded && scan->prefix->length == 0)
        resume = file_offset(scan, window, window->text + (window->size ? 1 : 0));
    return resume == candidate ? resume + 1 : resume;
}

void note_needed_reach(FileScan* scan, const PreparedQuery* query) {
    // Only where the scan's own next candidate is known: not for an encoded prefix that
    // can overlap itself or an encoded file scanned character by character.
    bool may_pass = !scan->encoded || (scan->prefix->length && !scan->prefix->failure);
    if (query->needed_end <= 0 || !may_pass) return;
    int64_t needed = needed_in_file(scan, query->needed_end);
    scan->useful_from = needed - WINDOW_SIZE;
    if (scan->block.at_end && needed > block_end(&scan->block)) scan->useful_from = INT64_MAX;
}
