// The scan of one file for search_in_file: candidates where the query's literal prefix
// occurs, a window of at most WINDOW_SIZE bytes handed to the query engine at each, and,
// for Replace, the copy that receives the file with every hit replaced.
#pragma once

#include "find_bytes.h"
#include "fingerprint.h"
#include "folder_platform.h"
#include "query.h"
#include "replace_file.h"
#include "text_encoding.h"
#include "text_view.h"

#include <stdint.h>
#include <stdio.h>

struct FolderJob;
struct FolderEvent;

constexpr uint32_t WINDOW_SIZE = 65536;  // the most of a file that one match can span

// The bytes that begin every candidate, in one encoding of the files' text.
struct PrefixForm {
    char* bytes;             // a heap block, or the query's own bytes (`owned` 0)
    int owned;
    uint32_t length;         // 0: every offset is a candidate
    ByteFinder finder;       // finds them
    uint32_t* failure;       // their failure function, when they can overlap themselves
    int ready;
};

// What the scans of one walk share, made once: the read buffer, the prefix that begins
// every candidate in each encoding met, the view of an encoded file's text, and the
// compiled query, with what it has learnt of the file at hand.
struct ScanTools {
    const FolderJob* job;
    char* block;             // the allocation that holds the buffer
    char* buffer;            // page-aligned inside it
    uint32_t capacity;
    int searchable;          // 0: no window can hold a hit (an empty query, say)
    PrefixForm prefixes[TEXT_UTF16_BE + 1];   // by TEXT_...; ANSI made at once
    char placeholder;        // the view byte of a character without an ANSI form
    TextView view;           // an encoded file's text, once view_ready
    int view_ready;
    PreparedQuery find;      // the query for searching, once find_ready
    PreparedQuery rewrite;   // the query and template for replacing, once rewrite_ready
    int find_ready;
    int rewrite_ready;
    int find_is_prefix;      // the search's query is the ANSI prefix alone: each
                             //   candidate is a hit of its length
};

// Makes the tools for `job`. Returns 0, or -1 when memory cannot be had.
int tools_begin(ScanTools* tools, const FolderJob* job);
void tools_end(ScanTools* tools);

struct FileScan {
    const FolderJob* job;
    ScanTools* tools;
    const char* path;
    int source;              // descriptor of the file
    FileIdentity identity;   // the file as it was opened
    char* buffer;            // file bytes [buffer_start, buffer_start + buffer_length)
    int64_t buffer_start;
    uint32_t buffer_length;
    int at_end;              // the buffer reaches the end of the file
    int read_failed;
    TextForm form;           // the file's encoding, from its first bytes
    int64_t text_start;      // where its text begins, behind its mark
    const PrefixForm* prefix;   // the prefix in the file's encoding
    int encoded;             // UTF-8 or UTF-16: matched through the view
    int64_t useful_from;     // no candidate before this offset can give a hit
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
    // With an undo, the fingerprints of the old content and of the new, fed as the bytes
    // pass into the copy.
    int hashing;
    HashState old_content;
    HashState new_content;
};

// Starts the scan of a file that is open, with the walk's tools: reads its first block
// and tells its encoding (`with_binary`: and whether it is binary). Returns 0, or -1 when
// memory for its encoding's tools cannot be had.
int scan_begin(FileScan* scan, ScanTools* tools, int with_binary);
void scan_end(FileScan* scan);

// Scans the file from its start to its end (or a read error), reporting every hit and,
// while scan->copy is open, writing the rewritten file into it.
void scan_file(FileScan* scan);

// Writes the rest of the file to the copy once something was replaced. Returns 0, or -1
// when it failed (the rewriting is then given up).
int scan_finish_copy(FileScan* scan);

// Closes the copy and removes it; reports a copy that cannot be removed.
void scan_drop_copy(FileScan* scan);

// The copy is written whole: it takes the file's place now, or with its group when the
// walk commits files in groups.
void scan_commit_copy(FileScan* scan);

// Ends the rewriting of the file for `reason` (the first reason given counts): the copy
// goes, and the hits held for it are reported as found.
void scan_give_up(FileScan* scan, int reason, int error, const char* other = nullptr);


// Hands an event to the job's sink (behind what waits to be committed, if anything).
void emit(const FolderJob* job, int kind, const char* path, int64_t offset = 0, int reason = 0,
          int error = 0, const char* other = nullptr, int encoding = TEXT_ANSI);
void send_event(const FolderJob* job, const FolderEvent* event);
