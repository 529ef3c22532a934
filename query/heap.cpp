#include "heap.h"

#include <stdlib.h>

bool (*heap_fails)(size_t size) = nullptr;

void* heap_alloc(size_t size) {
    if (heap_fails && heap_fails(size)) return nullptr;
    return malloc(size);
}

void* heap_resize(void* block, size_t size) {
    if (heap_fails && heap_fails(size)) return nullptr;
    return realloc(block, size);
}
