// The table of window operations realised on the Win32 main window.
#pragma once

#include <windows.h>

#include "window_ops.h"

// The timer that ticks while a folder search runs.
constexpr UINT_PTR TICK_TIMER = 1;

// The main window as the logic sees it.
Window win32_window(HWND main_window);
