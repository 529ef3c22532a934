// A malformed query, replacement or mask is told to the user, before anything is searched.
#pragma once

#include "window_ops.h"

// When `query` or `replacement` (null for Find) cannot be used, shows what is wrong and
// where in a box captioned «Ошибка» and returns true; false when both can be used.
bool refuse_faulty_query(const Window* window, const char* query, const char* replacement);

// When a mask of the folder search's field `field` cannot be used (a `!` with nothing
// after it, or a mask that is not a valid query), shows which one, what is wrong and
// where in the field in a box captioned «Ошибка» and returns true; false otherwise.
bool refuse_faulty_mask(const Window* window, const char* field);
