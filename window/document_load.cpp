#include "document_load.h"

#include <stdio.h>
#include <stdlib.h>

#include "portions.h"
#include "title.h"
#include "window_alloc.h"

// A text no longer than this goes in at once: the edit control lays it out in a moment.
constexpr uint32_t AT_ONCE = 65536;

struct DocumentLoad {
    char* text;
    uint32_t length;
    uint32_t done;              // characters in the editor so far
    PortionPace pace;
    int32_t select_start, select_end;
    LoadMessage messages[LOAD_MESSAGES];
    int message_count;
    int percent_shown;          // the title's figure, -1 before the first
};

namespace {

void select_place(const Window* window, int32_t start, int32_t end) {
    if (start < 0) return;
    window->ops->select(window->user, start, end);
    window->ops->scroll_caret(window->user);
}

void show_messages(const Window* window, const LoadMessage* messages, int count) {
    for (int i = 0; i < count; i++)
        window->ops->message_box(window->user, messages[i].text, messages[i].caption);
}

void show_percent(DocumentLoad* load, const Window* window) {
    int percent = static_cast<int>(static_cast<uint64_t>(load->done) * 100 / load->length);
    if (percent == load->percent_shown) return;
    char title[TITLE_SIZE];
    snprintf(title, sizeof title, "Открытие… %d%%", percent);
    window->ops->set_title(window->user, title);
    load->percent_shown = percent;
}

}  // namespace

void load_document_text(WindowState* state, const Window* window, char* text, uint32_t length,
                        int32_t select_start, int32_t select_end, const LoadMessage* messages,
                        int count) {
    const WindowOps* ops = window->ops;
    DocumentLoad* load = nullptr;
    if (length > AT_ONCE) load = static_cast<DocumentLoad*>(window_alloc(sizeof(DocumentLoad)));
    if (!load) {
        // Short, or no memory for the portions' state: in one go.
        ops->set_text(window->user, IDC_EDITOR, text);
        free(text);
        select_place(window, select_start, select_end);
        show_messages(window, messages, count);
        return;
    }
    *load = DocumentLoad();
    load->text = text;
    load->length = length;
    pace_begin(&load->pace);
    load->select_start = select_start;
    load->select_end = select_end;
    if (count > LOAD_MESSAGES) count = LOAD_MESSAGES;
    for (int i = 0; i < count; i++) load->messages[i] = messages[i];
    load->message_count = count;
    load->percent_shown = -1;
    state->loading = load;
    ops->set_text(window->user, IDC_EDITOR, nullptr);
    ops->set_editor_read_only(window->user, 1);
    show_percent(load, window);
    ops->set_ticking(window->user, BUSY_TICK_MS);
}

void document_load_tick(WindowState* state, const Window* window) {
    DocumentLoad* load = state->loading;
    if (!load) return;
    const WindowOps* ops = window->ops;
    char* from = load->text + load->done;
    size_t take = next_portion(&load->pace, from, load->length - load->done, 1);
    // The portion ends in a zero for the editor, for the time of the call.
    char behind = from[take];
    from[take] = '\0';
    append_portion(&load->pace, window, from, take, 0);
    from[take] = behind;
    load->done += static_cast<uint32_t>(take);
    if (load->select_start >= 0 && load->done >= static_cast<uint32_t>(load->select_end)) {
        select_place(window, load->select_start, load->select_end);
        load->select_start = -1;
    }
    if (load->done < load->length) {
        show_percent(load, window);
        return;
    }
    state->loading = nullptr;
    ops->set_ticking(window->user, 0);
    // The portions are not the user's changes to take back.
    ops->forget_undo(window->user);
    ops->set_editor_read_only(window->user, 0);
    show_title(state, window);
    show_messages(window, load->messages, load->message_count);
    free(load->text);
    free(load);
}

bool acts_while_loading(int id) {
    return id == IDM_FOCUS_FIND || id == IDM_FOCUS_EDITOR || id == IDM_SELECT_ALL;
}

void release_document_load(WindowState* state) {
    if (!state->loading) return;
    free(state->loading->text);
    free(state->loading);
    state->loading = nullptr;
}
