// The keyboard commands: Ctrl+F, Esc, Ctrl+A, Alt+C, Alt+W, and Enter in a field.
#include "handlers.h"

namespace {

void toggle_check_box(const Window* window, int control) {
    window->ops->set_checked(window->user, control, !window->ops->is_checked(window->user, control));
}

}  // namespace

void focus_find_text(WindowState*, const Window* window) {
    window->ops->focus(window->user, IDC_FIND_TEXT);
}

void focus_editor(WindowState*, const Window* window) {
    window->ops->focus(window->user, IDC_EDITOR);
}

void select_all(WindowState*, const Window* window) {
    window->ops->select_all_focused(window->user);
}

// Alt+C and Alt+W: the option's check box toggles and the focus stays where it is.
void toggle_match_case(WindowState*, const Window* window) {
    toggle_check_box(window, IDC_MATCH_CASE);
}

void toggle_whole_word(WindowState*, const Window* window) {
    toggle_check_box(window, IDC_WHOLE_WORD);
}

// Enter in «Найти:» presses «Найти»; in «Заменить на:» it presses «Заменить» in the editor,
// but never starts a folder Replace, which rewrites files. Elsewhere it does nothing.
void press_field_button(WindowState* state, const Window* window) {
    int focused = window->ops->focused_control(window->user);
    if (focused == IDC_FIND_TEXT) {
        find_in_editor(state, window);
    } else if (focused == IDC_REPLACE_TEXT &&
               !window->ops->is_checked(window->user, IDC_IN_FOLDER)) {
        replace_in_editor(state, window);
    }
}
