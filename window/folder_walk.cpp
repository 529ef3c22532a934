// The folder search beside the window. The walk runs on a worker thread and hands its
// events to walk_sink, which words them as report lines into a pending buffer; the
// window's thread takes lines from it at each tick and appends them in one piece, so
// that the edit control is asked once per tick rather than once per line. A tick takes
// only as many lines as the edit control lays out in a few hundredths of a second (it
// costs it time for every line), and ticks come sooner while lines wait: the window
// answers all along, however large the report. The report lists the first LISTED_HITS
// hits; the later ones are counted, and a line after the listed ones says how many there
// were in all.
#include "folder_walk.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <condition_variable>
#include <mutex>
#include <new>

#include "control_text.h"
#include "folder.h"
#include "folder_platform.h"
#include "folder_report.h"
#include "folder_undo.h"
#include "handlers.h"
#include "plural.h"
#include "kept_report.h"
#include "portions.h"
#include "query.h"
#include "run_hits.h"
#include "title.h"
#include "undo.h"
#include "window_alloc.h"

namespace {

constexpr char REPORT_HEADER[] = "Найдено в файлах:\r\n";
constexpr char RESTORE_HEADER[] = "Восстановлено из замены:\r\n";
// Past this many bytes waiting for the editor the walk waits for the window, so that a
// walk that finds faster than the editor takes lines keeps its memory bounded.
constexpr size_t PENDING_LIMIT = 8u << 20;

// The controls that a walk disables, and the two buttons' own texts.
constexpr int WALK_DISABLED[] = {IDC_FIND_TEXT,  IDC_REPLACE_TEXT, IDC_FIND,   IDC_REPLACE,
                                 IDC_IN_FOLDER,  IDC_FOLDER,       IDC_BROWSE, IDC_MASK,
                                 IDC_MASK_LABEL, IDC_MATCH_CASE,   IDC_WHOLE_WORD};
constexpr int WALK_COMMANDS[] = {IDM_OPEN, IDM_SAVE, IDM_SAVE_AS, IDM_UNDO_REPLACE,
                                 IDM_BACK_TO_REPORT};
constexpr char FIND_TEXT[] = "Найти";
constexpr char REPLACE_TEXT[] = "Заменить";
constexpr char STOP_TEXT[] = "Стоп";

// A walk that did not cover the whole tree says so in the last line of the report, so
// that a Replace cut short is not taken for a complete one.
constexpr char FOLDER_MISSING_LINE[] = "%s \tпапка не найдена, поиск не выполнен!\r\n";
constexpr char PATHS_TOO_LONG_LINE[] =
    "%s \tпропущены файлы и папки со слишком длинным путём!\r\n";
constexpr char WALK_BROKEN_LINE[] =
    "%s \tпоиск прерван, просмотрены не все файлы! Код ошибки: %d\r\n";
constexpr char WALK_STOPPED_LINE[] = "%s \tпоиск остановлен, просмотрены не все файлы!\r\n";
// After the listed hit lines of a walk that found more.
constexpr char UNLISTED_LINE[] =
    "%s \tв отчёте первые %u совпадений из %u, остальные не перечислены\r\n";

}  // namespace

struct FolderWalk {
    FolderRequest request;
    FolderJob job;
    int focus;                   // the control that had the focus before the walk
    uint8_t stop;                // set by the window's thread, read by the walk's
    uint32_t files;              // files that passed the mask so far (atomic)
    // The sink's alone (the threads that reach it one at a time, in their files' turns),
    // until the window's thread joins the walk's: what a Replace would rewrite, as a
    // counting Find tells it; the hit lines listed so far, and what their hits were.
    uint64_t rewritable_hits;
    uint32_t rewritable_files;
    uint32_t listed;
    RunHits* run;

