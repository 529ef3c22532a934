#include "window_alloc.h"

#include <stdlib.h>

namespace {
void* (*allocator)(size_t) = malloc;
}

void* window_alloc(size_t size) {
    return allocator(size);
}

void set_window_allocator(void* (*allocate)(size_t size)) {
    allocator = allocate ? allocate : malloc;
}
