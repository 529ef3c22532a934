// The undo of the last folder Replace as the window offers it: the command «Отменить
// замену», enabled while there is something to restore, and the kept copies' removal.
#pragma once

#include "window.h"

// Greys «Отменить замену» or enables it, as the last Replace left something to restore.
void show_undo_command(const WindowState* state, const Window* window);

// Removes what the last Replace kept; there is nothing to undo afterwards.
void discard_undo(WindowState* state);

// Before a confirmed Replace: the last Replace's kept copies go, and an empty undo takes
// their place. Returns false, after a message, when there is no memory for it.
bool renew_undo(WindowState* state, const Window* window);

// Asked during a Replace at the first file whose old content cannot be kept: 1 to go on
// without the undo, 0 to stop.
int ask_go_on_without_undo(const Window* window);