    // Shared by the two threads, under `lock`.
    std::mutex lock;
    std::condition_variable drained;   // the window took the pending lines
    char* pending;               // report lines not yet in the editor: [start, length)
    size_t pending_start;
    size_t pending_length;
    size_t pending_capacity;
    uint32_t hits;               // hit lines so far
    int out_of_memory;           // a line could not be kept: the walk was stopped
    int finished;
    int32_t result;              // walk_folder's, once finished
    // The walk asks whether to go on when old contents cannot be kept for the undo: it
    // waits while `question` is set, until the window gives the answer.
    std::condition_variable answered;
    int question;
    int answer;

    // The window's thread only.
    PortionPace pace;            // how much a tick appends
    uint32_t interval;           // the ticks' interval now
    int worker_started;
    uint32_t shown_files, shown_hits;
    int title_shown;
};

namespace {

void show_progress(FolderWalk* walk, const Window* window, uint32_t files, uint32_t hits) {
    if (walk->title_shown && files == walk->shown_files && hits == walk->shown_hits) return;
    char title[TITLE_SIZE];
    const char* counted = plural(files, "файл", "файла", "файлов");
    if (walk->request.kind == WALK_RESTORE) {
        snprintf(title, sizeof title, "Восстановление… %u %s", files, counted);
    } else {
        bool replacing = walk->request.kind == WALK_REPLACE;
        snprintf(title, sizeof title, "%s %u %s, %u %s", replacing ? "Замена…" : "Поиск…", files,
                 counted, hits,
                 replacing ? plural(hits, "замена", "замены", "замен")
                           : plural(hits, "совпадение", "совпадения", "совпадений"));
    }
    window->ops->set_title(window->user, title);
    walk->shown_files = files;
    walk->shown_hits = hits;
    walk->title_shown = 1;
}

// Appends `length` bytes to the pending lines; called with the lock held. Returns 0, or
// -1 when memory runs out.
int keep_pending(FolderWalk* walk, const char* line, size_t length) {
    if (walk->pending_start > 0 && walk->pending_length + length + 1 > walk->pending_capacity) {
        // What the window took leaves room at the front.
        walk->pending_length -= walk->pending_start;
        memmove(walk->pending, walk->pending + walk->pending_start, walk->pending_length);
        walk->pending_start = 0;
    }
    if (walk->pending_length + length + 1 > walk->pending_capacity) {
        size_t capacity = walk->pending_capacity ? walk->pending_capacity * 2 : 65536;
        while (capacity < walk->pending_length + length + 1) capacity *= 2;
        char* pending = static_cast<char*>(realloc(walk->pending, capacity));
        if (!pending) return -1;
        walk->pending = pending;
        walk->pending_capacity = capacity;
    }
    memcpy(walk->pending + walk->pending_length, line, length);
    walk->pending_length += length;
    walk->pending[walk->pending_length] = '\0';
    return 0;
}

// The folder search's sink, on the walk's thread or on a thread that scans its files,
// one at a time: counts the progress and words the report's lines.
void walk_sink(void* user, const FolderEvent* event) {
    FolderWalk* walk = static_cast<FolderWalk*>(user);
    if (event->kind == FOLDER_FILE_PASSED) {
        __atomic_add_fetch(&walk->files, 1, __ATOMIC_RELAXED);
        return;
    }
    if (event->kind == FOLDER_REWRITABLE) {
        walk->rewritable_files++;
        walk->rewritable_hits += static_cast<uint64_t>(event->offset);
        return;
    }
    // Reason lines are always written; hit lines up to the report's bound.
    bool hit = is_hit_event(event) != 0;
    bool listed = !hit || walk->listed < LISTED_HITS;
    if (hit && listed) {
        walk->listed++;
        if (walk->run && record_run_hit(walk->run, event) != 0) {
            // Its lines then lead to their hits as any report's do.
            free_run_hits(walk->run);
            walk->run = nullptr;
        }
    }
    char local[PATH_LIMIT + REPORT_LINE_EXTRA];
    size_t room = listed ? report_line_room(event) : 0;
    char* line = room <= sizeof local ? local : static_cast<char*>(malloc(room));
    size_t length = line && listed ? format_report_line(event, line, room) : 0;

    std::unique_lock<std::mutex> held(walk->lock);
    if (hit) walk->hits++;
    if (!line || (length && keep_pending(walk, line, length) != 0)) {
        // A line that cannot be kept would leave a report that looks complete.
        walk->out_of_memory = 1;
        __atomic_store_n(&walk->stop, 1, __ATOMIC_RELAXED);
    }
    while (walk->pending_length - walk->pending_start > PENDING_LIMIT && !walk->out_of_memory)
        walk->drained.wait(held);
    held.unlock();
    if (line != local) free(line);
}

// The undo's question, on the walk's thread: it waits for the window's answer.
int ask_window(void* user) {
    FolderWalk* walk = static_cast<FolderWalk*>(user);
    std::unique_lock<std::mutex> held(walk->lock);
    walk->question = 1;
    while (walk->question) walk->answered.wait(held);
    return walk->answer;
}

// Answers the walk's question at a tick: not asked of a window that is closing or of a
// walk that was stopped, which end as Stop ends them.
void answer_walk(WindowState* state, FolderWalk* walk, const Window* window) {
    int go_on = 0;
    if (!state->close_pending && !__atomic_load_n(&walk->stop, __ATOMIC_RELAXED)) {
        // No ticks while the box is shown: its message loop would run them.
        window->ops->set_ticking(window->user, 0);
        go_on = ask_go_on_without_undo(window);
        window->ops->set_ticking(window->user, walk->interval);
    }
    if (!go_on) stop_folder_walk(state);
    {
        std::lock_guard<std::mutex> held(walk->lock);
        walk->answer = go_on;
        walk->question = 0;
    }
    walk->answered.notify_all();
}

void walk_work(void* argument) {
    FolderWalk* walk = static_cast<FolderWalk*>(argument);
    int32_t result = WALK_CODE_OK;
    // The undo goes through whole once begun: a half-restored tree would serve no one.
    if (walk->request.kind == WALK_RESTORE) undo_restore(walk->job.undo, &walk->job);
    else result = search_folder_tree(&walk->job, walk->request.pattern);
    std::lock_guard<std::mutex> held(walk->lock);
    walk->result = result;
    walk->finished = 1;
}

// The report's last line for a walk that did not cover the whole tree, or null.
const char* last_line_format(const FolderWalk* walk) {
    if (walk->result == WALK_CODE_OPERATION_ABORTED && walk->stop && !walk->out_of_memory)
        return WALK_STOPPED_LINE;
    switch (walk->result) {
    case WALK_CODE_OK:
    case WALK_CODE_FILE_NOT_FOUND: return nullptr;   // the folder holds nothing to list
    case WALK_CODE_PATH_NOT_FOUND: return FOLDER_MISSING_LINE;
    case WALK_CODE_FILENAME_EXCED_RANGE: return PATHS_TOO_LONG_LINE;
    }
    return WALK_BROKEN_LINE;
}

// Appends a line worded by `format` with the walk's folder and two numbers.
void append_folder_line(const FolderWalk* walk, const Window* window, const char* format,
                        unsigned first, unsigned second) {
    const char* folder = walk->request.folder ? walk->request.folder : "";
    int size = snprintf(nullptr, 0, format, folder, first, second);
    char* line = size > 0 ? static_cast<char*>(window_alloc(static_cast<size_t>(size) + 1))
                          : nullptr;
    if (!line) {
        report_no_memory(window);
        return;
    }
    snprintf(line, static_cast<size_t>(size) + 1, format, folder, first, second);
    window->ops->append_text(window->user, line, 1);
    free(line);
}

// After the listed lines: how many hits were left out, then why the walk did not cover
// the whole tree.
void append_last_lines(const FolderWalk* walk, const Window* window) {
    if (walk->hits > LISTED_HITS)
        append_folder_line(walk, window, UNLISTED_LINE, LISTED_HITS, walk->hits);
    const char* format = last_line_format(walk);
    if (format) append_folder_line(walk, window, format, static_cast<unsigned>(walk->result), 0);
}

void release_walk(FolderWalk* walk) {
    release_request(&walk->request);
    free_run_hits(walk->run);
    free(walk->pending);
    walk->~FolderWalk();
    free(walk);
}

// Everything as after a walk that ran to its end on the window's own thread: the
// controls and Open enabled, Save greyed, Save As enabled for the report, the focus
// where it was.
void give_window_back(WindowState* state, FolderWalk* walk, const Window* window) {
    const WindowOps* ops = window->ops;
    ops->set_ticking(window->user, 0);
    ops->set_editor_read_only(window->user, 0);
    ops->set_text(window->user, IDC_FIND, FIND_TEXT);
    ops->set_text(window->user, IDC_REPLACE, REPLACE_TEXT);
    for (int control : WALK_DISABLED) ops->enable_control(window->user, control, 1);
    ops->enable_command(window->user, IDM_OPEN, 1);
    ops->enable_command(window->user, IDM_SAVE, 0);
    ops->enable_command(window->user, IDM_SAVE_AS, 1);
    show_undo_command(state, window);
    show_report_command(state, window);
    show_title(state, window);
    if (walk->focus) ops->focus(window->user, walk->focus);
}

void end_walk(WindowState* state, const Window* window) {
    FolderWalk* walk = state->walk;
    if (walk->worker_started) window->ops->join_worker(window->user);
    if (walk->out_of_memory) report_no_memory(window);
    append_last_lines(walk, window);
    // The report's lines lead to this walk's hits.
    free_run_hits(state->run);
    state->run = walk->run;
    walk->run = nullptr;
    int kind = walk->request.kind;
    // A count that ran to its end with something to rewrite asks; one that was stopped,
    // or whose report is not whole, does not.
    FolderRequest replace = {};
    uint64_t hits = walk->rewritable_hits;
    uint32_t files = walk->rewritable_files;
    bool whole = walk->result != WALK_CODE_OPERATION_ABORTED && !walk->out_of_memory;
    if (kind == WALK_COUNT && whole && files > 0 && !state->close_pending) {
        replace = walk->request;
        walk->request = {};
    }
    // An undo is done once: what it kept goes, whatever it could restore.
    if (kind == WALK_RESTORE) discard_undo(state);
    give_window_back(state, walk, window);
    state->walk = nullptr;
    release_walk(walk);
    if (state->close_pending) {
        state->close_pending = 0;
        window->ops->close_window(window->user);
    } else if (replace.query) {
        confirm_folder_replace(state, window, &replace, hits, files);
    }
}

}  // namespace

