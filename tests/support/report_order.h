// The folder report's lines, and a report compared byte for byte whatever order the
// platform lists the files in: the header, then each file's lines as one block, the
// blocks in any order, then `tail` (the walk's closing line, if any).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

constexpr char REPORT_HEADER[] = "Найдено в файлах:\r\n";

// A hit's line: `line` is what follows its position and `tag` (the encoding of a file
// that is not ANSI, " [UTF-8]"), "строка <n>: <excerpt>"; none for a hit whose line is
// not told.
inline std::string found(const std::string& path, long long offset, const std::string& line = "",
                         const std::string& tag = "") {
    return path + " \tнайдено в позиции: " + std::to_string(offset) + tag +
           (line.empty() ? "" : "\t" + line) + "\r\n";
}

inline std::string replaced(const std::string& path, long long offset, const std::string& line = "",
                            const std::string& tag = "") {
    return path + " \tзаменено в позиции: " + std::to_string(offset) + tag +
           (line.empty() ? "" : "\t" + line) + "\r\n";
}

// The report with every hit line cut after its position and tag: for comparing which hits
// were found where tests that are about something else.
inline std::string without_lines(const std::string& report) {
    std::string cut;
    for (size_t at = 0; at < report.size();) {
        size_t end = report.find("\r\n", at);
        end = end == std::string::npos ? report.size() : end + 2;
        std::string line = report.substr(at, end - at);
        size_t tail = line.find("\tстрока ");
        if (tail != std::string::npos) line = line.substr(0, tail) + "\r\n";
        cut += line;
        at = end;
    }
    return cut;
}

inline bool is_report(const std::string& report, std::vector<std::string> blocks,
                      const std::string& tail = "") {
    std::sort(blocks.begin(), blocks.end());
    do {
        std::string expected = REPORT_HEADER;
        for (const std::string& block : blocks) expected += block;
        if (report == expected + tail) return true;
    } while (std::next_permutation(blocks.begin(), blocks.end()));
    return false;
}
