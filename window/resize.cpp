// WM_SIZE and WM_GETMINMAXINFO: the controls follow the client area's size. «Найти:» and
// «Заменить на:» take all of the width's growth, the folder and mask fields half of it
// each, the buttons keep to the right edge, the check boxes stay, and the editor takes the
// rest: the whole width and the height below the fields. Every rectangle is derived from
// the one that the control had when the window was created, so nothing accumulates.
#include "resize.h"

namespace {

// Which part of the client area's growth an edge of a control follows.
enum Share : int32_t {
    NONE = 0,
    HALF = 1,
    ALL = 2,
};

struct Rule {
    int control;
    Share left, right, bottom;
};

const Rule RULES[] = {
    {IDC_FIND_TEXT,    NONE, ALL,  NONE},
    {IDC_REPLACE_TEXT, NONE, ALL,  NONE},
    {IDC_FIND,         ALL,  ALL,  NONE},
    {IDC_REPLACE,      ALL,  ALL,  NONE},
    {IDC_IN_FOLDER,    NONE, NONE, NONE},
    {IDC_FOLDER,       NONE, HALF, NONE},
    {IDC_BROWSE,       HALF, HALF, NONE},
    {IDC_MASK_LABEL,   HALF, HALF, NONE},
    {IDC_MASK,         HALF, ALL,  NONE},
    {IDC_MATCH_CASE,   NONE, NONE, NONE},
    {IDC_WHOLE_WORD,   NONE, NONE, NONE},
};
constexpr int RULE_COUNT = sizeof RULES / sizeof RULES[0];
static_assert(RULE_COUNT <= MOST_LAID_OUT, "a remembered rectangle for every rule");

// The editor's place, below the fields. Every control listed here is laid out into it
// (one at a time shows there).
const Rule EDITORS_PLACE = {IDC_EDITOR, NONE, ALL, ALL};
const int IN_EDITORS_PLACE[] = {IDC_EDITOR, IDC_KEPT_REPORT};

int32_t part(Share share, int32_t growth) {
    return share == ALL ? growth : share == HALF ? growth / 2 : 0;
}

// A rectangle of the window as created, laid out for the client area's growth (either
// part of which may be negative). Its size never goes below zero.
Rect placed(const Rect& created, const Rule& rule, int32_t width_growth, int32_t height_growth) {
    Rect rect = created;
    rect.left += part(rule.left, width_growth);
    rect.right += part(rule.right, width_growth);
    rect.bottom += part(rule.bottom, height_growth);
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;
    return rect;
}

int32_t width_growth(const WindowState* state) {
    return state->last_client_width - state->layout.client_width;
}

int32_t height_growth(const WindowState* state) {
    return state->last_client_height - state->layout.client_height;
}

Rect editors_place(const WindowState* state) {
    return placed(state->layout.editor, EDITORS_PLACE, width_growth(state), height_growth(state));
}

// Only a control whose rectangle changes is moved: each move repaints it.
void move_to(const Window* window, int control, const Rect& rect) {
    Rect now = {0, 0, 0, 0};
    window->ops->control_rect(window->user, control, &now);
    if (now.left != rect.left || now.top != rect.top || now.right != rect.right ||
        now.bottom != rect.bottom)
        window->ops->move_control(window->user, control, &rect);
}

void lay_out(const WindowState* state, const Window* window) {
    for (int i = 0; i < RULE_COUNT; i++)
        move_to(window, RULES[i].control,
                placed(state->layout.rects[i], RULES[i], width_growth(state), height_growth(state)));
    Rect editor = editors_place(state);
    for (int control : IN_EDITORS_PLACE) move_to(window, control, editor);
}

// How far a control lets the client area shrink: until it is down to half its size as
// created (rounded up).
int32_t shrink_allowed(int32_t size, Share from, Share to) {
    int32_t narrowing = to - from;   // in halves of the growth
    return narrowing > 0 ? (size - (size + 1) / 2) * 2 / narrowing : INT32_MAX;
}

}  // namespace

void remember_layout(WindowState* state, const Window* window) {
    const WindowOps* ops = window->ops;
    WindowLayout* layout = &state->layout;
    ops->client_size(window->user, &layout->client_width, &layout->client_height);
    for (int i = 0; i < RULE_COUNT; i++)
        ops->control_rect(window->user, RULES[i].control, &layout->rects[i]);
    ops->control_rect(window->user, EDITORS_PLACE.control, &layout->editor);
    state->last_client_width = layout->client_width;
    state->last_client_height = layout->client_height;
    state->size_known = 1;
    lay_out(state, window);
}

int window_size_changed(WindowState* state, const Window* window, uint32_t size_type,
                        uint32_t width, uint32_t height) {
    if (!state->size_known || size_type == SIZE_TYPE_MINIMIZED) return 0;
    state->last_client_width = static_cast<int32_t>(width & 0xFFFF);
    state->last_client_height = static_cast<int32_t>(height & 0xFFFF);
    lay_out(state, window);
    return 1;
}

int window_minimum_size(const WindowState* state, int32_t* width, int32_t* height) {
    if (!state->size_known) return 0;
    const WindowLayout& layout = state->layout;
    const Rect& editor = layout.editor;
    int32_t shrink =
        shrink_allowed(editor.right - editor.left, EDITORS_PLACE.left, EDITORS_PLACE.right);
    int32_t reach = 0;   // the right edge of the controls that stay
    for (int i = 0; i < RULE_COUNT; i++) {
        const Rect& rect = layout.rects[i];
        int32_t allowed = shrink_allowed(rect.right - rect.left, RULES[i].left, RULES[i].right);
        if (allowed < shrink) shrink = allowed;
        if (RULES[i].right == NONE && rect.right > reach) reach = rect.right;
    }
    *width = layout.client_width - shrink > reach ? layout.client_width - shrink : reach;
    *height = layout.client_height -
              shrink_allowed(editor.bottom - editor.top, NONE, EDITORS_PLACE.bottom);
    return 1;
}
