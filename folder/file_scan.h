// The scan of one file for search_in_file: candidates where the query's literal prefix
// occurs (candidate_finder.h), a window of at most WINDOW_SIZE bytes handed to the query
// engine at each (scan_window.h), and, for Replace, the copy that receives the file with
// every hit replaced (copy_writer.h). The file is read in large blocks (block_reader.h)
// with the tools of the thread that scans it (scan_tools.h); everything else of the
// file's scan is here.
#pragma once

#include <stdint.h>

#include "block_reader.h"
#include "candidate_finder.h"
#include "copy_writer.h"
#include "file_fate.h"
#include "folder_platform.h"
#include "hit_line.h"
#include "text_encoding.h"

struct FolderJob;
struct ScanTools;

struct FileScan {
    const FolderJob* job;
    ScanTools* tools;
    const char* path;
    FileIdentity identity;      // the file as it was opened
    FileBlock block;            // its bytes at hand, `block.source` its descriptor
    TextForm form;              // the file's encoding, from its first bytes
    int64_t text_start;         // where its text begins, behind its mark
    const PrefixForm* prefix;   // the prefix in the file's encoding
    int encoded;                // UTF-8 or UTF-16: matched through the view
    int64_t useful_from;        // no candidate before this offset can give a hit
    int stopped;                // the job was stopped during the scan
    uint32_t hits;              // hits reported so far
    uint32_t listed_before;     // hit lines known to be listed before the file's
    ScanCopy copy;              // Replace: the copy being written
    FileFate fate;              // Replace: what becomes of the file
    const char* copy_name;      // the name that its copy has, or would have
    int rewrite_asked;          // the search before a Replace asked, at its first
    int would_rewrite;          //   candidate, whether the Replace would rewrite the file
    LineCount lines;            // the line ends before its hits, from the first one on
};

// Starts the scan of the file that `scan->block.source` has open, with the thread's
// tools: reads its first block and tells its encoding (`with_binary`: and whether it is
// binary). Returns 0, or -1 when memory for its encoding's tools cannot be had.
int scan_begin(FileScan* scan, ScanTools* tools, int with_binary);
void scan_end(FileScan* scan);

// Scans the file from its start to its end (or a read error), reporting every hit and,
// while its copy is open, writing the rewritten file into it.
void scan_file(FileScan* scan);

// 1 when the hit that the scan takes next may be one whose line the report lists, so that
// the file tells its line and excerpt: of its first FolderJob.listed_hits hits, less the
// hits of files before it that are known to be listed already (known anew while the file
// is scanned beside the walk ahead of its turn, as the files before it settle).
int hit_listed(FileScan* scan);
