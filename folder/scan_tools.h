// What a thread that scans files keeps from one file to the next, made once: the block
// buffer, the candidate finder with the prefix in each encoding met, the view of an
// encoded file's text, and the compiled query, with what it has learnt of the file at
// hand. A scan uses nothing else of the walk but its events and its commits.
#pragma once

#include <stdint.h>

#include "candidate_finder.h"
#include "letter_case.h"
#include "query.h"
#include "text_view.h"

struct FolderJob;

struct ScanTools {
    const FolderJob* job;
    char* block;             // the allocation that holds the buffer
    char* buffer;            // page-aligned inside it
    uint32_t capacity;
    int searchable;          // 0: no window can hold a hit (an empty query, say)
    CandidateFinder finder;
    char placeholder;        // the view byte of a character without an ANSI form
    char word_placeholder;   // with whole word, that of such a letter or digit, or 0
    WordBytes words;         // the word characters of the ANSI text and of the view
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

// The compiled query for searching, or with `replacing` for replacing, made at the first
// candidate that needs it rather than at every candidate or file.
PreparedQuery* tools_query(ScanTools* tools, int replacing);

// A new file begins: what the compiled queries learnt was of the last one.
void tools_new_file(ScanTools* tools);

// The view for a file in `encoding` (UTF-8 or UTF-16), begun afresh. Null when memory
// cannot be had.
TextView* tools_view(ScanTools* tools, int encoding);
