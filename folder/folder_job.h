// The walk's work as the visitor sees it.
#pragma once

#include "commit_queue.h"
#include "scan_tools.h"
#include "folder.h"

// The scan tools and the waiting commits of a job that has its work (job->work not null).
ScanTools* job_tools(const FolderJob* job);
CommitQueue* job_commits(const FolderJob* job);
