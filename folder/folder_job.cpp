// A folder search's work from one file to the next: what the scans share, made once.
#include "folder.h"

#include <errno.h>
#include <stdlib.h>

#include "folder_job.h"

struct FolderWork {
    ScanTools tools;
    CommitQueue commits;
    MaskList* masks;
    uint32_t hits_handed_on;   // read while the walk runs: atomic
};

ScanTools* job_tools(const FolderJob* job) {
    return &job->work->tools;
}

CommitQueue* job_commits(const FolderJob* job) {
    return &job->work->commits;
}

uint32_t hits_handed_on(const FolderJob* job) {
    return job->work ? __atomic_load_n(&job->work->hits_handed_on, __ATOMIC_RELAXED) : 0;
}

void count_hit_handed_on(const FolderJob* job) {
    if (job->work) __atomic_add_fetch(&job->work->hits_handed_on, 1, __ATOMIC_RELAXED);
}

int stop_requested(const FolderJob* job) {
    // Set by another thread: the atomic load makes sure that its store is seen.
    return job->stop && __atomic_load_n(job->stop, __ATOMIC_RELAXED) != 0;
}

const MaskList* job_masks(const FolderJob* job) {
    return job->work->masks;
}

int begin_folder_job(FolderJob* job) {
    FolderWork* work = static_cast<FolderWork*>(calloc(1, sizeof(FolderWork)));
    if (!work) return ENOMEM;
    work->masks = compile_mask_list(job->mask);
    if (!work->masks || tools_begin(&work->tools, job) != 0) {
        tools_end(&work->tools);
        release_mask_list(work->masks);
        free(work);
        return ENOMEM;
    }
    job->work = work;
    return 0;
}

void end_folder_job(FolderJob* job) {
    if (!job->work) return;
    // Every file written takes its place; after a stop, only those on their way already.
    if (stop_requested(job)) commit_abandon(&job->work->commits);
    commit_poll(&job->work->commits, job, 1);
    commit_end(&job->work->commits);
    tools_end(&job->work->tools);
    release_mask_list(job->work->masks);
    free(job->work);
    job->work = nullptr;
}

int32_t search_folder_tree(FolderJob* job, const char* pattern) {
    if (begin_folder_job(job) != 0) return WALK_CODE_NOT_ENOUGH_MEMORY;
    int32_t result =
        walk_folder(pattern, 0, nullptr, nullptr, WALK_VISIT_FILES, search_in_file, job);
    end_folder_job(job);
    return result;
}
