// A malformed query or replacement is told to the user, before anything is searched.
#pragma once

#include "window_ops.h"

// When `query` or `replacement` (null for Find) cannot be used, shows what is wrong and
// where in a box captioned «Ошибка» and returns true; false when both can be used.
bool refuse_faulty_query(const Window* window, const char* query, const char* replacement);
