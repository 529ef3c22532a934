// Folder mode: the in-folder check box, the folder dialog, and Find and Replace over
// every file of a folder tree, whose report goes into the editor.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "control_text.h"
#include "document_text.h"
#include "folder.h"
#include "folder_platform.h"
#include "folder_undo.h"
#include "folder_walk.h"
#include "handlers.h"
#include "kept_report.h"
#include "letter_case.h"
#include "plural.h"
#include "query_check.h"
#include "window_alloc.h"

namespace {

// In the order in which they are switched.
constexpr int FOLDER_CONTROLS[] = {IDC_FOLDER, IDC_BROWSE, IDC_MASK, IDC_MASK_LABEL};

constexpr char BAD_QUERY_TEXT[] =
    "Недопустимый поисковый запрос!,\r\nнельзя *,?,% в начале строки!";
constexpr char BAD_QUERY_CAPTION[] = "Ошибка";
constexpr char REPLACE_QUESTION[] = "Заменить %llu %s в %u %s?";
constexpr char REPLACE_CAPTION[] = "Подтверждение";

// Behind the folder: every entry of it, at every level.
constexpr char EVERY_ENTRY[] = {PATH_SEPARATOR, '*', '\0'};

bool opens_with_wildcard(const char* query) {
    return query[0] == '*' || query[0] == '?' || query[0] == '%';
}

// The folder's text and "\*" behind it, in a block that fits whatever the field holds.
char* walk_pattern(const char* folder) {
    size_t length = strlen(folder);
    char* pattern = static_cast<char*>(window_alloc(length + sizeof EVERY_ENTRY));
    if (!pattern) return nullptr;
    memcpy(pattern, folder, length);
    memcpy(pattern + length, EVERY_ENTRY, sizeof EVERY_ENTRY);
    return pattern;
}

}  // namespace

void clear_for_report(WindowState* state, const Window* window) {
    const WindowOps* ops = window->ops;
    ops->enable_command(window->user, IDM_SAVE, 0);
    ops->enable_command(window->user, IDM_SAVE_AS, 0);
    ops->set_text(window->user, IDC_EDITOR, nullptr);   // raises no change notification
    drop_kept_report(state, window);
    state->current_path[0] = '\0';
    set_document_form(state, window, TextForm{TEXT_ANSI, 0});
    state->report_unedited = 1;
}

void confirm_folder_replace(WindowState* state, const Window* window, FolderRequest* request,
                            uint64_t hits, uint32_t files) {
    char question[128];
    snprintf(question, sizeof question, REPLACE_QUESTION, static_cast<unsigned long long>(hits),
             plural(hits, "совпадение", "совпадения", "совпадений"), files,
             plural(files, "файле", "файлах", "файлах"));
    if (window->ops->yes_no_box(window->user, question, REPLACE_CAPTION) != ANSWER_YES ||
        !renew_undo(state, window)) {
        release_request(request);
        return;
    }
    // The search's report gives way to the Replace's, which says what was done.
    clear_for_report(state, window);
    request->kind = WALK_REPLACE;
    start_folder_walk(state, window, request);
}

// BN_CLICKED from the check box, which has toggled itself already.
void switch_folder_controls(WindowState*, const Window* window) {
    int checked = window->ops->is_checked(window->user, IDC_IN_FOLDER) == 1;
    for (int control : FOLDER_CONTROLS) window->ops->enable_control(window->user, control, checked);
}

// The dialog opens on the folder that the field names; a cancelled one changes nothing.
void browse_for_folder(WindowState*, const Window* window) {
    char folder[PATH_SIZE];
    window->ops->read_text(window->user, IDC_FOLDER, folder, PATH_SIZE);
    if (!window->ops->choose_folder(window->user, folder, PATH_SIZE)) return;
    folder[PATH_SIZE - 1] = '\0';
    window->ops->set_text(window->user, IDC_FOLDER, folder);
}

// Everything is read and checked before anything changes: a refused query, a question
// answered with Cancel or a lack of memory leave the editor, its text and the menu as
// they were.
void search_folder(WindowState* state, const Window* window, char* query, char* replacement) {
    const WindowOps* ops = window->ops;
    // Both read whole: a text cut to fit a buffer would name another folder or another
    // set of files, and Replace would rewrite those.
    // A Replace first searches as Find does, and rewrites only once the user agrees.
    // The boxes as they stand now hold for the count and for the Replace that follows it.
    FolderRequest request = {query,
                             replacement,
                             nullptr,
                             nullptr,
                             nullptr,
                             replacement ? IDC_REPLACE : IDC_FIND,
                             replacement ? WALK_COUNT : WALK_FIND,
                             ops->is_checked(window->user, IDC_MATCH_CASE),
                             ops->is_checked(window->user, IDC_WHOLE_WORD)};
    request.mask = read_control_text(window, IDC_MASK, nullptr);
    request.folder = request.mask ? read_control_text(window, IDC_FOLDER, nullptr) : nullptr;
    request.pattern = request.folder ? walk_pattern(request.folder) : nullptr;
    if (!request.pattern) {
        report_no_memory(window);
    } else if (opens_with_wildcard(query)) {
        ops->message_box(window->user, BAD_QUERY_TEXT, BAD_QUERY_CAPTION);
    } else if (!refuse_faulty_query(window, query, replacement) &&
               !refuse_faulty_mask(window, request.mask) && may_discard_document(state, window)) {
        clear_for_report(state, window);
        lower_case_1251(request.mask);
        start_folder_walk(state, window, &request);   // takes the texts over
        return;
    }
    free(request.pattern);
    free(request.folder);
    free(request.mask);
    free(replacement);
    free(query);
}
