// The walk's work as the visitor sees it.
#pragma once

#include "commit_queue.h"
#include "scan_tools.h"
#include "folder.h"
#include "mask_list.h"

// The scan tools and the waiting commits of a job that has its work (job->work not null).
ScanTools* job_tools(const FolderJob* job);
CommitQueue* job_commits(const FolderJob* job);
// The job's masks, compiled once for the walk.
const MaskList* job_masks(const FolderJob* job);

// The hits handed on to the sink so far, all of files before any that is still scanned
// (events go in walk order): a file whose scan begins when they are as many as the
// report lists needs no notes for its hits. 0 for a job without its work.
uint32_t hits_handed_on(const FolderJob* job);
// A hit was handed on to the sink.
void count_hit_handed_on(const FolderJob* job);
