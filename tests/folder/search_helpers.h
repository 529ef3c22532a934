// Running folder-mode Find and Replace as the window does, with the report's lines worded
// as the window words them, and the report lines that they are expected to give.
#pragma once

#include "folder.h"
#include "folder_report.h"
#include "query.h"
#include "report_order.h"
#include "temp_tree.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

// The report as the window would show it.
inline void report_sink(void* user, const FolderEvent* event) {
    std::string line(report_line_room(event), '\0');
    line.resize(format_report_line(event, &line[0], line.size()));
    *static_cast<std::string*>(user) += line;
}

// The threads that the searches below scan with (FolderJob's `threads`); 0 visits a
// single file on its own, without a walk's work. Suites that run with several counts
// set it for each.
inline uint32_t search_threads = 0;

// Runs `job` (its sink and threads set here) on the file at `path` with search_in_file,
// or with `tree` over the whole tree (`path` unused). Returns the report.
inline std::string run_job(FolderJob job, const std::string& path, const TempTree* tree = nullptr) {
    std::string report;
    job.sink = report_sink;
    job.sink_user = &report;
    job.threads = search_threads;
    if (tree) {
        std::string pattern = tree->root + SEP + "*";
        search_folder_tree(&job, pattern.c_str());
    } else {
        if (search_threads) begin_folder_job(&job);
        search_in_file(path.c_str(), 0, nullptr, nullptr, &job);
        end_folder_job(&job);
    }
    return report;
}

// The files of the tree's root in the order in which a walk meets them.
inline std::vector<std::string> walk_order(const TempTree& tree) {
    char* list = nullptr;
    walk_folder((tree.root + SEP + "*").c_str(), 0, &list, nullptr, 0, nullptr, nullptr);
    std::vector<std::string> paths;
    for (const char* line = list; line && *line;) {
        const char* end = strchr(line, '\n');
        paths.emplace_back(line, end - line);
        line = end + 1;
    }
    free(list);
    return paths;
}

// Value-parameterised suites run with these thread counts: the walk's thread alone, and
// pools of two and of eight.
constexpr uint32_t THREAD_COUNTS[] = {1, 2, 8};

// Visits the file at `path`, or walks the tree. `replacement` null means Find; the literal
// prefix is counted as the window counts it unless `prefix_length` says otherwise;
// `bytes_only`: files are taken as bytes, binary or not. Returns the report.
inline std::string search(const std::string& path, const char* query,
                          const char* replacement = nullptr, const TempTree* tree = nullptr,
                          const char* mask = "*", uint32_t prefix_length = UINT32_MAX,
                          int bytes_only = 0) {
    if (prefix_length == UINT32_MAX) prefix_length = literal_prefix_length(query);
    FolderJob job = {query, replacement, mask, prefix_length, nullptr, nullptr, nullptr,
                     nullptr, bytes_only, 0, nullptr};
    return run_job(job, path, tree);
}

// The same on one file with the search's options.
inline std::string search_with(const std::string& path, const char* query, const char* replacement,
                               int match_case, int whole_word) {
    FolderJob job = {query, replacement, "*", literal_prefix_length(query), nullptr, nullptr,
                     nullptr, nullptr, 0, 0, nullptr};
    job.match_case = match_case;
    job.whole_word = whole_word;
    return run_job(job, path);
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
