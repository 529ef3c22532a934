// The keyboard commands: Ctrl+F, Esc and Ctrl+A.
#include "handlers.h"

void focus_find_text(WindowState*, const Window* window) {
    window->ops->focus(window->user, IDC_FIND_TEXT);
}

void focus_editor(WindowState*, const Window* window) {
    window->ops->focus(window->user, IDC_EDITOR);
}

void select_all(WindowState*, const Window* window) {
    window->ops->select_all_focused(window->user);
}
