#include "memory_window.h"

#include <string.h>

#include <algorithm>

namespace {

MemoryWindow* of(void* user) {
    return static_cast<MemoryWindow*>(user);
}

int32_t length_of(const MemoryControl* control) {
    return static_cast<int32_t>(control->text.size());
}

int32_t selection_start(const MemoryControl* control) {
    return std::min(control->anchor, control->caret);
}

int32_t selection_end(const MemoryControl* control) {
    return std::max(control->anchor, control->caret);
}

bool is_edit(const MemoryControl* control) {
    return control && (control->kind == CONTROL_EDIT || control->kind == CONTROL_EDITOR);
}

void send(MemoryWindow* window, int id, int notification) {
    if (window->notify) window->notify(window->notify_context, id, notification);
}

uint32_t copy_out(const std::string& text, char* buffer, uint32_t size) {
    if (size == 0) return 0;
    uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(text.size()), size - 1);
    memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

// EM_SETSEL: -1 as start drops the selection at the caret; other positions are clamped
// to the text (-1 as end is its end).
void set_selection(MemoryControl* control, int32_t start, int32_t end) {
    int32_t length = length_of(control);
    if (start == -1) {
        control->anchor = control->caret;
        return;
    }
    auto clamp = [length](int32_t position) {
        return position < 0 || position > length ? length : position;
    };
    control->anchor = clamp(start);
    control->caret = clamp(end);
}

// Puts `text` in place of the selection, as much of it as the limit lets in. Returns
// whether the text changed; the editor's undo then remembers the text before.
bool replace_selection_of(MemoryWindow* window, MemoryControl* control, std::string text,
                          bool keep_undo) {
    int32_t start = selection_start(control), end = selection_end(control);
    if (control->kind == CONTROL_EDITOR && window->text_limit != 0) {
        size_t kept = control->text.size() - static_cast<size_t>(end - start);
        size_t room = kept >= window->text_limit ? 0 : window->text_limit - kept;
        if (text.size() > room) text.resize(room);
    }
    if (start == end && text.empty()) return false;
    bool continues = window->can_undo && start == end && start == window->undo_insert_end;
    if (control->kind == CONTROL_EDITOR && keep_undo && !continues) {
        window->can_undo = true;
        window->undo_text = control->text;
        window->undo_caret = control->caret;
    }
    control->text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), text);
    control->anchor = control->caret = start + static_cast<int32_t>(text.size());
    if (control->kind == CONTROL_EDITOR) window->undo_insert_end = control->caret;
    return true;
}

MemoryControl* editor(MemoryWindow* window) {
    return memory_control(window, IDC_EDITOR);
}

uint32_t op_text_length(void* user, int id) {
    MemoryControl* control = memory_control(of(user), id);
    return control ? static_cast<uint32_t>(control->text.size()) : 0;
}

uint32_t op_read_text(void* user, int id, char* buffer, uint32_t size) {
    MemoryControl* control = memory_control(of(user), id);
    return copy_out(control ? control->text : std::string(), buffer, size);
}

// WM_SETTEXT: the caret goes to the start and the undo is forgotten. A single-line edit
// reports the change; the multi-line editor does not.
void op_set_text(void* user, int id, const char* text) {
    MemoryWindow* window = of(user);
    MemoryControl* control = memory_control(window, id);
    if (!control) return;
    control->text = text ? text : "";
    control->anchor = control->caret = 0;
    if (control->kind == CONTROL_EDITOR) window->can_undo = false;
    if (control->kind == CONTROL_EDIT) send(window, id, NOTIFY_CHANGED);
}

uint32_t op_selection_end(void* user) {
    return static_cast<uint32_t>(selection_end(editor(of(user))));
}

void op_select(void* user, int32_t start, int32_t end) {
    set_selection(editor(of(user)), start, end);
}

void op_replace_selection(void* user, const char* text) {
    MemoryWindow* window = of(user);
    if (replace_selection_of(window, editor(window), text ? text : "", true))
        send(window, IDC_EDITOR, NOTIFY_CHANGED);
}

void op_scroll_caret(void* user) {
    of(user)->caret_scrolls++;
}

void op_select_all_focused(void* user) {
    MemoryWindow* window = of(user);
    MemoryControl* control = memory_control(window, window->focus);
    if (is_edit(control)) set_selection(control, 0, -1);
}

void op_focus(void* user, int id) {
    of(user)->focus = id;
}

