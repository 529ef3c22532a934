// The threads that scan a walk's files beside it. The walk's thread lists the folders
// and tests the mask, and hands each file that passes over; each thread of the pool takes
// the next one in walk order, scans it with tools of its own, and its events and copy go
// on in the file's turn (file_order.h). At most two files a thread are in flight: the
// walk waits for room.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "folder.h"

struct ScanPool;

// Starts `threads` threads (below the normal priority) for the walk of `job`, which has
// its work. Returns null when not one could be started, with its tools: the walk's
// thread then scans alone.
ScanPool* pool_start(const FolderJob* job, uint32_t threads);

// The walk's thread: hands over a file that passed the mask. Returns VISIT_CONTINUE, or
// VISIT_STOP when the walk is to end (stopped, or memory ran out).
int pool_hand_over(ScanPool* pool, const char* path, size_t length);

// After the walk: every file handed over is scanned and has sent what it had, the
// threads end, and the pool is released. Returns 1 when not every file handed over was
// scanned to its end and reported (stopped, or memory ran out), as a walk on one thread
// would then have ended early.
int pool_finish(ScanPool* pool);
