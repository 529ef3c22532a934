// Running folder-mode Find and Replace on a tree as the window does, and the report
// lines they are expected to give.
#pragma once

#include "editor_sink.h"
#include "folder.h"
#include "temp_tree.h"

#include <stdint.h>
#include <string.h>
#include <string>

// The literal prefix, as the window counts it.
inline uint32_t literal_prefix(const char* query) {
    return static_cast<uint32_t>(strcspn(query, "*?%\\"));
}

// Walks the tree with search_in_file; `replacement` null means Find. Returns the report.
inline std::string search_tree(const TempTree& tree, const char* query,
                               const char* replacement = nullptr, const char* mask = "*") {
    EditorSink sink;
    FolderJob job = {query, replacement, mask, literal_prefix(query), &sink.window};
    std::string pattern = tree.root + SEP + "*";
    walk_folder(pattern.c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, search_in_file, &job);
    return sink.text;
}

// One file, visited directly.
inline std::string search_file(const std::string& path, const char* query,
                               const char* replacement = nullptr, const char* mask = "*",
                               uint32_t prefix_length = UINT32_MAX) {
    EditorSink sink;
    FolderJob job = {query, replacement, mask,
                     prefix_length == UINT32_MAX ? literal_prefix(query) : prefix_length,
                     &sink.window};
    search_in_file(path.c_str(), 0, nullptr, nullptr, &job);
    return sink.text;
}

inline std::string found(const std::string& path, long long offset) {
    return path + " \tнайдено в позиции: " + std::to_string(offset) + "\r\n";
}

inline std::string replaced(const std::string& path, long long offset) {
    return path + " \tзаменено в позиции: " + std::to_string(offset) + "\r\n";
}
