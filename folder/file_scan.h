// The scan of one file for search_in_file: candidates where the query's literal prefix
// occurs, a window of at most WINDOW_SIZE bytes handed to the query engine at each, and,
// for Replace, the copy that receives the file with every hit replaced.
#pragma once

#include "find_bytes.h"
#include "folder_platform.h"
#include "query.h"
#include "replace_file.h"

#include <stdint.h>
#include <stdio.h>

struct FolderJob;

constexpr uint32_t WINDOW_SIZE = 65536;  // the most of a file that one match can span

struct FileScan {
    const FolderJob* job;
    const char* path;
    int source;              // descriptor of the file
    FileIdentity identity;   // the file as it was opened
    char* block;             // the allocation that holds the buffer
    char* buffer;            // file bytes [buffer_start, buffer_start + buffer_length)
    uint32_t capacity;
    int64_t buffer_start;
    uint32_t buffer_length;
    int at_end;              // the buffer reaches the end of the file
    int read_failed;
    uint32_t prefix_length;  // 0: every offset is a candidate
    ByteFinder finder;       // finds the prefix, the bytes that begin every candidate
    FileCopy copy;           // Replace: the copy (its stream open while it is written)
    int64_t copied;          // the file's bytes before this offset are in the copy
    int copy_started;        // something was written to the copy
    int copy_failed;         // a write to the copy failed; the copy is gone
    int stopped;             // the job was stopped during the scan
    uint32_t hits;           // hits reported so far
    // Hits written into the copy, reported once the file's fate is known: replaced when
    // the copy takes its place, found otherwise.
    int64_t* held;
    uint32_t held_count;
    uint32_t held_capacity;
    int given_up;            // the rewriting was given up: a FOLDER_NOT_CHANGED follows
    int reason;              //   with this REASON_...
    int error;               //   and this errno value
    const char* other;       //   and this second path
    PreparedQuery find;      // the query for searching, once find_ready
    PreparedQuery rewrite;   // the query and template for replacing, once rewrite_ready
    int find_ready;
    int rewrite_ready;
};

// Sets the prefix that begins every candidate (`length` at most WINDOW_SIZE).
void scan_set_prefix(FileScan* scan, const char* prefix, uint32_t length);

// Allocates the scan's buffer. Returns 0, or -1 when memory cannot be had.
int scan_begin(FileScan* scan);
void scan_end(FileScan* scan);

// Scans the file from its start to its end (or a read error), reporting every hit and,
// while scan->copy is open, writing the rewritten file into it.
void scan_file(FileScan* scan);

// Writes the rest of the file to the copy once something was replaced. Returns 0, or -1
// when it failed (the rewriting is then given up).
int scan_finish_copy(FileScan* scan);

// Closes the copy and removes it; reports a copy that cannot be removed.
void scan_drop_copy(FileScan* scan);

// Ends the rewriting of the file for `reason` (the first reason given counts): the copy
// goes, and the hits held for it are reported as found.
void scan_give_up(FileScan* scan, int reason, int error, const char* other = nullptr);

// The copy took the file's place: the held hits are reported as replaced.
void scan_report_replaced(FileScan* scan);

// Hands an event to the job's sink.
void emit(const FolderJob* job, int kind, const char* path, int64_t offset = 0, int reason = 0,
          int error = 0, const char* other = nullptr);
