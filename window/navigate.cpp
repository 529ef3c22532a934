// A hit line opens its hit: a double click on it, or F4 and Shift+F4 from line to line.
// The file is shown as Open shows it, the hit selected in it; the text that the line was
// in is kept as the report while it is a report (or the first text whose line was
// opened), and a file shown instead is left after the question about its changes.
#include <stdlib.h>
#include <string.h>

#include "control_text.h"
#include "document_load.h"
#include "handlers.h"
#include "report_links.h"
#include "hit_place.h"
#include "kept_report.h"
#include "shown_file.h"

namespace {

constexpr char JUMP_CAPTION[] = "Переход";
constexpr LoadMessage CHANGED_BOX = {
    "Файл изменился после поиска: совпадения на прежнем месте нет.", JUMP_CAPTION};
constexpr LoadMessage UNSHOWN_BOX = {
    "Совпадение в части файла, которую редактор не показывает.", JUMP_CAPTION};
constexpr LoadMessage MISSING_BOX = {"Файл не найден.", JUMP_CAPTION};

const LoadMessage* box_of(const HitPlace& place) {
    if (place.kind == PLACE_CHANGED) return &CHANGED_BOX;
    if (place.kind == PLACE_UNSHOWN) return &UNSHOWN_BOX;
    return nullptr;
}

// F4 goes on from the line of the kept report that begins at `line_start`, whether its
// hit could be shown or not.
void went_to(WindowState* state, size_t line_start) {
    state->link_opened = 1;
    state->link_line = static_cast<uint32_t>(line_start);
}

bool shows_file_of(const WindowState* state, const HitLine* line) {
    const char* path = state->shown.path;
    return path[0] != '\0' && strlen(path) == line->path_length &&
           memcmp(path, line->path, line->path_length) == 0;
}

// The hit in the file shown: only the selection moves, checked against the editor's
// text as it is now.
void place_in_shown_file(WindowState* state, const Window* window, const HitLine* line) {
    uint32_t length = 0;
    char* text = read_control_text(window, IDC_EDITOR, &length);
    char* query = text ? read_control_text(window, IDC_FIND_TEXT, nullptr) : nullptr;
    if (query) {
        HitPlace place = place_hit(text, length, &state->shown, line, state->run, query);
        window->ops->select(window->user, static_cast<int32_t>(place.start),
                            static_cast<int32_t>(place.end));
        window->ops->scroll_caret(window->user);
        if (const LoadMessage* box = box_of(place))
            window->ops->message_box(window->user, box->text, box->caption);
    } else {
        report_no_memory(window);
    }
    free(query);
    free(text);
}

// Opens the hit of `line`, the line of `source` (IDC_EDITOR, the text shown, or
// IDC_KEPT_REPORT) that begins at `line_start`.
void open_hit(WindowState* state, const Window* window, int source, size_t line_start,
              const HitLine* line) {
    bool from_kept = source == IDC_KEPT_REPORT;
    if (shows_file_of(state, line)) {
        if (from_kept) went_to(state, line_start);
        place_in_shown_file(state, window, line);
        return;
    }
    char path[PATH_SIZE];
    char* text = nullptr;
    ShownFile shown = {};
    DocumentText decoded = {};
    ReadResult result = READ_CANNOT_OPEN;
    if (line->path_length < PATH_SIZE) {
        memcpy(path, line->path, line->path_length);
        path[line->path_length] = '\0';
        result = read_shown_file(path, OPEN_LIMIT, &text, &shown, &decoded);
    }
    if (result != READ_DONE) {
        if (from_kept) went_to(state, line_start);
        if (result == READ_CANNOT_OPEN)
            window->ops->message_box(window->user, MISSING_BOX.text, MISSING_BOX.caption);
        if (result == READ_TOO_LARGE) report_too_large(window);
        if (result == READ_NO_MEMORY) report_no_memory(window);
        // The caret to the line, so that F4 goes on past it.
        if (!from_kept) window->ops->select(window->user, static_cast<int32_t>(line_start),
                                            static_cast<int32_t>(line_start));
        return;
    }
    char* query = read_control_text(window, IDC_FIND_TEXT, nullptr);
    // The text that the line is in stays as the report; a file shown instead goes.
    bool keep = state->report != REPORT_KEPT;
    if (!query || (!keep && !may_discard_document(state, window))) {
        if (!query) report_no_memory(window);
        free(query);
        free(text);
        release_shown_file(&shown);
        return;
    }
    HitPlace place = place_hit(text, shown.text_length, &shown, line, state->run, query);
    free(query);
    if (keep) {
        keep_shown_text(state, window);
        from_kept = true;
    }
    if (from_kept) went_to(state, line_start);
    state->from_report = from_kept;
    show_file(state, window, text, &shown, decoded, static_cast<int32_t>(place.start),
              static_cast<int32_t>(place.end), box_of(place));
}

void step_to_hit(WindowState* state, const Window* window, int direction) {
    bool from_kept = state->report == REPORT_KEPT && state->from_report && state->link_opened;
    int source = from_kept ? IDC_KEPT_REPORT : IDC_EDITOR;
    uint32_t length = 0;
    char* text = read_control_text(window, source, &length);
    if (!text) {
        report_no_memory(window);
        return;
    }
    size_t from = from_kept ? state->link_line : window->ops->selection_end(window->user);
    size_t line_start = 0, line_end = 0;
    line_around(text, length, from, &line_start, &line_end);
    size_t found = 0;
    HitLine line;
    if (nearest_hit_line(text, length, line_start, direction, &found, &line))
        open_hit(state, window, source, found, &line);
    else
        window->ops->beep(window->user);
    free(text);
}

}  // namespace

void open_next_hit(WindowState* state, const Window* window) {
    step_to_hit(state, window, 1);
}

void open_previous_hit(WindowState* state, const Window* window) {
    step_to_hit(state, window, -1);
}

int window_double_clicked(WindowState* state, const Window* window, uint32_t position) {
    // During a walk or a load the editor is not yet what its lines say.
    if (state->walk || state->loading) return 0;
    uint32_t length = 0;
    char* text = read_control_text(window, IDC_EDITOR, &length);
    if (!text) return 0;
    size_t start = 0, end = 0;
    line_around(text, length, position, &start, &end);
    HitLine line;
    bool link = parse_hit_line(text + start, end - start, &line);
    if (link) {
        window->ops->release_mouse(window->user);
        open_hit(state, window, IDC_EDITOR, start, &line);
    }
    free(text);
    return link ? 1 : 0;
}
