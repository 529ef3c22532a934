// The main window in memory, for native tests of the window logic: the template's
// controls with their texts, the editor's selection, undo and text limit, the title,
// menu command states, the focus, message boxes recorded as they are shown, and
// scripted answers for the file and folder dialogs. It behaves as the Win32 edit
// control does where the logic relies on it; the end-to-end tests check the same
// behaviour on the real window.
#pragma once

#include <stdint.h>

#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "window_ops.h"

enum MemoryControlKind {
    CONTROL_STATIC,
    CONTROL_BUTTON,
    CONTROL_CHECK_BOX,   // an automatic check box: a click toggles it
    CONTROL_EDIT,        // single line
    CONTROL_EDITOR,      // multi-line, Enter inserts CR LF
};

struct MemoryControl {
    int id;
    MemoryControlKind kind;
    std::string text;
    int32_t anchor;   // selection of an edit control: from the anchor to the caret,
    int32_t caret;    //   in either order
    bool enabled;
    bool checked;
    Rect rect;   // in the client area
};

struct MemoryMessage {
    std::string text;
    std::string caption;
    bool default_caption;   // shown with a null caption: the platform's own
    bool yes_no;            // a question with Yes and No only
};

struct DialogAnswer {
    bool chosen;        // false: the user cancelled
    std::string path;   // what the dialog writes into its buffer when chosen
};

struct DialogCall {
    int kind;                   // FILE_DIALOG_OPEN or FILE_DIALOG_SAVE_AS; -1 for folders
    std::string initial_path;   // the buffer's text when the dialog opened
};

// What each multi-line edit control has of its own beyond its text and selection; the
// window's fields are the shown editor's, and the hidden one's are kept aside.
struct MemoryEditorState {
    // The text limit in characters; 0 when lifted. Replace-selection and typing insert
    // only what fits; setting the whole text is not limited.
    uint32_t text_limit;
    // One level of undo, as the edit control keeps it: insertions that follow one another
    // at the caret (typing, appended lines) are one step.
    bool can_undo;
    std::string undo_text;
    int32_t undo_caret;
    int32_t undo_insert_end;   // where the step's last change ended; -1: none
    bool read_only;            // takes no typing
};

// The window's initial state is the template's: see memory_window_init.
struct MemoryWindow {
    std::vector<MemoryControl> controls;
    std::string title;
    bool open_enabled, save_enabled, save_as_enabled, undo_replace_enabled;
    bool back_to_report_enabled;
    int focus;   // a control's id, or 0 for the main window itself
    // The shown editor's text limit, undo and read-only state (see MemoryEditorState).
    uint32_t text_limit;
    bool can_undo;
    std::string undo_text;
    int32_t undo_caret;
    int32_t undo_insert_end;
    bool read_only;
    // The same of the hidden IDC_KEPT_REPORT, which trades places with the editor.
    MemoryEditorState hidden_editor;
    int swaps;            // how often the two traded places
    int beeps;
    int mouse_releases;
    std::vector<MemoryMessage> messages;
    std::vector<MemoryMessage> questions;      // Yes/No/Cancel and Yes/No boxes, as shown
    std::deque<int> question_answers;          // taken one per question; none: Cancel, or
                                               //   No where there is no Cancel
    std::deque<DialogAnswer> file_answers;     // taken one per file dialog; none: cancel
    std::deque<DialogAnswer> folder_answers;   // likewise for the folder dialog
    std::vector<DialogCall> dialog_calls;
    int32_t client_width, client_height;
    int caret_scrolls;   // how often the caret was scrolled into view (or the view followed
                         //   appended text)
    std::thread worker;  // the logic's worker, while one runs
    bool ticking;        // the logic asked for ticks
    uint32_t tick_interval;   // how often, in milliseconds
    bool closed;         // the logic destroyed the window
    std::string program_folder;   // where the program's file lies, with a separator at
                                  //   its end; empty: it cannot be had
    // WM_COMMAND to the window procedure: notifications of the controls, and the
    // commands of memory_window_command. Called re-entrantly from inside operations.
    void (*notify)(void* context, int id, int notification);
    void* notify_context;
    // A double click in the editor, after it selected the word there: what the edit
    // control's subclass hands to the window logic (`position`: the selection's start).
    void (*double_clicked)(void* context, int32_t position);
};

// The text limit that an edit control starts with.
constexpr uint32_t DEFAULT_TEXT_LIMIT = 30000;

// The window as the dialog template creates it: texts, disabled folder controls,
// Save and Save As greyed, no focus, a client area of 600 x 480 with the fields in rows
// at the top, the buttons at the right edge and the editor filling the rest.
void memory_window_init(MemoryWindow* window);

// The operations table over this window.
Window memory_window(MemoryWindow* window);

MemoryControl* memory_control(MemoryWindow* window, int id);
const std::string& editor_text(MemoryWindow* window);

// The user's actions. Typing goes to the focused edit control and replaces its
// selection character by character ("\n" is Enter, which the editor turns into CR LF
// and which in a single-line field sends ID_ENTER, as the dialog keyboard handling
// does); each character typed into the editor raises a change notification.
void memory_window_type(MemoryWindow* window, const char* keys);
// Ctrl+Z in the editor: undoes or redoes the last change.
void memory_window_undo(MemoryWindow* window);
// A click on a button or the check box.
void memory_window_click(MemoryWindow* window, int id);
// A menu command or its accelerator: sent only when the command is enabled, as the
// platform does. Returns whether it was sent.
bool memory_window_command(MemoryWindow* window, int command);
// Ends a worker that is still running (after a failed test), so that the window can go.
void memory_window_release(MemoryWindow* window);
// Selects in the editor, as the user does with the mouse (caret at `caret`).
void memory_window_select(MemoryWindow* window, int32_t anchor, int32_t caret);
// A double click on the editor's character at `position`: the word there is selected (a
// run of characters other than spaces, TABs and line breaks), then the window is told.
void memory_window_double_click(MemoryWindow* window, int32_t position);
