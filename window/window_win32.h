// The table of window operations realised on the Win32 main window.
#pragma once

#include <windows.h>

#include "window_ops.h"

// The timer that ticks while a folder search runs.
constexpr UINT_PTR TICK_TIMER = 1;

// The main window as the logic sees it.
Window win32_window(HWND main_window);

// Adds the hidden edit control IDC_KEPT_REPORT, made as the editor is (before
// WM_INITDIALOG, whose layout puts it in the editor's place), and gives both
// `editor_procedure`, which passes their messages on to `*original` (the edit control's
// own procedure), so that double clicks reach the window's logic.
// Returns the new control, or null when it cannot be made.
HWND add_kept_report_control(HWND main_window, WNDPROC editor_procedure, WNDPROC* original);
