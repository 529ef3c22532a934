// The modified marker: a `*` after the window title between an edit and the next save.
#include <string.h>

#include "handlers.h"

// EN_CHANGE from the editor.
void mark_modified(WindowState* state, const Window* window) {
    // Outside a walk every change is the user's: a report changed is the user's text.
    if (!state->walk) state->report_unedited = 0;
    if (state->modified) return;
    if (state->walk) {
        // The title shows the walk's progress and the menu is greyed; both come back
        // with the marker when the walk ends.
        state->modified = 1;
        return;
    }
    window->ops->enable_command(window->user, IDM_SAVE_AS, 1);
    char title[TITLE_SIZE + 1];   // room for the marker behind a title of full length
    uint32_t length = window->ops->read_title(window->user, title, TITLE_SIZE);
    if (length >= TITLE_SIZE) length = TITLE_SIZE - 1;
    title[length] = '*';
    title[length + 1] = '\0';
    window->ops->set_title(window->user, title);
    state->modified = 1;
}

void read_title_without_marker(const Window* window, char* title) {
    uint32_t length = window->ops->read_title(window->user, title, TITLE_SIZE);
    if (length >= TITLE_SIZE) length = TITLE_SIZE - 1;
    title[length] = '\0';
    if (length > 0 && title[length - 1] == '*') title[length - 1] = '\0';
}

// After a save that reached the disk, and when another document replaces this one.
void clear_modified(WindowState* state, const Window* window) {
    char title[TITLE_SIZE];
    read_title_without_marker(window, title);
    window->ops->set_title(window->user, title);
    state->modified = 0;
}