void start_folder_walk(WindowState* state, const Window* window, FolderRequest* request) {
    const WindowOps* ops = window->ops;
    void* block = window_alloc(sizeof(FolderWalk));
    if (!block) {
        release_request(request);
        report_no_memory(window);
        return;
    }
    FolderWalk* walk = new (block) FolderWalk();
    walk->request = *request;
    int kind = request->kind;
    walk->job.query = request->query;
    // The search before a Replace matches with its template, as the Replace will.
    walk->job.replacement = kind == WALK_REPLACE || kind == WALK_COUNT ? request->replacement
                                                                       : nullptr;
    walk->job.mask = request->mask;
    walk->job.prefix_length = request->query ? literal_prefix_length(request->query) : 0;
    walk->job.sink = walk_sink;
    walk->job.sink_user = walk;
    walk->job.stop = &walk->stop;
    walk->job.counting = kind == WALK_COUNT;
    walk->job.threads = state->walk_threads;
    walk->job.match_case = request->match_case;
    walk->job.whole_word = request->whole_word;
    walk->job.listed_hits = LISTED_HITS;
    // What a hit is, for going to it later: the walk's query, and the template for a
    // Replace and for the count before it, which matches as the Replace will. Without
    // memory for it the report's lines still lead to their places.
    if (request->query) {
        const char* matched_with = kind == WALK_FIND ? nullptr : request->replacement;
        walk->run = new_run_hits(request->query, matched_with, request->match_case,
                                 request->whole_word);
    }
    if (kind == WALK_REPLACE || kind == WALK_RESTORE) {
        walk->job.undo = state->undo;
        state->undo->go_on_without = ask_window;
        state->undo->go_on_user = walk;
    }
    walk->focus = ops->focused_control(window->user);

    // Nothing but Stop, Esc and closing acts until the walk ends.
    state->walk = walk;
    for (int control : WALK_DISABLED)
        if (control != request->button) ops->enable_control(window->user, control, 0);
    for (int command : WALK_COMMANDS) ops->enable_command(window->user, command, 0);
    if (request->button) ops->set_text(window->user, request->button, STOP_TEXT);
    ops->set_editor_read_only(window->user, 1);
    // Its change notification marks the document modified.
    ops->append_text(window->user, kind == WALK_RESTORE ? RESTORE_HEADER : REPORT_HEADER, 1);
    show_progress(walk, window, 0, 0);
    pace_begin(&walk->pace);
    walk->interval = TICK_MS;
    ops->set_ticking(window->user, TICK_MS);
    walk->worker_started = ops->start_worker(window->user, walk_work, walk);
    if (!walk->worker_started) {
        walk->out_of_memory = 1;
        walk->finished = 1;
        walk->result = WALK_CODE_NOT_ENOUGH_MEMORY;
        end_walk(state, window);
    }
}

