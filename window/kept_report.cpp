#include "kept_report.h"

#include <string.h>

#include "handlers.h"
#include "run_hits.h"
#include "shown_file.h"
#include "title.h"

void keep_shown_text(WindowState* state, const Window* window) {
    KeptDocument* kept = &state->kept;
    memcpy(kept->current_path, state->current_path, PATH_SIZE);
    kept->form = state->form;
    kept->modified = state->modified;
    kept->report_unedited = state->report_unedited;
    window->ops->swap_editors(window->user);
    release_shown_file(&state->shown);
    state->report = REPORT_KEPT;
    state->link_opened = 0;
    show_report_command(state, window);
}

void back_to_report(WindowState* state, const Window* window) {
    if (state->report != REPORT_KEPT || !may_discard_document(state, window)) return;
    const WindowOps* ops = window->ops;
    ops->swap_editors(window->user);
    ops->set_text(window->user, IDC_KEPT_REPORT, nullptr);   // the file's text goes
    release_shown_file(&state->shown);
    const KeptDocument* kept = &state->kept;
    memcpy(state->current_path, kept->current_path, PATH_SIZE);
    state->form = kept->form;
    state->modified = kept->modified;
    state->report_unedited = kept->report_unedited;
    state->report = REPORT_SHOWN;
    state->from_report = 0;
    ops->enable_command(window->user, IDM_SAVE, state->current_path[0] != '\0');
    ops->enable_command(window->user, IDM_SAVE_AS, 1);
    show_report_command(state, window);
    show_title(state, window);
    if (state->link_opened) {
        ops->select(window->user, static_cast<int32_t>(state->link_line),
                    static_cast<int32_t>(state->link_line));
        ops->scroll_caret(window->user);
    }
}

void drop_kept_report(WindowState* state, const Window* window) {
    if (state->report == REPORT_KEPT) window->ops->set_text(window->user, IDC_KEPT_REPORT, nullptr);
    state->report = REPORT_SHOWN;
    state->from_report = 0;
    state->link_opened = 0;
    release_kept_report(state);
    show_report_command(state, window);
}

void show_report_command(const WindowState* state, const Window* window) {
    window->ops->enable_command(window->user, IDM_BACK_TO_REPORT, state->report == REPORT_KEPT);
}

void release_kept_report(WindowState* state) {
    free_run_hits(state->run);
    state->run = nullptr;
    release_shown_file(&state->shown);
}
