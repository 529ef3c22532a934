#include "copy_string.h"

#include <stdlib.h>
#include <string.h>

char* copy_string(const char* text) {
    if (!text) return nullptr;
    size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(size));
    if (copy) memcpy(copy, text, size);
    return copy;
}
