// The operations that the window logic performs on the main window, as one table of
// function pointers. The program realises it with Win32 calls; the native tests with an
// in-memory window. The logic never calls the platform directly.
#pragma once

#include <stdint.h>

// Controls of the main window's template.
constexpr int IDC_EDITOR = 1010;
constexpr int IDC_FIND_TEXT = 1011;
constexpr int IDC_REPLACE_TEXT = 1012;
constexpr int IDC_FIND = 1013;
constexpr int IDC_REPLACE = 1014;
constexpr int IDC_IN_FOLDER = 1015;
constexpr int IDC_FOLDER = 1016;
constexpr int IDC_BROWSE = 1017;
constexpr int IDC_MASK = 1018;
constexpr int IDC_MASK_LABEL = 1019;
// The search's options, in a row under the fields.
constexpr int IDC_MATCH_CASE = 1020;   // «Учитывать регистр», checked at start
constexpr int IDC_WHOLE_WORD = 1021;   // «Слово целиком»
// A second multi-line edit control in the editor's place, hidden: it keeps a folder report
// while a file opened from it is shown. The two trade ids when they trade places, so that
// the text shown is always IDC_EDITOR.
constexpr int IDC_KEPT_REPORT = 1030;

// Commands of the menu bar and the accelerator table.
constexpr int IDM_OPEN = 40004;
constexpr int IDM_SAVE = 40005;
constexpr int IDM_SAVE_AS = 40006;
constexpr int IDM_UNDO_REPLACE = 40007;
constexpr int IDM_FOCUS_FIND = 40010;
constexpr int IDM_FOCUS_EDITOR = 40012;
constexpr int IDM_SELECT_ALL = 40013;
// Alt+C and Alt+W: toggle the options from anywhere in the window.
constexpr int IDM_TOGGLE_MATCH_CASE = 40020;
constexpr int IDM_TOGGLE_WHOLE_WORD = 40021;
// The report's hits: F4 opens the next hit line's hit, Shift+F4 the previous one, and
// «К отчёту (F7)» shows the kept report again.
constexpr int IDM_NEXT_HIT = 40030;
constexpr int IDM_PREVIOUS_HIT = 40031;
constexpr int IDM_BACK_TO_REPORT = 40032;

// Enter in a field: the command that the dialog keyboard handling sends (IDOK).
constexpr int ID_ENTER = 1;

// Control notifications, with their Win32 values (BN_CLICKED, EN_CHANGE).
constexpr int NOTIFY_CLICKED = 0x0000;
constexpr int NOTIFY_CHANGED = 0x0300;

// Answers to a question, with their Win32 values (IDYES, IDNO, IDCANCEL).
constexpr int ANSWER_YES = 6;
constexpr int ANSWER_NO = 7;
constexpr int ANSWER_CANCEL = 2;

// Which settings the file dialog is shown with.
constexpr int FILE_DIALOG_OPEN = 0;
constexpr int FILE_DIALOG_SAVE_AS = 1;

// A rectangle of the main window's client area, in pixels: left and top inside it, right
// and bottom just outside.
struct Rect {
    int32_t left, top, right, bottom;
};

