// The window's layout, remembered as the window was created.
#pragma once

#include "window.h"

// Remembers the client size and the rectangles of the controls that follow the window's
// size, and lays them out once, so that a control that shares the editor's place starts
// in it.
void remember_layout(WindowState* state, const Window* window);
