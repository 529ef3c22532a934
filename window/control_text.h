// Reading whole texts out of the window.
#pragma once

#include <stdint.h>

#include "window_ops.h"

// A control's whole text in a new heap block (released with free), NUL-terminated;
// `length` (optional) receives its byte count. Null when the memory cannot be had.
char* read_control_text(const Window* window, int control, uint32_t* length);

// The message for a command that found no memory for its texts.
void report_no_memory(const Window* window);
