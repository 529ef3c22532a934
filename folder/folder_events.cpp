#include "folder_events.h"

#include "commit_queue.h"
#include "folder_job.h"

FolderEvent file_event(int kind, const char* path, int encoding) {
    return FolderEvent{kind, 0, path, 0, 0, nullptr, encoding, 0, nullptr, 0};
}

void send_event(const FolderJob* job, const FolderEvent* event) {
    if (job->work && event->kind != FOLDER_FILE_PASSED &&
        commit_hold_event(job_commits(job), event))
        return;
    if (job->sink) job->sink(job->sink_user, event);
}

void send_hits(const FolderJob* job, int kind, const char* path, int encoding,
               const int64_t* offsets, uint32_t count) {
    FolderEvent event = file_event(kind, path, encoding);
    for (uint32_t i = 0; i < count; i++) {
        event.offset = offsets[i];
        send_event(job, &event);
    }
}