void op_enable_control(void* user, int id, int enabled) {
    MemoryControl* control = memory_control(of(user), id);
    if (control) control->enabled = enabled != 0;
}

// The state of a menu command, or null for one that is not in the menu.
bool* command_state(MemoryWindow* window, int command) {
    switch (command) {
    case IDM_OPEN: return &window->open_enabled;
    case IDM_SAVE: return &window->save_enabled;
    case IDM_SAVE_AS: return &window->save_as_enabled;
    case IDM_UNDO_REPLACE: return &window->undo_replace_enabled;
    case IDM_BACK_TO_REPORT: return &window->back_to_report_enabled;
    }
    return nullptr;
}

void op_enable_command(void* user, int command, int enabled) {
    if (bool* state = command_state(of(user), command)) *state = enabled != 0;
}

int op_is_checked(void* user, int id) {
    MemoryControl* control = memory_control(of(user), id);
    return control && control->checked ? 1 : 0;
}

void op_set_checked(void* user, int id, int checked) {
    if (MemoryControl* control = memory_control(of(user), id)) control->checked = checked != 0;
}

uint32_t op_read_title(void* user, char* buffer, uint32_t size) {
    return copy_out(of(user)->title, buffer, size);
}

void op_set_title(void* user, const char* title) {
    of(user)->title = title ? title : "";
}

void op_message_box(void* user, const char* text, const char* caption) {
    of(user)->messages.push_back(
        {text ? text : "", caption ? caption : "", caption == nullptr, false});
}

int ask(MemoryWindow* window, const char* text, const char* caption, bool yes_no) {
    window->questions.push_back(
        {text ? text : "", caption ? caption : "", caption == nullptr, yes_no});
    if (window->question_answers.empty()) return yes_no ? ANSWER_NO : ANSWER_CANCEL;
    int answer = window->question_answers.front();
    window->question_answers.pop_front();
    return answer;
}

int op_question_box(void* user, const char* text, const char* caption) {
    return ask(of(user), text, caption, false);
}

int op_yes_no_box(void* user, const char* text, const char* caption) {
    return ask(of(user), text, caption, true);
}

int answer_dialog(MemoryWindow* window, std::deque<DialogAnswer>* answers, int kind,
                  char* path, uint32_t size) {
    window->dialog_calls.push_back({kind, path});
    if (answers->empty()) return 0;
    DialogAnswer answer = answers->front();
    answers->pop_front();
    if (!answer.chosen) return 0;
    copy_out(answer.path, path, size);
    return 1;
}

int op_choose_file(void* user, int kind, char* path, uint32_t size) {
    MemoryWindow* window = of(user);
    return answer_dialog(window, &window->file_answers, kind, path, size);
}

int op_choose_folder(void* user, char* path, uint32_t size) {
    MemoryWindow* window = of(user);
    return answer_dialog(window, &window->folder_answers, -1, path, size);
}

void op_client_size(void* user, int32_t* width, int32_t* height) {
    *width = of(user)->client_width;
    *height = of(user)->client_height;
}

void op_control_rect(void* user, int id, Rect* rect) {
    MemoryControl* control = memory_control(of(user), id);
    *rect = control ? control->rect : Rect{0, 0, 0, 0};
}

// SetWindowPos takes a negative size as zero.
void op_move_control(void* user, int id, const Rect* rect) {
    MemoryControl* control = memory_control(of(user), id);
    if (!control) return;
    control->rect = *rect;
    control->rect.right = std::max(rect->right, rect->left);
    control->rect.bottom = std::max(rect->bottom, rect->top);
}

void op_unlimit_editor(void* user) {
    of(user)->text_limit = 0;
}

int op_start_worker(void* user, void (*work)(void* argument), void* argument) {
    MemoryWindow* window = of(user);
    if (window->worker.joinable()) return 0;
    window->worker = std::thread(work, argument);
    return 1;
}

void op_join_worker(void* user) {
    if (of(user)->worker.joinable()) of(user)->worker.join();
}

void op_set_ticking(void* user, uint32_t interval) {
    of(user)->ticking = interval != 0;
    of(user)->tick_interval = interval;
}

void op_set_editor_read_only(void* user, int read_only) {
    of(user)->read_only = read_only != 0;
}

