// Running folder-mode Find and Replace as the window does, with the report's lines worded
// as the window words them, and the report lines that they are expected to give.
#pragma once

#include "folder.h"
#include "folder_report.h"
#include "query.h"
#include "report_order.h"
#include "temp_tree.h"

#include <stdint.h>
#include <string.h>
#include <string>

// The report as the window would show it.
inline void report_sink(void* user, const FolderEvent* event) {
    std::string line(report_line_room(event), '\0');
    line.resize(format_report_line(event, &line[0], line.size()));
    *static_cast<std::string*>(user) += line;
}

// Visits the file at `path` with search_in_file, or with `tree` walks the whole tree
// (`path` unused). `replacement` null means Find; the literal prefix is counted as the
// window counts it unless `prefix_length` says otherwise; `bytes_only`: files are taken
// as bytes, binary or not. Returns the report.
inline std::string search(const std::string& path, const char* query,
                          const char* replacement = nullptr, const TempTree* tree = nullptr,
                          const char* mask = "*", uint32_t prefix_length = UINT32_MAX,
                          int bytes_only = 0) {
    std::string report;
    if (prefix_length == UINT32_MAX) prefix_length = literal_prefix_length(query);
    FolderJob job = {query, replacement, mask, prefix_length, report_sink, &report, nullptr,
                     nullptr, bytes_only, 0, nullptr, 0};
    if (tree) {
        std::string pattern = tree->root + SEP + "*";
        search_folder_tree(&job, pattern.c_str());
    } else {
        search_in_file(path.c_str(), 0, nullptr, nullptr, &job);
    }
    return report;
}

inline std::string search_tree(const TempTree& tree, const char* query,
                               const char* replacement = nullptr, const char* mask = "*") {
    return search("", query, replacement, &tree, mask);
}


// The scan of bytes, whatever they are (zero bytes included).
inline std::string search_bytes(const std::string& path, const char* query,
                                const char* replacement = nullptr) {
    return search(path, query, replacement, nullptr, "*", UINT32_MAX, 1);
}
