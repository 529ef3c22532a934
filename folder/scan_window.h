// A candidate's window: the file from the candidate on, at most WINDOW_SIZE bytes, as the
// query engine sees it (an encoded file's through the view of its characters), the
// engine's answer there, and the way from places in the window back to the file.
#pragma once

#include <stdint.h>

#include "folder.h"
#include "query.h"
#include "text_encoding.h"

struct FileScan;

// With whole word, the bytes behind a window that the block holds too where the file goes
// on: the character after a match at the window's end, which decides whether it counts.
constexpr uint32_t WINDOW_LOOK_AHEAD = LONGEST_CHARACTER;

struct ScanWindow {
    const char* text;
    uint32_t size;
    uint32_t readable;
    int64_t offset;     // the engine's number of text[0]
    uint32_t first;     // encoded: the view's index of text[0]
    uint32_t bytes;     // the file's bytes that a whole window would span
    int whole;          // it spans them: no longer window can be had
};

// The engine's answer at a candidate.
struct WindowAnswer {
    ScanWindow window;
    const char* match;         // in the window's text, or null
    uint32_t match_length;     // a hit when not 0
    int64_t offset;            // a hit's file offsets: where it begins
    int64_t end;               //   and behind it
    char* replacement;         // a Replace's, from the engine (a heap block, or null)
    uint32_t replacement_length;
};

// Asks the engine about the candidate's window, which the block holds as far as the file
// goes, with `query`, for a Replace with its template (`replacing`). An encoded file's text is decoded as far as the engine needs
// it: most matches end soon after their candidate, so a short window comes first, then
// longer ones while the answer may grow with them. The caller releases the replacement.
// With whole word the engine is told the character before the candidate; a failure to
// read it again from the file sets the block's read_failed.
void ask_engine(FileScan* scan, PreparedQuery* query, int replacing, int64_t candidate,
                WindowAnswer* answer);

// The file offset that a place in the window stands for.
int64_t file_offset(const FileScan* scan, const ScanWindow* window, const char* at);

// Where the scan resumes after a candidate without a hit: behind its prefix, or, without
// one, at the next character.
int64_t resume_without_hit(const FileScan* scan, int64_t candidate, const ScanWindow* window);

// After a window without a match: when the engine knows how far a window must reach for
// a hit, the candidates whose windows do not reach that far are of no use (all of them
// when the file ends sooner), and the scan is told so.
void note_needed_reach(FileScan* scan, const PreparedQuery* query);
