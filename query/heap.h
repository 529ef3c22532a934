// The engine's heap calls. Every block the engine allocates comes from here, so that the
// tests can make any single allocation fail; the program never sets the hook. Blocks are
// plain malloc blocks: callers release what they are handed with free().
#pragma once

#include <stddef.h>

// Test hook: when set and it returns true, the allocation or resize at hand fails as if
// the heap were exhausted.
extern bool (*heap_fails)(size_t size);

void* heap_alloc(size_t size);

// realloc: null when the heap cannot, and the block is then left as it was.
void* heap_resize(void* block, size_t size);
