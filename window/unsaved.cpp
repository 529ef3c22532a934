// The question before unsaved changes would be lost: closing the window, Open, and a
// folder search, which replace the editor's text.
#include "handlers.h"
#include "title.h"

namespace {

constexpr char SAVE_QUESTION[] = "Сохранить изменения?";

}  // namespace

bool may_discard_document(WindowState* state, const Window* window) {
    // A folder report that the user has not changed is the program's own output.
    if (!state->modified || state->report_unedited) return true;
    char caption[TITLE_SIZE];
    compose_title(state, 0, caption);
    switch (window->ops->question_box(window->user, SAVE_QUESTION, caption)) {
    case ANSWER_YES: return save_document_anywhere(state, window);
    case ANSWER_NO: return true;
    default: return false;
    }
}
