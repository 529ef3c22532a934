// The walk's work as the visitor sees it: what each thread that scans files keeps from
// one file to the next, and what the threads of one walk share.
#pragma once

#include <stdint.h>

#include <condition_variable>
#include <mutex>

#include "commit_queue.h"
#include "scan_tools.h"
#include "folder.h"
#include "mask_list.h"

struct FileOrder;
struct OrderedFile;
struct ScanPool;

// What the threads of a walk share, made by begin_folder_job.
struct WalkShared {
    CommitQueue commits;    // reached by one thread at a time: the walk's, or the one
                            //   whose file has its turn (file_order.h)
    ScanPool* pool;         // the threads that scan beside the walk; null: the walk's
                            //   thread scans alone
    int short_of_files;     // the pool did not scan every file handed over to its end
    MaskList* masks;        // compiled once, tested on the walk's thread
    uint32_t hits_handed_on;   // read and counted by every scan: atomic
    // While the user is asked whether to go on without the undo, every scan waits at
    // its next safe point.
    std::mutex pause_lock;
    std::condition_variable resumed;
    uint8_t paused;
    int (*asked)(void* user);   // the undo's own asker, which the pause wraps
    void* asked_user;
};

// A thread's work: the walk's own (on the walk's thread), or a pool thread's, through the
// job that the pool gives that thread (the walk's, with its `work` the thread's).
struct FolderWork {
    ScanTools tools;        // made on the walk's thread only when it scans alone
    WalkShared* shared;
    FileOrder* order;       // a pool thread's: the order of the walk's files (file_order.h)
    OrderedFile* file;      //   and the file in hand, whose turn its events wait for
};

// The scan tools of the thread, the waiting commits and the order of the walk's files,
// of a job that has its work (job->work not null).
ScanTools* job_tools(const FolderJob* job);
CommitQueue* job_commits(const FolderJob* job);
FileOrder* job_order(const FolderJob* job);

// A safe point of a scan: it waits here while the user is being asked.
void pause_point(const FolderJob* job);

// 1 while the thread may reach the commit queue and the sink: always on the walk's
// thread, on a pool thread when its file has its turn.
int job_has_turn(const FolderJob* job);
// 1 on a pool thread whose file has not had its turn yet: nothing of it has gone on.
int job_ahead_of_turn(const FolderJob* job);

// The job's masks, compiled once for the walk and tested on the walk's thread.
const MaskList* job_masks(const FolderJob* job);

// The hits whose outcome is settled in walk order so far, all of files before any that is
// still scanned without its turn: handed on to the sink, or waiting behind the files in
// the commit queue (whose hits count as they join it). A file whose earlier files' hits
// are as many as the report lists needs no notes for its hits. 0 for a job without its
// work.
uint32_t hits_handed_on(const FolderJob* job);
// `count` hits were settled in walk order.
void count_hits_handed_on(const FolderJob* job, uint32_t count);
