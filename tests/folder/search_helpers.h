// Running folder-mode Find and Replace as the window does, into an editor held in memory,
// and the report lines that they are expected to give.
#pragma once

#include "folder.h"
#include "memory_window.h"
#include "temp_tree.h"

#include <stdint.h>
#include <string.h>
#include <string>

// Visits the file at `path` with search_in_file, or with `tree` walks the whole tree
// (`path` unused). `replacement` null means Find; the literal prefix is counted as the
// window counts it unless `prefix_length` says otherwise. Returns the report.
inline std::string search(const std::string& path, const char* query,
                          const char* replacement = nullptr, const TempTree* tree = nullptr,
                          const char* mask = "*", uint32_t prefix_length = UINT32_MAX) {
    MemoryWindow window;
    memory_window_init(&window);
    window.text_limit = 0;
    Window main_window = memory_window(&window);
    if (prefix_length == UINT32_MAX) prefix_length = static_cast<uint32_t>(strcspn(query, "*?%\\"));
    FolderJob job = {query, replacement, mask, prefix_length, &main_window};
    if (tree) {
        std::string pattern = tree->root + SEP + "*";
        walk_folder(pattern.c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, search_in_file, &job);
    } else {
        search_in_file(path.c_str(), 0, nullptr, nullptr, &job);
    }
    return editor_text(&window);
}

inline std::string search_tree(const TempTree& tree, const char* query,
                               const char* replacement = nullptr, const char* mask = "*") {
    return search("", query, replacement, &tree, mask);
}

inline std::string found(const std::string& path, long long offset) {
    return path + " \tнайдено в позиции: " + std::to_string(offset) + "\r\n";
}

inline std::string replaced(const std::string& path, long long offset) {
    return path + " \tзаменено в позиции: " + std::to_string(offset) + "\r\n";
}
