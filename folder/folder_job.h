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
