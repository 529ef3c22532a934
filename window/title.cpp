#include "title.h"

#include <string.h>

#include "text_encoding.h"

namespace {

// Appends `text` behind `length` bytes of `title`, as much as fits before its zero.
void append(char* title, size_t* length, const char* text) {
    size_t count = strlen(text);
    if (count > TITLE_SIZE - 1 - *length) count = TITLE_SIZE - 1 - *length;
    memcpy(title + *length, text, count);
    *length += count;
    title[*length] = '\0';
}

}  // namespace

void compose_title(const WindowState* state, int with_marker, char* title) {
    const char* encoding = encoding_name(state->form.encoding);
    size_t length = 0;
    title[0] = '\0';
    append(title, &length, state->program_name);
    if (encoding) {
        append(title, &length, " [");
        append(title, &length, encoding);
        append(title, &length, "]");
    }
    if (with_marker && state->modified) append(title, &length, "*");
}

void show_title(const WindowState* state, const Window* window) {
    char title[TITLE_SIZE];
    compose_title(state, 1, title);
    window->ops->set_title(window->user, title);
}
