// The main window's logic: its per-process state and the entry points that the window
// procedure calls. Everything here works only through the window operations of
// window_ops.h, so the same logic runs in the program and in the native tests.
#pragma once

#include <stdint.h>

#include "text_encoding.h"
#include "window_ops.h"

constexpr uint32_t PATH_SIZE = 260;       // the paths' buffers, MAX_PATH
constexpr uint32_t TITLE_SIZE = 261;      // a title of at most 260 characters and a zero
constexpr uint32_t OPEN_LIMIT = 16u << 20;   // the largest file that Open loads, 16 MiB
constexpr uint32_t SIZE_TYPE_MINIMIZED = 1;    // WM_SIZE's size type of a minimised window

struct FolderWalk;
struct UndoStore;
struct RunHits;
struct DocumentLoad;

// Where the folder report is.
enum ReportPlace {
    REPORT_NONE = 0,    // the text shown is a document, and no report is kept
    REPORT_SHOWN = 1,   // the text shown is a report, which a hit's file or Open keeps
    REPORT_KEPT = 2,    // the report is kept in IDC_KEPT_REPORT, a file is shown
};

// What the kept report was as the shown document, given back with it.
struct KeptDocument {
    char current_path[PATH_SIZE];
    TextForm form;
    uint8_t modified;
    uint8_t report_unedited;
};

// The file whose bytes the text shown came from (by Open, or by opening a hit): hit
// positions count its bytes, which lead to the editor's characters.
struct ShownFile {
    char path[PATH_SIZE];     // empty: the text shown is not a file's
    TextForm form;
    char* raw;                // a UTF-8 or UTF-16 file's bytes as read; null for the
                              //   ANSI code page, whose bytes are the characters
    uint32_t file_length;     // its bytes
    uint32_t text_length;     // the characters that the editor got: up to a zero
    uint32_t full_length;     // the characters of the whole text
};

// The controls' rectangles and the client size as the window was created. Every later
// layout is derived from these, never from the one before, so that no rounding or
// clamping accumulates. The rectangles follow the order of resize.cpp's rules.
constexpr int MOST_LAID_OUT = 16;
struct WindowLayout {
    int32_t client_width, client_height;
    Rect editor;                  // the editor's place, which others may share
    Rect rects[MOST_LAID_OUT];
};

// One per process: there is one window.
struct WindowState {
    void* instance;                   // the program's module instance
    char chosen_path[PATH_SIZE];      // what the file dialog last returned; it edits it
    char current_path[PATH_SIZE];     // the document's file, which Save writes
    uint8_t modified;                 // 1 while the title carries the marker
    // The editor holds a folder report that the user has not changed: the program's own
    // output, which goes without a question about saving it.
    uint8_t report_unedited;
    int32_t size_known;               // 0 until initialised; size changes ignored meanwhile
    int32_t last_client_width;        // the client size laid out last (a minimised window's
    int32_t last_client_height;       //   is not)
    WindowLayout layout;              // the window as created, which every size derives from
    FolderWalk* walk;                 // the folder search running beside the window, or null
    UndoStore* undo;                  // the undo of the last folder Replace, or null
    uint8_t close_pending;            // the window closes once the walk has ended
    TextForm form;                    // the document's encoding and mark, which Save writes
    char program_name[TITLE_SIZE];    // the title that the window started with
    uint8_t report;                   // a ReportPlace
    KeptDocument kept;                // the report's document state while it is kept
    uint8_t from_report;              // the file shown was opened from the kept report
    uint8_t link_opened;              // a hit of the kept report was opened, from the
    uint32_t link_line;               //   line that begins here in its text
    RunHits* run;                     // the last walk's listed hits, or null
    ShownFile shown;
    DocumentLoad* loading;            // a text going into the editor in portions, or null
    // The threads that scan a folder search's files (FolderJob's `threads`): 0, as the
    // program leaves it, as many as the processor's cores; tests choose.
    uint32_t walk_threads;
};

enum InitResult {
    INIT_DONE = 0,
    INIT_NO_MEMORY = 1,   // no memory for the start-up text: the caller ends the process
};

// What the window procedure does after a command.
enum CommandResult {
    COMMAND_DONE = 0,      // handled; the message's result is 0
    COMMAND_DEFAULT = 1,   // (also) goes to default processing
};

// WM_INITDIALOG: resets the state, remembers the layout as created, selects the user's
// locale, checks «Учитывать регистр», lifts the editor's text limit, sets the mask to "*.*"
// and loads "readme.txt" from the current directory, or else from the program's folder,
// into the editor, which then gets the focus.
InitResult window_initialise(WindowState* state, const Window* window);

// WM_SIZE with the size type and the new client size: the fields and the editor grow
// with the window, the buttons keep to its right edge. Returns 1 when handled, 0 when
// the message goes to default processing (before initialisation, or minimised).
int window_size_changed(WindowState* state, const Window* window, uint32_t size_type,
                        uint32_t width, uint32_t height);

// WM_GETMINMAXINFO: the smallest client area that keeps every control visible and apart.
// Returns 0 before initialisation (the platform's default then holds).
int window_minimum_size(const WindowState* state, int32_t* width, int32_t* height);

// WM_COMMAND from a control (its id and notification) or a command of the menu or
// the accelerators (the notification is then not looked at). While a folder search runs,
// only its Stop (the button that started it, or Esc) and the editor's notifications act.
CommandResult window_command(WindowState* state, const Window* window, int id,
                             int notification);

// The window's tick (WM_TIMER) while a folder search runs: its new report lines and its
// progress reach the window, and once it has ended the window is given back to the user.
void window_tick(WindowState* state, const Window* window);

// A double click in the editor, once the editor has taken it (a word is selected):
// `position` is the selection's start, in the line clicked. A hit line opens its hit, and
// 1 is returned; any other line keeps the click as the editor took it (0).
int window_double_clicked(WindowState* state, const Window* window, uint32_t position);

// WM_DESTROY: the copies kept for the undo of the last folder Replace go.
void window_destroyed(WindowState* state);

// WM_CLOSE. Returns 1 when the window is to be destroyed now, after asking whether to
// save unsaved changes; 0 when the user chose to stay. During a folder search, stops it
// and returns 0: the window closes once the search has ended.
int window_close_requested(WindowState* state, const Window* window);