void folder_walk_tick(WindowState* state, const Window* window) {
    FolderWalk* walk = state->walk;
    if (!walk) return;
    // A window that is closing shows nothing more: its lines would only delay the close.
    bool closing = state->close_pending != 0;
    std::unique_lock<std::mutex> held(walk->lock);
    size_t waiting = walk->pending_length - walk->pending_start;
    const char* from = walk->pending + walk->pending_start;
    size_t take = closing ? waiting : next_portion(&walk->pace, from, waiting, 0);
    char* lines = nullptr;
    if (take && !closing) {
        lines = static_cast<char*>(malloc(take + 1));
        if (lines) {
            memcpy(lines, from, take);
            lines[take] = '\0';
        } else {
            take = 0;   // tried again at the next tick
        }
    }
    walk->pending_start += take;
    if (walk->pending_start == walk->pending_length) walk->pending_start = walk->pending_length = 0;
    bool more = walk->pending_start < walk->pending_length;
    uint32_t files = __atomic_load_n(&walk->files, __ATOMIC_RELAXED), hits = walk->hits;
    bool finished = walk->finished && !more;
    bool asked = walk->question != 0;
    held.unlock();
    walk->drained.notify_all();

    if (lines) {
        append_portion(&walk->pace, window, lines, take, 1);
        free(lines);
    }
    if (asked) answer_walk(state, walk, window);
    if (finished) {
        end_walk(state, window);
        return;
    }
    show_progress(walk, window, files, hits);
    uint32_t interval = more ? BUSY_TICK_MS : TICK_MS;
    if (interval != walk->interval) {
        walk->interval = interval;
        window->ops->set_ticking(window->user, interval);
    }
}

void stop_folder_walk(WindowState* state) {
    if (state->walk) __atomic_store_n(&state->walk->stop, 1, __ATOMIC_RELAXED);
}

CommandResult folder_walk_command(WindowState* state, const Window* window, int id,
                                  int notification) {
    if (id == IDC_EDITOR && notification == NOTIFY_CHANGED) {
        mark_modified(state, window);
        return COMMAND_DONE;
    }
    if ((id == state->walk->request.button && notification == NOTIFY_CLICKED) ||
        id == IDM_FOCUS_EDITOR) {
        stop_folder_walk(state);
        return COMMAND_DONE;
    }
    return COMMAND_DONE;   // dropped, never queued
}

void release_request(FolderRequest* request) {
    free(request->query);
    free(request->replacement);
    free(request->mask);
    free(request->folder);
    free(request->pattern);
}
