// WM_INITDIALOG: the window's state and its start-up text.
#include <locale.h>
#include <stdlib.h>
#include <string.h>

#include "document_file.h"
#include "resize.h"
#include "window.h"

namespace {

constexpr char STARTUP_TEXT[] = "readme.txt";

// The start-up text beside the program, for a start from another working directory (a
// shortcut, the Run box).
ReadResult read_beside_program(const Window* window, char** text, uint32_t* length) {
    char path[PATH_SIZE + sizeof STARTUP_TEXT];
    uint32_t folder = window->ops->program_folder(window->user, path, PATH_SIZE);
    if (folder == 0) return READ_CANNOT_OPEN;
    memcpy(path + folder, STARTUP_TEXT, sizeof STARTUP_TEXT);
    return read_whole_file(path, 0, text, length);
}

}  // namespace

InitResult window_initialise(WindowState* state, const Window* window) {
    const WindowOps* ops = window->ops;
    state->chosen_path[0] = '\0';
    state->current_path[0] = '\0';
    state->modified = 0;
    state->report_unedited = 0;
    state->form = TextForm{TEXT_ANSI, 0};
    ops->read_title(window->user, state->program_name, TITLE_SIZE);
    remember_layout(state, window);
    // The runtime follows the user's locale; letter case is the code page's own table.
    setlocale(LC_ALL, "");
    ops->set_text(window->user, IDC_MASK, "*.*");
    // Letter case counts until the user says otherwise.
    ops->set_checked(window->user, IDC_MATCH_CASE, 1);
    // Without this a replacement or typing beyond about 30,000 characters inserts nothing.
    ops->unlimit_editor(window->user);

    char* text = nullptr;
    uint32_t length = 0;
    ReadResult result = read_whole_file(STARTUP_TEXT, 0, &text, &length);
    if (result == READ_CANNOT_OPEN) result = read_beside_program(window, &text, &length);
    if (result == READ_NO_MEMORY) return INIT_NO_MEMORY;
    if (result != READ_DONE) return INIT_DONE;   // no start-up text: the editor stays empty
    ops->set_text(window->user, IDC_EDITOR, text);
    free(text);
    ops->focus(window->user, IDC_EDITOR);
    return INIT_DONE;
}
