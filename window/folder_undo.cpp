// «Отменить замену»: the restore runs as a walk beside the window, its report in the
// editor; what the Replace kept goes after it, when the window closes, and when the next
// Replace is confirmed.
#include "folder_undo.h"

#include <stdlib.h>
#include <string.h>

#include "control_text.h"
#include "folder_walk.h"
#include "handlers.h"
#include "undo.h"
#include "window_alloc.h"

namespace {

constexpr char WITHOUT_UNDO_QUESTION[] =
    "Не удалось сохранить копии для отмены. Заменить без возможности отмены?";
constexpr char QUESTION_CAPTION[] = "Подтверждение";

}  // namespace

void show_undo_command(const WindowState* state, const Window* window) {
    int something = state->undo && state->undo->count > 0;
    window->ops->enable_command(window->user, IDM_UNDO_REPLACE, something);
}

void discard_undo(WindowState* state) {
    if (!state->undo) return;
    undo_discard(state->undo);
    free(state->undo);
    state->undo = nullptr;
}

bool renew_undo(WindowState* state, const Window* window) {
    discard_undo(state);
    void* block = window_alloc(sizeof(UndoStore));
    if (!block) {
        report_no_memory(window);
        return false;
    }
    memset(block, 0, sizeof(UndoStore));
    state->undo = static_cast<UndoStore*>(block);
    return true;
}

int ask_go_on_without_undo(const Window* window) {
    return window->ops->yes_no_box(window->user, WITHOUT_UNDO_QUESTION, QUESTION_CAPTION) ==
           ANSWER_YES;
}

// The command: the undo's report replaces the editor's text, after the question about
// unsaved changes.
void undo_folder_replace(WindowState* state, const Window* window) {
    if (!state->undo || state->undo->count == 0) return;
    if (!may_discard_document(state, window)) return;
    clear_for_report(state, window);
    FolderRequest request = {};
    request.kind = WALK_RESTORE;
    start_folder_walk(state, window, &request);
}
