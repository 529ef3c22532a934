// Driving the real program from another process: by its window class, its control and
// command ids, window messages and keyboard input, as a user or a screen reader would.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "menu_query.h"

// Windows paths, from the driver's command line.
struct DriverPaths {
    std::string program;       // fuzzyreplace.exe
    std::string probe;         // menu_probe.dll
    std::string screenshots;   // where the screenshot is asked for; empty: none is taken
};
extern DriverPaths driver_paths;

struct Program {
    PROCESS_INFORMATION process;
    HWND window;    // the main window
    DWORD thread;   // its thread, for the focus
};

// Polls until `condition` holds; false when it did not within `timeout_ms`.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms = 20000);

// A Windows path for a path of this process's (a relative one, or a Unix one on Z:).
std::string full_path(const std::string& path);

// Starts the program in `folder` and waits for its visible main window.
bool start_program(Program* program, const std::string& folder);
// Waits for the process to end; its exit code, or -1 when it did not end in time.
long wait_exit(Program* program, DWORD timeout_ms = 20000);
// Closes the window as its close box does and returns the exit code, or -1.
long close_program(Program* program);
// Ends a program that would not close (after a failed test).
void kill_program(Program* program);

HWND control(const Program* program, int id);
std::string text_of(HWND window);   // WM_GETTEXT, so it works across processes
void set_text(HWND window, const std::string& text);
std::pair<DWORD, DWORD> selection_of(HWND edit);
void select_range(HWND edit, int start, int end);
// A double click with the mouse's messages on the character at `position` of an edit
// control, scrolled into view first. (Wine gives the first character of a line the
// point at the end of the line before.)
void double_click(HWND edit, int position);
RECT window_rect(HWND window);
RECT client_rect(HWND window);

// WM_COMMAND as a control or the menu sends it. `send_command` waits until the program
// has handled it, so the command must not open a modal window; `post_command` returns
// at once (for commands that show a message box or a dialog).
void send_command(const Program* program, int id, int notification = 0);
void post_command(const Program* program, int id, int notification = 0);

// The id of the control that has the keyboard focus; 0 for the main window itself, -1
// when the program's thread has no focus window.
int focused_control(const Program* program);

// A visible dialog window (class #32770) owned by the main window: message boxes and
// the file dialog. Null when none appeared in time.
HWND wait_owned_dialog(const Program* program);
bool has_owned_dialog(const Program* program);
// Likewise for a dialog owned by another window of the program (a box over a dialog).
HWND wait_dialog_owned_by(HWND owner);
struct MessageBoxSeen {
    std::string text;
    std::string caption;
    std::string buttons;   // the texts of its Yes, No, Cancel and OK buttons, each with "|"
};
// Reads the message box `box` and presses its button `button` (IDOK, IDYES, IDNO or
// IDCANCEL); false when it did not close.
bool answer_box(HWND box, int button, MessageBoxSeen* seen);

// The common file dialog: types `path` as the file name and presses its OK button.
// `submit_file_dialog` returns the dialog (null when none came), which may stay open to
// ask something; `answer_file_dialog` waits until it has closed.
HWND submit_file_dialog(const Program* program, const std::string& path);
bool answer_file_dialog(const Program* program, const std::string& path);

// Keyboard input to the program, which is brought to the foreground first: a chord of
// virtual keys (pressed in order, released in reverse), or text in Windows-1251 ("\n"
// is Enter, "\t" is Tab).
void press_keys(const Program* program, std::initializer_list<WORD> keys);
void type_text(const Program* program, const std::string& text);

// Reads the menu bar inside the program, through the probe library.
bool read_menu(const Program* program, MenuQuery* query);

// Asks the wrapper script for a screenshot of the window, saved as `name` (a PNG file
// name) beside the driver's output, and waits until it is taken.
bool take_screenshot(const Program* program, const std::string& name);
