// The folder fuzzer's cases: an input read as a few knobs and a text, the text written as
// a small tree of every kind of file that the folder search tells apart, and a query and
// a template cut from the text, so that they hit.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>

struct FuzzCase {
    std::string text;          // in the ANSI code page, every file's text
    std::string query;         // as typed
    std::string replacement;   // as typed
    std::string identity;      // `X%n%Y` of two literals of the query: its own template
                               //   (empty: none)
    std::string mask;          // lower-cased
    bool undo;                 // the Replace keeps the old contents for an undo
    bool undo_copies;          //   in copies, as on another volume, rather than links
    int threads;               // the scan's threads: 1 or 2
    uint32_t stop_after;       // the events after which the Replace is stopped; 0: never
};

// The input's first bytes are knobs (what runs, the query's and template's shapes and
// where their slices of the text lie), the rest is the text. An empty text: no case.
bool read_case(const uint8_t* data, size_t size, FuzzCase* out);

// Makes, in the existing folder `root`, the files of the text in every encoding with and
// without marks (one with half a UTF-16 code unit at its end), a binary file (a zero
// byte), two names of one file, a read-only file, and a file with a copy left by an
// earlier Replace.
void make_tree(const std::string& root, const std::string& text);

// An entry of a tree as the invariants compare it.
struct TreeEntry {
    std::string bytes;   // a folder's are empty
    unsigned mode;       // its kind and permissions
    unsigned links;      // a file's names
    bool operator==(const TreeEntry& other) const {
        return bytes == other.bytes && mode == other.mode && links == other.links;
    }
};

// Every entry below `root`, by its path relative to it.
typedef std::map<std::string, TreeEntry> Tree;
Tree read_tree(const std::string& root);

// Removes `path` and everything below it.
void remove_tree(const std::string& path);
