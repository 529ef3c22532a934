// What a walk's listed hits were, for going to them from its report's lines: each hit's
// file, kind and offset, and what it spanned or wrote as the folder search told it, with
// the walk's own query and template, which decide what a hit is. Kept for the hits that
// the report lists, so that its memory is bounded with the report.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "folder.h"
#include "report_links.h"

// The most hit lines that a report lists; later hits are counted, not listed.
constexpr uint32_t LISTED_HITS = 20000;

struct RunHit {
    int64_t offset;               // in the file as it was before the walk
    int64_t place;                // a replaced hit's replacement in the file now: it moves
                                  //   with the replacements before it in the same file
    uint32_t match_length;        // the file's bytes that the match spanned
    uint32_t written_length;      // a replaced hit: the bytes that its replacement wrote,
    uint32_t written_characters;  //   the characters that they show as in the editor,
    uint64_t written_hash;        //   and those characters' hash (shown_hash)
    uint8_t kind;                 // HIT_FOUND or HIT_REPLACED
    uint8_t told;                 // the search told what the match spanned (and wrote):
                                  //   the lengths above hold
    uint8_t written_known;        // it told the written bytes too: the hash above holds
};

struct RunFile {
    size_t path_at;               // in RunHits::paths
    uint32_t path_length;
    uint32_t first;               // its hits are hits[first, first + count), by offset
    uint32_t count;
    int64_t shift;                // how far its replacements so far moved what follows
};

struct RunHits {
    char* query;                  // as typed; null for an undo, which has no hits
    char* replacement;            // the template that the walk matched with, or null
    uint8_t match_case;           // the search's options as they were at the press
    uint8_t whole_word;
    RunHit* hits;
    uint32_t hit_count, hit_capacity;
    RunFile* files;
    uint32_t file_count, file_capacity;
    char* paths;
    size_t paths_length, paths_capacity;
};

// An empty record with copies of the walk's query and template (either may be null).
// Null when memory cannot be had.
RunHits* new_run_hits(const char* query, const char* replacement, int match_case,
                      int whole_word);
void free_run_hits(RunHits* run);

// Records the hit of `event` (FOLDER_HIT_FOUND or FOLDER_HIT_REPLACED), in walk order.
// Returns 0, or -1 when memory cannot be had.
int record_run_hit(RunHits* run, const FolderEvent* event);

// The recorded hit that a line names by its path, kind and offset, or null.
const RunHit* find_run_hit(const RunHits* run, const HitLine* line);

// The hash by which a replaced hit's text is known again: of the characters that the
// editor shows, `length` bytes of its text.
uint64_t shown_hash(const char* text, size_t length);