// As the program does it: at the end, the user's selection kept unless the caret stood
// at the end and the view follows, where it stays.
void op_append_text(void* user, const char* text, int follow) {
    MemoryWindow* window = of(user);
    MemoryControl* control = editor(window);
    int32_t anchor = control->anchor, caret = control->caret;
    bool caret_at_end = follow && anchor == caret && caret == length_of(control);
    control->anchor = control->caret = length_of(control);
    if (replace_selection_of(window, control, text ? text : "", true))
        send(window, IDC_EDITOR, NOTIFY_CHANGED);
    if (caret_at_end) {
        window->caret_scrolls++;
    } else {
        control->anchor = anchor;
        control->caret = caret;
    }
}

int op_focused_control(void* user) {
    return of(user)->focus;
}

void op_close_window(void* user) {
    of(user)->closed = true;
}

uint32_t op_program_folder(void* user, char* buffer, uint32_t size) {
    const std::string& folder = of(user)->program_folder;
    if (folder.empty() || folder.size() >= size) return 0;
    return copy_out(folder, buffer, size);
}

void op_swap_editors(void* user) {
    MemoryWindow* window = of(user);
    MemoryControl* shown = editor(window);
    MemoryControl* hidden = memory_control(window, IDC_KEPT_REPORT);
    shown->id = IDC_KEPT_REPORT;
    hidden->id = IDC_EDITOR;
    MemoryEditorState& other = window->hidden_editor;
    std::swap(window->text_limit, other.text_limit);
    std::swap(window->can_undo, other.can_undo);
    std::swap(window->undo_text, other.undo_text);
    std::swap(window->undo_caret, other.undo_caret);
    std::swap(window->undo_insert_end, other.undo_insert_end);
    std::swap(window->read_only, other.read_only);
    window->swaps++;
}

void op_beep(void* user) {
    of(user)->beeps++;
}

void op_forget_undo(void* user) {
    of(user)->can_undo = false;
}

void op_release_mouse(void* user) {
    of(user)->mouse_releases++;
}

const WindowOps MEMORY_WINDOW_OPS = {
    /* text_length */          op_text_length,
    /* read_text */            op_read_text,
    /* set_text */             op_set_text,
    /* selection_end */        op_selection_end,
    /* select */               op_select,
    /* replace_selection */    op_replace_selection,
    /* scroll_caret */         op_scroll_caret,
    /* select_all_focused */   op_select_all_focused,
    /* focus */                op_focus,
    /* enable_control */       op_enable_control,
    /* enable_command */       op_enable_command,
    /* is_checked */           op_is_checked,
    /* set_checked */          op_set_checked,
    /* read_title */           op_read_title,
    /* set_title */            op_set_title,
    /* message_box */          op_message_box,
    /* question_box */         op_question_box,
    /* yes_no_box */           op_yes_no_box,
    /* choose_file */          op_choose_file,
    /* choose_folder */        op_choose_folder,
    /* client_size */          op_client_size,
    /* control_rect */         op_control_rect,
    /* move_control */         op_move_control,
    /* unlimit_editor */       op_unlimit_editor,
    /* start_worker */         op_start_worker,
    /* join_worker */          op_join_worker,
    /* set_ticking */          op_set_ticking,
    /* set_editor_read_only */ op_set_editor_read_only,
    /* append_text */          op_append_text,
    /* focused_control */      op_focused_control,
    /* close_window */         op_close_window,
    /* program_folder */       op_program_folder,
    /* swap_editors */         op_swap_editors,
    /* beep */                 op_beep,
    /* forget_undo */          op_forget_undo,
    /* release_mouse */        op_release_mouse,
};

}  // namespace

void memory_window_release(MemoryWindow* window) {
    if (window->worker.joinable()) window->worker.join();
}

