// The README's example tables hold for the engine.
#include "outcome.h"

#include <fstream>
#include <vector>

namespace {

using Row = std::vector<std::string>;

// The rows below the README table whose header is `header`, cells trimmed and stripped of
// their backticks.
std::vector<Row> rows_of(const Row& header) {
    std::ifstream readme(README_PATH);
    EXPECT_TRUE(readme) << README_PATH;
    std::vector<Row> rows;
    bool inside = false;
    for (std::string line; std::getline(readme, line);) {
        Row row;
        for (size_t bar = line.find('|'), next; bar != std::string::npos && (next = line.find('|', bar + 1)) != std::string::npos; bar = next) {
            std::string cell = line.substr(bar + 1, next - bar - 1);
            cell.erase(0, cell.find_first_not_of(' '));
            cell.erase(cell.find_last_not_of(" \r") + 1);
            if (cell.size() >= 2 && cell.front() == '`' && cell.back() == '`') cell = cell.substr(1, cell.size() - 2);
            row.push_back(cell);
        }
        if (row == header) inside = true;
        else if (row.empty()) inside = false;
        else if (inside && row[0].find("---") == std::string::npos) rows.push_back(row);
    }
    return rows;
}

TEST(Readme, QueryExamples) {
    std::vector<Row> rows = rows_of({"Query", "Text", "Match", "At byte"});
    EXPECT_GE(rows.size(), 15u);
    for (const Row& row : rows) {
        std::string offset = row[3], length = std::to_string(row[2].size());
        EXPECT_EQ(match(row[1].c_str(), row[0].c_str()), row[2] == "none" ? "none" : offset + "+" + length)
            << row[0] << " in " << row[1];
        if (row[2] != "none") {
            EXPECT_EQ(row[1].substr(std::stoul(offset), row[2].size()), row[2]);
        }
    }
}

TEST(Readme, ReplacementExamples) {
    std::vector<Row> rows = rows_of({"Query", "Text", "Replacement text", "Replaced by"});
    EXPECT_GE(rows.size(), 6u);
    for (const Row& row : rows) {
        std::string got = replace(row[1].c_str(), row[0].c_str(), row[2].c_str());
        EXPECT_EQ(got.substr(got.find(' ') + 1), row[3]) << row[0] << " by " << row[2];
    }
}

}  // namespace
