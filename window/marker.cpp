// The modified marker: a `*` at the end of the window title between an edit and the
// next save.
#include "handlers.h"
#include "title.h"

// EN_CHANGE from the editor.
void mark_modified(WindowState* state, const Window* window) {
    // Outside a walk every change is the user's: a report changed is the user's text.
    if (!state->walk) state->report_unedited = 0;
    if (state->modified) return;
    state->modified = 1;
    // During a walk the title shows its progress and the menu is greyed; both come back
    // with the marker when the walk ends.
    if (state->walk) return;
    window->ops->enable_command(window->user, IDM_SAVE_AS, 1);
    show_title(state, window);
}

// After a save that reached the disk, and when another document replaces this one.
void clear_modified(WindowState* state, const Window* window) {
    state->modified = 0;
    show_title(state, window);
}
