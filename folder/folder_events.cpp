#include "folder_events.h"

#include <string.h>

#include "commit_queue.h"
#include "file_order.h"
#include "folder_job.h"

namespace {

size_t text_size(const char* text) { return text ? strlen(text) + 1 : 0; }

// Copies `size` bytes of `from` to `*at` and moves `*at` past them; null stays null.
const char* place(const char* from, size_t size, char** at) {
    if (!from) return nullptr;
    char* to = *at;
    if (size) memcpy(to, from, size);
    *at += size;
    return to;
}

}  // namespace

FolderEvent file_event(int kind, const char* path, int encoding) {
    return FolderEvent{kind, 0, path, 0, 0, nullptr, encoding, 0, nullptr, 0, 0, {}};
}

void send_event(const FolderJob* job, const FolderEvent* event) {
    if (job->work) {
        // Scanned beside the walk: in its file's turn.
        if (job->work->file && order_hold_event(job_order(job), job->work->file, event)) return;
        // A hit's outcome is settled here, in walk order, whether it goes on now or waits
        // behind the files in the commit queue; what the queue hands on counted as it
        // joined the queue.
        CommitQueue* commits = job_commits(job);
        if ((event->kind == FOLDER_HIT_FOUND || event->kind == FOLDER_HIT_REPLACED) &&
            !commits->handing_on)
            count_hits_handed_on(job, 1);
        if (event->kind != FOLDER_FILE_PASSED && commit_hold_event(commits, event)) return;
    }
    if (job->sink) job->sink(job->sink_user, event);
}

void send_hits(const FolderJob* job, int kind, const char* path, int encoding,
               const int64_t* offsets, uint32_t count, const HitNote* notes,
               uint32_t note_count) {
    FolderEvent event = file_event(kind, path, encoding);
    for (uint32_t i = 0; i < count; i++) {
        event.offset = offsets[i];
        // The notes are of the first hits: the event is cleared of them once.
        if (i < note_count || (i == note_count && i > 0))
            note_event(i < note_count ? &notes[i] : nullptr, &event);
        // A found hit wrote nothing; a preview tells what a Replace would write.
        if (kind == FOLDER_HIT_FOUND && !event.excerpt.preview) {
            event.written = nullptr;
            event.written_length = 0;
        }
        send_event(job, &event);
    }
}

size_t held_event_size(const FolderEvent* event) {
    return sizeof(FolderEvent) + text_size(event->path) + text_size(event->other) +
           excerpt_length(&event->excerpt) + (event->written ? event->written_length : 0);
}

FolderEvent* held_event_copy(const FolderEvent* event, void* room) {
    FolderEvent* copy = static_cast<FolderEvent*>(room);
    *copy = *event;
    char* at = reinterpret_cast<char*>(copy + 1);
    copy->path = place(event->path, text_size(event->path), &at);
    copy->other = place(event->other, text_size(event->other), &at);
    for (int piece = 0; piece < EXCERPT_PIECES; piece++) {
        // An empty piece may point anywhere: it points nowhere in the copy.
        uint8_t length = event->excerpt.lengths[piece];
        copy->excerpt.pieces[piece] =
            length ? place(event->excerpt.pieces[piece], length, &at) : nullptr;
    }
    copy->written = place(event->written, event->written_length, &at);
    return copy;
}
