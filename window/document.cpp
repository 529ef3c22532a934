// The document commands: Open, Save and Save As.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "control_text.h"
#include "document_file.h"
#include "document_load.h"
#include "document_text.h"
#include "handlers.h"
#include "kept_report.h"
#include "shown_file.h"

namespace {

constexpr char TOO_LARGE_TEXT[] =
    "Программа не умеет открывать файлы > 16Мб!\r\n"
    "Это ограничение не распространяется на поиск и замену в файлах";
constexpr char TOO_LARGE_CAPTION[] = "Ограничение";

constexpr char ZERO_BYTE_TEXT[] =
    "Файл содержит нулевой байт: редактор показывает только текст до него.\r\n"
    "Чтобы файл не был укорочен, «Сохранить» для него недоступно; "
    "«Сохранить как» записывает показанный текст в другой файл.";
constexpr char ZERO_BYTE_CAPTION[] = "Внимание";

constexpr char UNSHOWN_TEXT[] =
    "В файле есть символы, которых нет в кодировке Windows-1251: редактор показывает их как «?».\r\n"
    "Чтобы они не были потеряны, «Сохранить» для этого документа недоступно; "
    "«Сохранить как» записывает показанный текст в кодировке Windows-1251.";

constexpr char SAVE_FAILED_FORMAT[] =
    "Не удалось сохранить файл\r\n%s\r\n(%s)\r\nФайл на диске остался прежним.";
constexpr char SAVE_FAILED_CAPTION[] = "Ошибка";

const char* save_failure_reason(int error) {
    switch (error) {
    case EACCES:
    case EPERM: return "доступ запрещён или файл только для чтения";
    case ENOSPC: return "недостаточно места на диске";
    case ENOENT: return "папка не найдена";
    case ENAMETOOLONG: return "слишком длинный путь";
    default: return "ошибка записи";
    }
}

// Writes the editor's text to `path`; only when all of it reached the file does the
// marker go. Returns whether it did.
bool save_to(WindowState* state, const Window* window, const char* path) {
    uint32_t length = 0;
    char* text = read_control_text(window, IDC_EDITOR, &length);
    if (!text) {
        report_no_memory(window);
        return false;
    }
    int error = write_document(path, state->form, text, length);
    free(text);
    if (error == ENOMEM) {
        report_no_memory(window);
        return false;
    }
    if (error) {
        char message[PATH_SIZE + sizeof SAVE_FAILED_FORMAT + 64];
        snprintf(message, sizeof message, SAVE_FAILED_FORMAT, path, save_failure_reason(error));
        window->ops->message_box(window->user, message, SAVE_FAILED_CAPTION);
        return false;
    }
    clear_modified(state, window);
    return true;
}

bool choose_file(WindowState* state, const Window* window, int kind) {
    int chosen = window->ops->choose_file(window->user, kind, state->chosen_path, PATH_SIZE);
    state->chosen_path[PATH_SIZE - 1] = '\0';
    return chosen != 0;
}

}  // namespace

void report_too_large(const Window* window) {
    window->ops->message_box(window->user, TOO_LARGE_TEXT, TOO_LARGE_CAPTION);
}

void show_file(WindowState* state, const Window* window, char* text, ShownFile* shown,
               const DocumentText& decoded, int32_t select_start, int32_t select_end,
               const LoadMessage* notice) {
    const WindowOps* ops = window->ops;
    // The editor shows a text only up to a zero byte: saving it back would cut the file.
    bool whole = shown->text_length == shown->full_length;
    bool savable = whole && !decoded.lossy;
    // The text before is saved, given up or kept: the file's bytes are unchanged.
    state->report_unedited = 0;
    if (savable) memcpy(state->current_path, shown->path, PATH_SIZE);
    else state->current_path[0] = '\0';
    release_shown_file(&state->shown);
    state->shown = *shown;
    *shown = ShownFile();
    set_document_form(state, window, decoded.form);
    if (state->modified) clear_modified(state, window);
    ops->enable_command(window->user, IDM_SAVE, savable ? 1 : 0);
    ops->enable_command(window->user, IDM_SAVE_AS, 1);
    LoadMessage messages[LOAD_MESSAGES];
    int count = 0;
    if (!whole) messages[count++] = {ZERO_BYTE_TEXT, ZERO_BYTE_CAPTION};
    if (decoded.lossy) messages[count++] = {UNSHOWN_TEXT, ZERO_BYTE_CAPTION};
    if (notice) messages[count++] = *notice;
    load_document_text(state, window, text, state->shown.text_length, select_start, select_end,
                       messages, count);
}

void open_document(WindowState* state, const Window* window) {
    // A report shown is kept, not lost: it is not asked about.
    bool keep = state->report == REPORT_SHOWN;
    if (!keep && !may_discard_document(state, window)) return;
    if (!choose_file(state, window, FILE_DIALOG_OPEN)) return;
    char* text = nullptr;
    ShownFile shown = {};
    DocumentText decoded = {};
    switch (read_shown_file(state->chosen_path, OPEN_LIMIT, &text, &shown, &decoded)) {
    case READ_DONE: break;
    case READ_CANNOT_OPEN: return;
    case READ_TOO_LARGE:
        report_too_large(window);
        return;
    case READ_NO_MEMORY:
        report_no_memory(window);
        return;
    }
    if (keep) keep_shown_text(state, window);
    state->from_report = 0;
    show_file(state, window, text, &shown, decoded, -1, -1, nullptr);
}

void save_document(WindowState* state, const Window* window) {
    // Save is greyed while there is no file to write back to.
    if (state->current_path[0] == '\0') return;
    save_to(state, window, state->current_path);
}

void save_document_as(WindowState* state, const Window* window) {
    if (!choose_file(state, window, FILE_DIALOG_SAVE_AS)) return;
    save_to(state, window, state->chosen_path);
}

bool save_document_anywhere(WindowState* state, const Window* window) {
    if (state->current_path[0] != '\0') return save_to(state, window, state->current_path);
    return choose_file(state, window, FILE_DIALOG_SAVE_AS) &&
           save_to(state, window, state->chosen_path);
}
