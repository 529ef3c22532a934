// WM_SIZE: the editor keeps its distance to the right and bottom edges of the client area.
#include "window.h"

namespace {

// Applies a change to one side of the editor. A negative size is clamped at zero; the
// part clamped away is kept in `excess` and taken off again as the client area grows.
int32_t resized(int32_t size, int32_t change, int32_t* excess) {
    int32_t wanted = size - *excess + change;
    int32_t given = wanted < 0 ? 0 : wanted;
    *excess = given - wanted;
    return given;
}

}  // namespace

int window_size_changed(WindowState* state, const Window* window, uint32_t size_type,
                        uint32_t width, uint32_t height) {
    if (!state->size_known || size_type == SIZE_TYPE_MINIMIZED) return 0;
    int32_t width_change = static_cast<int32_t>(width & 0xFFFF) - state->last_client_width;
    int32_t height_change = static_cast<int32_t>(height & 0xFFFF) - state->last_client_height;
    int32_t editor_width = 0, editor_height = 0;
    window->ops->editor_size(window->user, &editor_width, &editor_height);
    window->ops->set_editor_size(
        window->user, resized(editor_width, width_change, &state->editor_excess_width),
        resized(editor_height, height_change, &state->editor_excess_height));
    state->last_client_width += width_change;
    state->last_client_height += height_change;
    return 1;
}
