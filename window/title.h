// The window title, composed in one place from the document's state: the program's name
// (the title the window started with), the tag of the document's encoding, and the
// modified marker.
#pragma once

#include "window.h"

// The title that the state calls for, e.g. "<name> [UTF-8]*", with the marker or
// without it, into `title` (TITLE_SIZE bytes).
void compose_title(const WindowState* state, int with_marker, char* title);

// Sets the title that the state calls for.
void show_title(const WindowState* state, const Window* window);
