// The document commands: Open, Save and Save As.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "control_text.h"
#include "document_file.h"
#include "document_text.h"
#include "handlers.h"

namespace {

constexpr char TOO_LARGE_TEXT[] =
    "Программа не умеет открывать файлы > 64кб!\r\n"
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

void open_document(WindowState* state, const Window* window) {
    const WindowOps* ops = window->ops;
    if (!may_discard_document(state, window)) return;
    if (!choose_file(state, window, FILE_DIALOG_OPEN)) return;
    char* text = nullptr;
    uint32_t length = 0;
    switch (read_whole_file(state->chosen_path, OPEN_LIMIT, &text, &length)) {
    case READ_DONE: break;
    case READ_CANNOT_OPEN: return;
    case READ_TOO_LARGE:
        ops->message_box(window->user, TOO_LARGE_TEXT, TOO_LARGE_CAPTION);
        return;
    case READ_NO_MEMORY:
        report_no_memory(window);
        return;
    }
    DocumentText decoded = decode_document(text, &length);
    // The editor shows a text only up to a zero byte: saving it back would cut the file.
    bool whole = memchr(text, '\0', length) == nullptr;
    bool savable = whole && !decoded.lossy;
    ops->set_text(window->user, IDC_EDITOR, text);
    free(text);
    // The text before is saved or given up: the file's bytes are unchanged.
    state->report_unedited = 0;
    set_document_form(state, window, decoded.form);
    if (state->modified) clear_modified(state, window);
    if (savable) {
        memcpy(state->current_path, state->chosen_path, PATH_SIZE);
    } else {
        state->current_path[0] = '\0';
    }
    ops->enable_command(window->user, IDM_SAVE, savable ? 1 : 0);
    ops->enable_command(window->user, IDM_SAVE_AS, 1);
    if (!whole) ops->message_box(window->user, ZERO_BYTE_TEXT, ZERO_BYTE_CAPTION);
    if (decoded.lossy) ops->message_box(window->user, UNSHOWN_TEXT, ZERO_BYTE_CAPTION);
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
