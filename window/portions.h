// A long text put into the editor in portions, one a tick, so that the window answers in
// between: the edit control lays out each line it gets (Wine's takes about 0.1 ms a line),
// so a portion is sized by how long the last one took.
#pragma once

#include <stddef.h>

#include "window_ops.h"

struct PortionPace {
    size_t chunk;     // the most that the next portion holds
    size_t floor;     // the least that it is worth halving it to
    double last_ms;   // how long the last portion took
    int halved;       // the chunk was halved after it
};

void pace_begin(PortionPace* pace);

// The length of the next portion of the `waiting` bytes at `from`: whole lines up to the
// chunk; where no line ends within it, up to the first line end after it, or, with
// `cut_long_lines`, the chunk itself (never between a CR and its LF).
size_t next_portion(const PortionPace* pace, const char* from, size_t waiting,
                    int cut_long_lines);

// Appends the NUL-terminated `text` (`length` bytes) to the editor (with `follow` as
// append_text takes it) and sizes the next portion by how long this one took.
void append_portion(PortionPace* pace, const Window* window, const char* text, size_t length,
                    int follow);
