// The heap blocks of the window logic come from here (released with free), so that the
// tests can make an allocation fail and see the command end cleanly.
#pragma once

#include <stddef.h>

void* window_alloc(size_t size);

// Replaces the allocator; null restores malloc. For tests.
void set_window_allocator(void* (*allocate)(size_t size));
