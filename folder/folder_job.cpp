// A folder search's work from one file to the next: what the scans share, made once.
#include "folder.h"

#include <errno.h>
#include <stdlib.h>

#include <new>

#include "file_order.h"
#include "folder_job.h"
#include "scan_pool.h"
#include "undo.h"

namespace {

// The most threads, whatever the cores: a 32-bit program's address space is small.
constexpr uint32_t MOST_THREADS = sizeof(void*) == 4 ? 8 : 64;

// The undo's question, asked of the user by whichever thread keeps a file's old content:
// the scans wait meanwhile.
int ask_paused(void* user) {
    WalkShared* shared = static_cast<WalkShared*>(user);
    __atomic_store_n(&shared->paused, 1, __ATOMIC_RELAXED);
    int answer = shared->asked ? shared->asked(shared->asked_user) : 0;
    {
        std::lock_guard<std::mutex> held(shared->pause_lock);
        __atomic_store_n(&shared->paused, 0, __ATOMIC_RELAXED);
    }
    shared->resumed.notify_all();
    return answer;
}

// Every scan ends; returns 1 when not every file was scanned to its end and reported.
int finish_scans(WalkShared* shared) {
    if (shared->pool) {
        if (pool_finish(shared->pool)) shared->short_of_files = 1;
        shared->pool = nullptr;
    }
    return shared->short_of_files;
}

// The threads that a job's scan uses: its `threads`, or with 0 as many as the cores; at
// most 8 in a 32-bit program, whose address space is small.
uint32_t scan_threads(const FolderJob* job) {
    uint32_t threads = job->threads ? job->threads : processor_count();
    return threads < MOST_THREADS ? threads : MOST_THREADS;
}

}  // namespace

ScanTools* job_tools(const FolderJob* job) {
    return &job->work->tools;
}

CommitQueue* job_commits(const FolderJob* job) {
    return &job->work->shared->commits;
}

FileOrder* job_order(const FolderJob* job) {
    return job->work->order;
}

void pause_point(const FolderJob* job) {
    WalkShared* shared = job->work->shared;
    if (!__atomic_load_n(&shared->paused, __ATOMIC_RELAXED)) return;
    std::unique_lock<std::mutex> held(shared->pause_lock);
    while (__atomic_load_n(&shared->paused, __ATOMIC_RELAXED)) shared->resumed.wait(held);
}

int job_has_turn(const FolderJob* job) {
    return !job->work->file || order_turn(job_order(job), job->work->file);
}

int job_ahead_of_turn(const FolderJob* job) {
    return job->work && job->work->file && !job->work->file->has_turn;
}

uint32_t hits_handed_on(const FolderJob* job) {
    return job->work ? __atomic_load_n(&job->work->shared->hits_handed_on, __ATOMIC_RELAXED) : 0;
}

void count_hits_handed_on(const FolderJob* job, uint32_t count) {
    if (job->work && count)
        __atomic_add_fetch(&job->work->shared->hits_handed_on, count, __ATOMIC_RELAXED);
}

int stop_requested(const FolderJob* job) {
    // Set by another thread: the atomic load makes sure that its store is seen.
    return job->stop && __atomic_load_n(job->stop, __ATOMIC_RELAXED) != 0;
}

const MaskList* job_masks(const FolderJob* job) {
    return job->work->shared->masks;
}

int begin_folder_job(FolderJob* job) {
    FolderWork* work = static_cast<FolderWork*>(calloc(1, sizeof(FolderWork)));
    void* block = work ? calloc(1, sizeof(WalkShared)) : nullptr;
    if (!block) {
        free(work);
        return ENOMEM;
    }
    WalkShared* shared = new (block) WalkShared();
    work->shared = shared;
    job->work = work;
    if (job->undo) {
        shared->asked = job->undo->go_on_without;
        shared->asked_user = job->undo->go_on_user;
        job->undo->go_on_without = ask_paused;
        job->undo->go_on_user = shared;
    }
    shared->masks = compile_mask_list(job->mask);
    if (!shared->masks) {
        end_folder_job(job);
        return ENOMEM;
    }
    uint32_t threads = scan_threads(job);
    if (threads > 1) shared->pool = pool_start(job, threads);
    // Alone (one core, or no threads to be had), the walk's thread scans with tools of
    // its own.
    if (!shared->pool && tools_begin(&work->tools, job) != 0) {
        end_folder_job(job);
        return ENOMEM;
    }
    return 0;
}

void end_folder_job(FolderJob* job) {
    if (!job->work) return;
    WalkShared* shared = job->work->shared;
    finish_scans(shared);
    // Every file written takes its place; after a stop, only those on their way already.
    if (stop_requested(job)) commit_abandon(&shared->commits);
    commit_poll(&shared->commits, job, 1);
    commit_end(&shared->commits);
    tools_end(&job->work->tools);
    if (job->undo) {
        job->undo->go_on_without = shared->asked;
        job->undo->go_on_user = shared->asked_user;
    }
    release_mask_list(shared->masks);
    shared->~WalkShared();
    free(shared);
    free(job->work);
    job->work = nullptr;
}

int32_t search_folder_tree(FolderJob* job, const char* pattern) {
    if (begin_folder_job(job) != 0) return WALK_CODE_NOT_ENOUGH_MEMORY;
    int32_t result =
        walk_folder(pattern, 0, nullptr, nullptr, WALK_VISIT_FILES, search_in_file, job);
    // The walk may have listed every file before the scans beside it were stopped (or
    // failed for memory): it ends as it would have ended scanning them itself.
    if (finish_scans(job->work->shared) && result == WALK_CODE_OK)
        result = WALK_CODE_OPERATION_ABORTED;
    end_folder_job(job);
    return result;
}
