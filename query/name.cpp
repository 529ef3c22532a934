#include "name.h"

#include "heap.h"

#include <errno.h>

namespace {

bool is_name_byte(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

int copy_name(const char* name, size_t length, char** block) {
    char* copy = static_cast<char*>(heap_alloc(length + 1));
    if (!copy) return ENOMEM;
    *block = copy;
    for (size_t i = 0; i < length; i++) {
        if (!is_name_byte(name[i])) return EAGAIN;
        copy[i] = name[i];
    }
    copy[length] = '\0';
    return 0;
}
