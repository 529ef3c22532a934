#include "folder_events.h"

#include <stdlib.h>
#include <string.h>

#include "commit_queue.h"
#include "folder_job.h"

namespace {

// Where the copy of a string or of bytes goes in the block, behind what is there.
struct BlockFill {
    char* block;
    size_t used;
};

const char* put_bytes(BlockFill* fill, const char* bytes, size_t size, bool terminated) {
    if (!bytes) return nullptr;
    char* copy = fill->block + fill->used;
    if (size) memcpy(copy, bytes, size);
    fill->used += size;
    if (terminated) fill->block[fill->used++] = '\0';
    return copy;
}

}  // namespace

FolderEvent file_event(int kind, const char* path, int encoding) {
    return FolderEvent{kind, 0, path, 0, 0, nullptr, encoding, 0, nullptr, 0, 0, {}};
}

void send_event(const FolderJob* job, const FolderEvent* event) {
    if (job->work && event->kind != FOLDER_FILE_PASSED &&
        commit_hold_event(job_commits(job), event))
        return;
    if (event->kind == FOLDER_HIT_FOUND || event->kind == FOLDER_HIT_REPLACED)
        count_hit_handed_on(job);
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

int copy_event(const FolderEvent* event, FolderEvent* copy, char** block) {
    size_t path_length = event->path ? strlen(event->path) + 1 : 0;
    size_t other_length = event->other ? strlen(event->other) + 1 : 0;
    size_t text_length = excerpt_length(&event->excerpt);
    size_t size = path_length + other_length + text_length + event->written_length;
    BlockFill fill = {static_cast<char*>(malloc(size ? size : 1)), 0};
    *block = fill.block;
    if (!fill.block) return -1;
    *copy = *event;
    copy->path = put_bytes(&fill, event->path, path_length ? path_length - 1 : 0, true);
    copy->other = put_bytes(&fill, event->other, other_length ? other_length - 1 : 0, true);
    for (int piece = 0; piece < EXCERPT_PIECES; piece++)
        copy->excerpt.pieces[piece] = put_bytes(&fill, event->excerpt.pieces[piece],
                                                event->excerpt.lengths[piece], false);
    copy->written = put_bytes(&fill, event->written, event->written_length, false);
    return 0;
}
