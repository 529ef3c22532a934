// The scan of one file for search_in_file: candidates where the query's literal prefix
// occurs, a window of at most WINDOW_SIZE bytes handed to the query engine at each, and,
// for Replace, the copy that receives the file with every hit replaced.
#pragma once

#include "find_bytes.h"
#include "query.h"

#include <stdint.h>
#include <stdio.h>

struct FolderJob;

constexpr uint32_t WINDOW_SIZE = 65536;  // the most of a file that one match can span

struct FileScan {
    const FolderJob* job;
    const char* path;
    int source;              // descriptor of the file
    int64_t size_at_open;
    char* block;             // the allocation that holds the buffer
    char* buffer;            // file bytes [buffer_start, buffer_start + buffer_length)
    uint32_t capacity;
    int64_t buffer_start;
    uint32_t buffer_length;
    int at_end;              // the buffer reaches the end of the file
    int read_failed;
    uint32_t prefix_length;  // 0: every offset is a candidate
    ByteFinder finder;       // finds the prefix, the bytes that begin every candidate
    FILE* copy;              // Replace: the copy, while it is being written
    const char* copy_name;
    int64_t copied;          // the file's bytes before this offset are in the copy
    int copy_started;        // something was written to the copy
    int copy_failed;         // a write to the copy failed; the copy is gone
    int hit_reported;
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
// when it failed (the copy is then closed and removed).
int scan_finish_copy(FileScan* scan);

// Closes the copy and removes it; reports a copy that cannot be removed.
void scan_drop_copy(FileScan* scan);

// Appends one report line to the editor: `format` takes the file's path and then,
// if it has one, a 64-bit number.
void report_line(const FolderJob* job, const char* format, const char* path, int64_t number);
