#include "control_text.h"

#include <stddef.h>

#include "window_alloc.h"

char* read_control_text(const Window* window, int control, uint32_t* length) {
    uint32_t size = window->ops->text_length(window->user, control);
    if (size == UINT32_MAX) return nullptr;
    char* text = static_cast<char*>(window_alloc(static_cast<size_t>(size) + 1));
    if (!text) return nullptr;
    uint32_t got = window->ops->read_text(window->user, control, text, size + 1);
    text[got <= size ? got : size] = '\0';
    if (length) *length = got <= size ? got : size;
    return text;
}

void report_no_memory(const Window* window) {
    window->ops->message_box(window->user, "Недостаточно памяти для выполнения команды!",
                             "Ошибка");
}
