// Find and Replace: the next match after the selection in the editor, or, with the
// in-folder box checked, over a folder tree (folder_find.cpp).
#include <stdlib.h>
#include <string.h>

#include "control_text.h"
#include "handlers.h"
#include "query.h"
#include "query_check.h"

namespace {

constexpr char NOT_FOUND_TEXT[] = "Соответствия не найдены!";

// One press of Find (replacement null) or Replace. A malformed query or replacement is
// told as such; no match shows the one message. Either leaves the editor as it was.
void find_next(const Window* window, const char* query, const char* replacement) {
    const WindowOps* ops = window->ops;
    if (refuse_faulty_query(window, query, replacement)) return;
    uint32_t length = 0;
    char* text = read_control_text(window, IDC_EDITOR, &length);
    if (!text) {
        report_no_memory(window);
        return;
    }
    uint32_t start = ops->selection_end(window->user);
    if (start > length) start = length;
    // Compiled with the option boxes as they stand; whole word judges the first match by
    // the character before the selection's end too.
    QueryOptions options = {ops->is_checked(window->user, IDC_MATCH_CASE),
                            ops->is_checked(window->user, IDC_WHOLE_WORD), nullptr};
    PreparedQuery prepared;
    prepare_query_with(&prepared, query, replacement, &options);
    prepared.preceding = start > 0 ? static_cast<unsigned char>(text[start - 1]) : -1;
    uint32_t match_length = 0;
    char* inserted = nullptr;
    const char* match =
        replacement ? replace_prepared(&prepared, text + start, length - start, &match_length,
                                       &inserted, nullptr)
                    : match_prepared(&prepared, text + start, length - start, &match_length);
    release_query(&prepared);
    if (match) {
        // Positions count from the beginning of the text, not from the search start.
        int32_t offset = static_cast<int32_t>(match - text);
        ops->select(window->user, offset, offset + static_cast<int32_t>(match_length));
        if (replacement) {
            // Raises the editor's change notification, and so the marker, right here.
            const char* put = inserted ? inserted : "";
            ops->replace_selection(window->user, put);
            ops->select(window->user, offset, offset + static_cast<int32_t>(strlen(put)));
        }
        ops->scroll_caret(window->user);
    } else {
        ops->message_box(window->user, NOT_FOUND_TEXT, nullptr);
    }
    free(inserted);
    free(text);
}

void find_or_replace(WindowState* state, const Window* window, bool replace) {
    char* query = read_control_text(window, IDC_FIND_TEXT, nullptr);
    char* replacement = replace ? read_control_text(window, IDC_REPLACE_TEXT, nullptr) : nullptr;
    if (!query || (replace && !replacement)) {
        report_no_memory(window);
    } else if (window->ops->is_checked(window->user, IDC_IN_FOLDER)) {
        search_folder(state, window, query, replacement);   // takes both over
        return;
    } else {
        find_next(window, query, replacement);
    }
    free(replacement);
    free(query);
}

}  // namespace

void find_in_editor(WindowState* state, const Window* window) {
    find_or_replace(state, window, false);
}

void replace_in_editor(WindowState* state, const Window* window) {
    find_or_replace(state, window, true);
}
