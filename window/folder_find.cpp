// Folder mode: the in-folder check box, the folder dialog, and Find and Replace over
// every file of a folder tree, whose report goes into the editor.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "control_text.h"
#include "folder.h"
#include "folder_platform.h"
#include "handlers.h"
#include "window_alloc.h"

namespace {

// In the order in which they are switched.
constexpr int FOLDER_CONTROLS[] = {IDC_FOLDER, IDC_BROWSE, IDC_MASK, IDC_MASK_LABEL};

constexpr char REPORT_HEADER[] = "Найдено в файлах:\r\n";
constexpr char BAD_QUERY_TEXT[] =
    "Недопустимый поисковый запрос!,\r\nнельзя *,?,% в начале строки!";
constexpr char BAD_QUERY_CAPTION[] = "Ошибка";

// Behind the folder: every entry of it, at every level.
constexpr char EVERY_ENTRY[] = {PATH_SEPARATOR, '*', '\0'};

// A walk that did not cover the whole tree says so in the last line of the report, so
// that a Replace cut short is not taken for a complete one.
constexpr char FOLDER_MISSING_LINE[] = "%s \tпапка не найдена, поиск не выполнен!\r\n";
constexpr char PATHS_TOO_LONG_LINE[] =
    "%s \tпропущены файлы и папки со слишком длинным путём!\r\n";
constexpr char WALK_BROKEN_LINE[] =
    "%s \tпоиск прерван, просмотрены не все файлы! Код ошибки: %d\r\n";

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

void report_walk_result(const Window* window, const char* folder, int32_t result) {
    const char* format = WALK_BROKEN_LINE;
    switch (result) {
    case WALK_CODE_OK:
    case WALK_CODE_FILE_NOT_FOUND: return;   // the folder holds nothing to list
    case WALK_CODE_PATH_NOT_FOUND: format = FOLDER_MISSING_LINE; break;
    case WALK_CODE_FILENAME_EXCED_RANGE: format = PATHS_TOO_LONG_LINE; break;
    }
    int size = snprintf(nullptr, 0, format, folder, static_cast<int>(result));
    char* line = size > 0 ? static_cast<char*>(window_alloc(static_cast<size_t>(size) + 1))
                          : nullptr;
    if (!line) {
        report_no_memory(window);
        return;
    }
    snprintf(line, static_cast<size_t>(size) + 1, format, folder, static_cast<int>(result));
    append_editor_line(window, line);
    free(line);
}

}  // namespace

uint32_t literal_prefix_length(const char* query) {
    return static_cast<uint32_t>(strcspn(query, "*?%\\"));
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

void search_folder(const Window* window, const char* query, const char* replacement) {
    const WindowOps* ops = window->ops;
    ops->enable_command(window->user, IDM_SAVE, 0);
    ops->enable_command(window->user, IDM_SAVE_AS, 0);
    ops->set_text(window->user, IDC_EDITOR, nullptr);   // raises no change notification

    // Both read whole: a text cut to fit a buffer would name another folder or another
    // set of files, and Replace would rewrite those.
    char* mask = read_control_text(window, IDC_MASK, nullptr);
    char* folder = mask ? read_control_text(window, IDC_FOLDER, nullptr) : nullptr;
    char* pattern = folder ? walk_pattern(folder) : nullptr;
    if (!pattern) {
        report_no_memory(window);
    } else {
        lower_case(mask);
        FolderJob job = {query, replacement, mask, 0, window};
        if (opens_with_wildcard(query)) {
            ops->message_box(window->user, BAD_QUERY_TEXT, BAD_QUERY_CAPTION);
        } else {
            job.prefix_length = literal_prefix_length(query);
            // Its change notification marks a clean document and enables Save As.
            append_editor_line(window, REPORT_HEADER);
            int32_t result = walk_folder(pattern, 0, nullptr, nullptr, WALK_VISIT_FILES,
                                         search_in_file, &job);
            report_walk_result(window, folder, result);
        }
    }
    free(pattern);
    free(folder);
    free(mask);
}