// Every operation gets the table's opaque `user` pointer first. Texts are single-byte
// (Windows-1251) strings; editor positions are byte offsets into the editor's text.
struct WindowOps {
    // Length of a control's text, without the terminating zero.
    uint32_t (*text_length)(void* user, int control);
    // Copies at most size - 1 characters of a control's text and a zero; returns the count.
    uint32_t (*read_text)(void* user, int control, char* buffer, uint32_t size);
    // Replaces a control's whole text (null empties it); raises no change notification.
    void (*set_text)(void* user, int control, const char* text);
    // Editor: the position just after the selection (the caret when nothing is selected).
    uint32_t (*selection_end)(void* user);
    // Editor: selects start..end; start -1 removes the selection and keeps the caret.
    void (*select)(void* user, int32_t start, int32_t end);
    // Editor: puts text in place of the selection as an undoable change, leaves the caret
    // after it and raises the change notification (re-entering the window logic).
    void (*replace_selection)(void* user, const char* text);
    // Editor: scrolls the caret into view.
    void (*scroll_caret)(void* user);
    // Selects all text of the focused control when it is an edit field.
    void (*select_all_focused)(void* user);
    void (*focus)(void* user, int control);
    void (*enable_control)(void* user, int control, int enabled);
    // Enables or greys a menu command.
    void (*enable_command)(void* user, int command, int enabled);
    // 1 when the check box is checked, 0 when not.
    int (*is_checked)(void* user, int control);
    // Checks (1) or clears (0) a check box.
    void (*set_checked)(void* user, int control, int checked);
    // Copies at most size - 1 characters of the window title and a zero; returns the count.
    uint32_t (*read_title)(void* user, char* buffer, uint32_t size);
    void (*set_title)(void* user, const char* title);
    // Modal message with one OK button and no icon; a null caption gives the default one.
    void (*message_box)(void* user, const char* text, const char* caption);
    // Modal question with the buttons Yes, No and Cancel and no icon. Returns ANSWER_YES,
    // ANSWER_NO, or ANSWER_CANCEL (also for Esc and the close box).
    int (*question_box)(void* user, const char* text, const char* caption);
    // Modal question with the buttons Yes and No and no icon (Esc and the close box do
    // nothing). Returns ANSWER_YES or ANSWER_NO.
    int (*yes_no_box)(void* user, const char* text, const char* caption);
    // File dialog that starts with and edits `path` (size bytes): FILE_DIALOG_OPEN chooses
    // an existing file; FILE_DIALOG_SAVE_AS, titled «Сохранить как», a file to write,
    // asking before an existing one is replaced. Returns 1 when a file was chosen, 0 when
    // cancelled or failed.
    int (*choose_file)(void* user, int kind, char* path, uint32_t size);
    // Folder dialog that starts at `path` and writes the chosen folder into it.
    // Returns 1 when a folder was chosen, 0 when cancelled.
    int (*choose_folder)(void* user, char* path, uint32_t size);
    // Geometry, in pixels: the client area's size; a control's outer rectangle in the
    // client area (all zero for a control that the window lacks); a control moved and
    // sized to a rectangle of the client area.
    void (*client_size)(void* user, int32_t* width, int32_t* height);
    void (*control_rect)(void* user, int control, Rect* rect);
    void (*move_control)(void* user, int control, const Rect* rect);
    // Editor: lifts the default text limit (about 30,000 characters), beyond which a
    // replace-selection or typing would silently insert nothing.
    void (*unlimit_editor)(void* user);

    // Work beside the window's thread (a folder walk): runs work(argument) on a thread
    // of its own. One at a time. Returns 1, or 0 when no thread could be started.
    int (*start_worker)(void* user, void (*work)(void* argument), void* argument);
    // Waits until the worker has returned.
    void (*join_worker)(void* user);
    // window_tick is called every `interval` milliseconds on the window's thread, after
    // the input that is waiting; 0 stops it.
    void (*set_ticking)(void* user, uint32_t interval);
    // Editor: read-only for the user (it still scrolls and selects), or editable again.
    void (*set_editor_read_only)(void* user, int read_only);
    // Editor: puts text at the end of its text as an undoable change (raising the change
    // notification) and leaves the user's selection where it was. With `follow` 1 the view
    // follows the end when the end was in view (a caret left at the end stays there), and
    // otherwise stays where the user scrolled it; with 0 the view and the selection stay.
    void (*append_text)(void* user, const char* text, int follow);
    // The control that has the keyboard focus, or 0 when none of them has it.
    int (*focused_control)(void* user);
    // Destroys the window: the message loop ends with exit code 0.
    void (*close_window)(void* user);
    // The folder that holds the program's own file, with a path separator at its end.
    // Returns its length, or 0 when it cannot be had or does not fit in `size` bytes.
    uint32_t (*program_folder)(void* user, char* buffer, uint32_t size);
    // The editor and IDC_KEPT_REPORT trade places and ids: the hidden control is shown in
    // the editor's place as IDC_EDITOR (with the focus when the editor had it), the other
    // is hidden as IDC_KEPT_REPORT. Each keeps its text, selection, undo and scrolling.
    void (*swap_editors)(void* user);
    // The platform's default beep.
    void (*beep)(void* user);
    // Editor: forgets what its undo would take back.
    void (*forget_undo)(void* user);
    // Ends the mouse capture of a click in progress (a double click that opens a hit goes
    // on in boxes and in another control, not in a drag of the selection).
    void (*release_mouse)(void* user);
};

// How often a running walk's report and progress reach the window; sooner while lines
// wait that one tick could not take.
constexpr uint32_t TICK_MS = 100;
constexpr uint32_t BUSY_TICK_MS = 10;

// The main window as the logic sees it: its operations and their user pointer.
struct Window {
    const WindowOps* ops;
    void* user;
};

