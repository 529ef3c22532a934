// The README's example tables hold for the engine.
#include "query.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

// The cells of a table row ("| a | b |"), trimmed; empty when the line is no row.
Row cells(const std::string& line) {
    Row row;
    if (line.empty() || line[0] != '|') return row;
    size_t at = 1;
    for (size_t bar; (bar = line.find('|', at)) != std::string::npos; at = bar + 1) {
        std::string cell = line.substr(at, bar - at);
        size_t first = cell.find_first_not_of(' '), last = cell.find_last_not_of(' ');
        row.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return row;
}

// A code cell's text; a cell that is not code (such as "none") gives itself.
std::string code(const std::string& cell) {
    if (cell.size() >= 2 && cell.front() == '`' && cell.back() == '`')
        return cell.substr(1, cell.size() - 2);
    return cell;
}

// The rows of every table whose header is `header`.
std::vector<Row> table_rows(const Row& header) {
    std::vector<Row> rows;
    FILE* file = fopen(README_PATH, "rb");
    EXPECT_NE(file, nullptr) << README_PATH;
    if (!file) return rows;
    std::string line;
    bool inside = false;
    for (int c; (c = fgetc(file)) != EOF;) {
        if (c == '\r') continue;
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        Row row = cells(line);
        if (row.empty()) inside = false;
        else if (row == header) inside = true;
        else if (inside && row[0].find("---") == std::string::npos) rows.push_back(row);
        line.clear();
    }
    fclose(file);
    return rows;
}

TEST(Readme, QueryExamples) {
    std::vector<Row> rows = table_rows({"Query", "Text", "Match", "At byte"});
    EXPECT_GE(rows.size(), 15u);
    for (const Row& row : rows) {
        ASSERT_EQ(row.size(), 4u);
        std::string query = code(row[0]), text = code(row[1]), expected = code(row[2]);
        SCOPED_TRACE(query + " in " + text);
        uint32_t length = 0;
        const char* found = match_query(text.c_str(), query.c_str(), &length, nullptr);
        EXPECT_EQ(errno, 0);
        if (expected == "none") {
            EXPECT_EQ(found, nullptr);
            continue;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(std::string(found, length), expected);
        EXPECT_EQ(found - text.c_str(), atol(row[3].c_str()));
    }
}

TEST(Readme, ReplacementExamples) {
    std::vector<Row> rows = table_rows({"Query", "Text", "Replacement text", "Replaced by"});
    EXPECT_GE(rows.size(), 6u);
    for (const Row& row : rows) {
        ASSERT_EQ(row.size(), 4u);
        std::string query = code(row[0]), text = code(row[1]), replacement_template = code(row[2]);
        SCOPED_TRACE(query + " in " + text + " by " + replacement_template);
        char* replacement = nullptr;
        const char* found = replace_query(text.c_str(), query.c_str(),
                                          replacement_template.c_str(), nullptr, &replacement, nullptr);
        ASSERT_NE(found, nullptr) << errno;
        EXPECT_EQ(replacement, code(row[3]));
        free(replacement);
    }
}

}  // namespace
