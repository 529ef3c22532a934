#include "scan_pool.h"

#include <stdlib.h>

#include <new>

#include "file_order.h"
#include "folder_job.h"
#include "folder_platform.h"
#include "search_in_file.h"

namespace {

struct PoolThread {
    ScanPool* pool;
    FolderJob job;      // the walk's, with this thread's work
    FolderWork work;
    Thread* thread;
};

}  // namespace

struct ScanPool {
    FileOrder order;
    PoolThread* threads;
    uint32_t count;
};

namespace {

void scan_files(void* argument) {
    PoolThread* self = static_cast<PoolThread*>(argument);
    lower_own_priority();
    FileOrder* order = &self->pool->order;
    while (OrderedFile* file = order_take(order)) {
        self->work.file = file;
        pause_point(&self->job);
        // After a stop the files not begun are passed over, as the walk would pass them.
        if (order_stopping(order)) {
            order_cut_short(order, 0);
        } else if (search_passed_file(&self->job, file->path, file->path_length, file->name) ==
                   VISIT_STOP) {
            order_cut_short(order, !stop_requested(&self->job));
        }
        order_done(order, file);
        self->work.file = nullptr;
    }
}

void release_pool(ScanPool* pool) {
    for (uint32_t i = 0; i < pool->count; i++) tools_end(&pool->threads[i].work.tools);
    order_end(&pool->order);
    free(pool->threads);
    pool->~ScanPool();
    free(pool);
}

}  // namespace

ScanPool* pool_start(const FolderJob* job, uint32_t threads) {
    void* block = calloc(1, sizeof(ScanPool));
    if (!block) return nullptr;
    ScanPool* pool = new (block) ScanPool();
    pool->threads = static_cast<PoolThread*>(calloc(threads, sizeof(PoolThread)));
    if (!pool->threads || order_begin(&pool->order, job, 2 * threads) != 0) {
        release_pool(pool);
        return nullptr;
    }
    for (uint32_t i = 0; i < threads; i++) {
        PoolThread* thread = &pool->threads[i];
        thread->pool = pool;
        thread->job = *job;
        thread->job.work = &thread->work;
        thread->work.shared = job->work->shared;
        thread->work.order = &pool->order;
        if (tools_begin(&thread->work.tools, job) != 0) {
            tools_end(&thread->work.tools);
            break;
        }
        thread->thread = start_thread(scan_files, thread);
        if (!thread->thread) {
            tools_end(&thread->work.tools);
            break;
        }
        pool->count++;
    }
    if (pool->count == 0) {
        release_pool(pool);
        return nullptr;
    }
    return pool;
}

int pool_hand_over(ScanPool* pool, const char* path, size_t length) {
    pause_point(pool->order.job);
    if (order_stopping(&pool->order)) return VISIT_STOP;
    return order_hand_over(&pool->order, path, length) == 0 ? VISIT_CONTINUE : VISIT_STOP;
}

int pool_finish(ScanPool* pool) {
    order_close(&pool->order);
    for (uint32_t i = 0; i < pool->count; i++) join_thread(pool->threads[i].thread);
    int short_of_files = pool->order.short_of_files;
    release_pool(pool);
    return short_of_files;
}