void memory_window_init(MemoryWindow* window) {
    memory_window_release(window);
    *window = MemoryWindow();
    struct Initial {
        int id;
        MemoryControlKind kind;
        const char* text;
        bool enabled;
        Rect rect;
    };
    const Initial controls[] = {
        {IDC_FIND_TEXT, CONTROL_EDIT, "", true, {84, 6, 510, 29}},
        {IDC_FIND, CONTROL_BUTTON, "Найти", true, {516, 6, 594, 29}},
        {IDC_REPLACE_TEXT, CONTROL_EDIT, "", true, {84, 35, 510, 58}},
        {IDC_REPLACE, CONTROL_BUTTON, "Заменить", true, {516, 35, 594, 58}},
        {IDC_IN_FOLDER, CONTROL_CHECK_BOX, "В папке:", true, {6, 67, 81, 83}},
        {IDC_FOLDER, CONTROL_EDIT, "", false, {84, 64, 336, 87}},
        {IDC_BROWSE, CONTROL_BUTTON, "...", false, {339, 64, 363, 87}},
        {IDC_EDITOR, CONTROL_EDITOR, "", true, {0, 117, 600, 480}},
        {IDC_KEPT_REPORT, CONTROL_EDITOR, "", true, {0, 117, 600, 480}},
        {IDC_MASK, CONTROL_EDIT, "", false, {420, 64, 594, 87}},
        {IDC_MASK_LABEL, CONTROL_STATIC, "файлах:", false, {372, 69, 417, 82}},
        {IDC_MATCH_CASE, CONTROL_CHECK_BOX, "Учитывать регистр", true, {6, 94, 132, 110}},
        {IDC_WHOLE_WORD, CONTROL_CHECK_BOX, "Слово целиком", true, {138, 94, 246, 110}},
    };
    for (const Initial& control : controls)
        window->controls.push_back({control.id, control.kind, control.text, 0, 0, control.enabled,
                                    false, control.rect});
    window->title = "Поиск и замена по нечётким формулировкам";
    window->open_enabled = true;
    window->text_limit = DEFAULT_TEXT_LIMIT;
    window->undo_insert_end = -1;
    // The second editor is made with its limit lifted.
    window->hidden_editor.undo_insert_end = -1;
    window->client_width = 600;
    window->client_height = 480;
}

Window memory_window(MemoryWindow* window) {
    return Window{&MEMORY_WINDOW_OPS, window};
}

MemoryControl* memory_control(MemoryWindow* window, int id) {
    for (MemoryControl& control : window->controls)
        if (control.id == id) return &control;
    return nullptr;
}

const std::string& editor_text(MemoryWindow* window) {
    return editor(window)->text;
}

void memory_window_type(MemoryWindow* window, const char* keys) {
    MemoryControl* control = memory_control(window, window->focus);
    if (!is_edit(control) || !control->enabled) return;
    if (control->kind == CONTROL_EDITOR && window->read_only) return;
    // A run of typing is one step for the undo, as in the edit control.
    bool first = true;
    for (const char* key = keys; *key; key++) {
        std::string typed(1, *key);
        if (*key == '\n') {
            if (control->kind != CONTROL_EDITOR) {   // Enter in a field: no text
                send(window, ID_ENTER, NOTIFY_CLICKED);
                continue;
            }
            typed = "\r\n";
        }
        if (!replace_selection_of(window, control, typed, first)) continue;
        first = false;
        if (control->kind == CONTROL_EDITOR || control->kind == CONTROL_EDIT)
            send(window, control->id, NOTIFY_CHANGED);
    }
}

void memory_window_undo(MemoryWindow* window) {
    if (!window->can_undo || window->read_only) return;
    MemoryControl* control = editor(window);
    std::swap(control->text, window->undo_text);
    std::swap(control->caret, window->undo_caret);
    control->caret = std::min(control->caret, length_of(control));
    control->anchor = control->caret;
    window->undo_insert_end = -1;
    send(window, IDC_EDITOR, NOTIFY_CHANGED);
}

void memory_window_click(MemoryWindow* window, int id) {
    MemoryControl* control = memory_control(window, id);
    if (!control || !control->enabled) return;
    if (control->kind == CONTROL_CHECK_BOX) control->checked = !control->checked;
    if (control->kind == CONTROL_BUTTON || control->kind == CONTROL_CHECK_BOX) {
        window->focus = id;   // a click focuses the button
        send(window, id, NOTIFY_CLICKED);
    }
}

bool memory_window_command(MemoryWindow* window, int command) {
    const bool* state = command_state(window, command);
    if (state && !*state) return false;
    send(window, command, 1);
    return true;
}

void memory_window_select(MemoryWindow* window, int32_t anchor, int32_t caret) {
    set_selection(editor(window), anchor, caret);
}

void memory_window_double_click(MemoryWindow* window, int32_t position) {
    MemoryControl* control = editor(window);
    const std::string& text = control->text;
    auto in_word = [&](int32_t at) {
        char c = text[static_cast<size_t>(at)];
        return c != ' ' && c != '\t' && c != '\r' && c != '\n';
    };
    int32_t start = std::min(position, length_of(control)), end = start;
    while (start > 0 && in_word(start - 1)) start--;
    while (end < length_of(control) && in_word(end)) end++;
    control->anchor = start;
    control->caret = end;
    if (window->double_clicked) window->double_clicked(window->notify_context, start);
}
