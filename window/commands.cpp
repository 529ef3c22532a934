// WM_COMMAND: which handler a control's notification or a command goes to.
#include "document_load.h"
#include "folder_undo.h"
#include "folder_walk.h"
#include "handlers.h"
#include "kept_report.h"

namespace {

constexpr int ANY_NOTIFICATION = -1;

struct CommandEntry {
    int id;
    int notification;   // ANY_NOTIFICATION for commands of the menu and the accelerators
    void (*handler)(WindowState* state, const Window* window);
    CommandResult result;   // COMMAND_DEFAULT: the message goes on to default processing
};

const CommandEntry COMMANDS[] = {
    {IDC_EDITOR, NOTIFY_CHANGED, mark_modified, COMMAND_DONE},
    {IDC_FIND, NOTIFY_CLICKED, find_in_editor, COMMAND_DONE},
    {IDC_REPLACE, NOTIFY_CLICKED, replace_in_editor, COMMAND_DONE},
    {IDC_IN_FOLDER, NOTIFY_CLICKED, switch_folder_controls, COMMAND_DONE},
    {IDC_BROWSE, ANY_NOTIFICATION, browse_for_folder, COMMAND_DEFAULT},
    {IDM_OPEN, ANY_NOTIFICATION, open_document, COMMAND_DONE},
    {IDM_SAVE, ANY_NOTIFICATION, save_document, COMMAND_DONE},
    {IDM_SAVE_AS, ANY_NOTIFICATION, save_document_as, COMMAND_DONE},
    {IDM_UNDO_REPLACE, ANY_NOTIFICATION, undo_folder_replace, COMMAND_DONE},
    {IDM_NEXT_HIT, ANY_NOTIFICATION, open_next_hit, COMMAND_DONE},
    {IDM_PREVIOUS_HIT, ANY_NOTIFICATION, open_previous_hit, COMMAND_DONE},
    {IDM_BACK_TO_REPORT, ANY_NOTIFICATION, back_to_report, COMMAND_DONE},
    {IDM_FOCUS_FIND, ANY_NOTIFICATION, focus_find_text, COMMAND_DEFAULT},
    {IDM_FOCUS_EDITOR, ANY_NOTIFICATION, focus_editor, COMMAND_DEFAULT},
    {IDM_SELECT_ALL, ANY_NOTIFICATION, select_all, COMMAND_DEFAULT},
    {IDM_TOGGLE_MATCH_CASE, ANY_NOTIFICATION, toggle_match_case, COMMAND_DONE},
    {IDM_TOGGLE_WHOLE_WORD, ANY_NOTIFICATION, toggle_whole_word, COMMAND_DONE},
    {ID_ENTER, ANY_NOTIFICATION, press_field_button, COMMAND_DONE},
};

}  // namespace

CommandResult window_command(WindowState* state, const Window* window, int id,
                             int notification) {
    if (state->walk) return folder_walk_command(state, window, id, notification);
    if (state->loading && !acts_while_loading(id)) return COMMAND_DONE;   // dropped
    for (const CommandEntry& entry : COMMANDS) {
        if (entry.id != id) continue;
        if (entry.notification != ANY_NOTIFICATION && entry.notification != notification)
            continue;
        entry.handler(state, window);
        return entry.result;
    }
    return COMMAND_DEFAULT;
}

void window_tick(WindowState* state, const Window* window) {
    if (state->loading) document_load_tick(state, window);
    else folder_walk_tick(state, window);
}

int window_close_requested(WindowState* state, const Window* window) {
    if (!state->walk) return may_discard_document(state, window) ? 1 : 0;
    state->close_pending = 1;
    stop_folder_walk(state);
    return 0;
}

void window_destroyed(WindowState* state) {
    discard_undo(state);
    release_document_load(state);
    release_kept_report(state);
}
