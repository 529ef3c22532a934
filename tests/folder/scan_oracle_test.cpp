// The block-wise scan against a plain byte-by-byte scan on many random files and
// queries: the same report lines (their lines and excerpts read off the whole file), the
// same offsets and the same rewritten bytes, and in a walk over several files the same
// report in walk order whatever the threads.
#include "folder.h"
#include "query.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

constexpr size_t WINDOW = 65536;

struct Expected {
    std::string report;
    std::string content;  // the file after the visit
};

// The line field of a hit at [offset, end) as the report's rule has it, read off the
// whole file: "строка <n>: " and the line around the match, where `shown` (the matched
// text or its replacement) stands between the marks.
std::string line_field_of(const std::string& file, size_t offset, size_t end,
                          const std::string& shown) {
    auto ends_line = [&](size_t at) {   // the byte at `at` ends a line
        return file[at] == '\n' || (file[at] == '\r' && (at + 1 == file.size() || file[at + 1] != '\n'));
    };
    auto glyphs = [](const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); i++) {
            unsigned char byte = static_cast<unsigned char>(text[i]);
            if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            out += byte == '\r' || byte == '\n' ? "¶" : byte == '\t' ? " " : byte < 0x20 ? "·" : text.substr(i, 1);
        }
        return out;
    };
    size_t line = 1, start = 0;
    for (size_t at = 0; at < offset; at++)
        if (ends_line(at)) line++, start = at + 1;
    size_t stop = end;
    while (stop < file.size() && file[stop] != '\r' && file[stop] != '\n') stop++;
    std::string before = file.substr(start, offset - start), after = file.substr(end, stop - end);
    std::string text = shown.size() <= 60 ? glyphs(shown)
                                          : glyphs(shown.substr(0, 40)) + "…" + glyphs(shown.substr(shown.size() - 20));
    return "строка " + std::to_string(line) + ": " +
           (before.size() > 40 ? "…" + glyphs(before.substr(before.size() - 40)) : glyphs(before)) +
           "‹" + text + "›" + (after.size() > 40 ? glyphs(after.substr(0, 40)) + "…" : glyphs(after));
}

// The scan read one byte at a time: the literal prefix tracked with its prefix function
// (a byte that breaks a partial match may begin the next one); at each occurrence a
// window of at most 64 KB (up to the first zero byte) goes to the engine; a hit resumes
// the scan behind the match, a miss right behind the prefix, with nothing matched. For
// Replace every byte is also written to a copy, whose write position moves back to the
// candidate when a replacement goes in; the copy is cut where it was last written.
Expected byte_by_byte(const std::string& path, const std::string& file, const char* query,
                      const char* replacement) {
    const uint32_t prefix_length = literal_prefix_length(query);
    std::vector<uint32_t> failure(prefix_length, 0);
    for (uint32_t i = 1, k = 0; i < prefix_length; i++) {
        while (k > 0 && query[i] != query[k]) k = failure[k - 1];
        if (query[i] == query[k]) k++;
        failure[i] = k;
    }
    Expected out;
    std::string copy;
    size_t write_at = 0;
    auto write = [&](const char* bytes, size_t size) {
        for (size_t i = 0; i < size; i++, write_at++) {
            if (write_at < copy.size()) copy[write_at] = bytes[i];
            else copy.push_back(bytes[i]);
        }
    };
    bool hit_reported = false;
    size_t position = 0;
    uint32_t matched = 0;
    while (position < file.size()) {
        char byte = file[position];
        if (replacement) write(&byte, 1);
        position++;
        while (matched > 0 && query[matched] != byte) matched = failure[matched - 1];
        if (query[matched] == byte) matched++;
        if (matched < prefix_length) continue;
        matched = 0;

        size_t candidate = position - prefix_length;
        std::string window = file.substr(candidate, WINDOW);
        const char* text = window.c_str();
        uint32_t length = 0;
        const char* match;
        std::string shown;
        if (replacement) {
            char* new_bytes = nullptr;
            uint32_t new_length = 0;
            match = replace_query(text, query, replacement, &length, &new_bytes, &new_length);
            if (match && length != 0) {
                write_at -= position - candidate;
                write(text, match - text);
                write(new_bytes, new_length);
                shown.assign(new_bytes ? new_bytes : "", new_length);
            }
            free(new_bytes);
        } else {
            match = match_query(text, query, &length, nullptr);
            if (match) shown.assign(match, length);
        }
        if (match && length != 0) {
            size_t offset = candidate + (match - text);
            std::string line = line_field_of(file, offset, offset + length, shown);
            out.report += replacement ? replaced(path, offset, line) : found(path, offset, line);
            hit_reported = true;
            position = offset + length;
        }
    }
    copy.resize(write_at);
    out.content = replacement && hit_reported ? copy : file;
    return out;
}

std::string pick(std::mt19937& random, const std::vector<std::string>& choices) {
    return choices[random() % choices.size()];
}

// Small alphabets, so that prefixes recur, break off and overlap.
std::string random_text(std::mt19937& random, size_t size) {
    static const char bytes[] = "aaaabbbbcc\n\r.x";
    std::string text;
    for (size_t i = 0; i < size; i++)
        text += random() % 200 == 0 ? '\0' : bytes[random() % (sizeof bytes - 1)];
    return text;
}

std::string random_query(std::mt19937& random) {
    std::string query = pick(random, {"a", "b", "ab", "aa", "ba", "abab", "aab", "c\n", "x"});
    int parts = static_cast<int>(random() % 4);
    for (int i = 0; i < parts; i++) {
        query += pick(random, {"*", "?", "%n%", "%m%", "", "\\n", "\\x61", "\\0"});
        query += pick(random, {"a", "b", "c", "ab", "ba", ".", "x", "\\*", ""});
    }
    return query;
}

std::string random_replacement(std::mt19937& random) {
    return pick(random, {"", "Z", "ZZZZZZ", "%n%", "<%n%|%m%>", "\\0", "\\", "%n", "a"});
}

// Files larger than a read block, mostly filler with a few planted fragments, so that
// prefixes and windows straddle the block boundaries.
std::string large_file(std::mt19937& random) {
    std::string text(1048576 + random() % 300000, '-');
    for (int i = 0; i < 12; i++) {
        size_t at = random() % 3 == 0 ? 1048576 - random() % 70000 : random() % text.size();
        std::string fragment = random_text(random, 1 + random() % 40);
        text.replace(at, std::min(fragment.size(), text.size() - at), fragment);
    }
    return text;
}

// Find and Replace on `files`, put in the tree's root, give what the byte-by-byte scan
// gives, file after file in walk order; with a single file, the file is visited alone.
void check(const TempTree& tree, const std::vector<std::string>& files, const std::string& query,
           const std::string& replacement) {
    std::vector<std::string> names;
    for (size_t i = 0; i < files.size(); i++) {
        names.push_back("f" + std::to_string(100 + i));
        tree.file(names.back(), files[i]);
    }
    std::string find, rewrite;
    std::map<std::string, std::string> contents;
    for (const std::string& path : walk_order(tree)) {
        const std::string& file = files[std::find(names.begin(), names.end(),
                                                  path.substr(tree.root.size() + 1)) - names.begin()];
        find += byte_by_byte(path, file, query.c_str(), nullptr).report;
        Expected rewritten = byte_by_byte(path, file, query.c_str(), replacement.c_str());
        rewrite += rewritten.report;
        contents[path] = rewritten.content;
    }
    auto searched = [&](const char* with) {
        return files.size() == 1 ? search_bytes(tree.path(names[0]), query.c_str(), with)
                                 : search(tree.root, query.c_str(), with, &tree, "*", UINT32_MAX, 1);
    };
    EXPECT_EQ(searched(nullptr), find) << query;
    EXPECT_EQ(searched(replacement.c_str()), rewrite) << query << " -> " << replacement;
    for (const std::string& name : names)
        EXPECT_TRUE(tree.read(name) == contents[tree.path(name)]) << query << " -> " << replacement;
    EXPECT_EQ(tree.entries(), names) << "a copy was left";
}

// Each case with the walk's thread alone and with pools of two and of eight threads.
class ScanOracle : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override { search_threads = GetParam(); }
    void TearDown() override { search_threads = 0; }
    TempTree tree;
};

TEST_P(ScanOracle, SmallRandomFiles) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 40 && !HasFailure(); round++) {
        std::vector<std::string> files;   // in this order: one seed, the same cases
        for (int i = 0; i < 10; i++) files.push_back(random_text(random, random() % 120));
        std::string query = random_query(random);
        check(tree, files, query, random_replacement(random));
    }
}

TEST_P(ScanOracle, FilesAcrossWindowsAndBlocks) {
    std::mt19937 random(77);
    for (int round = 0; round < 6 && !HasFailure(); round++) {
        std::vector<std::string> files = {large_file(random), large_file(random)};
        std::string query = random_query(random);
        check(tree, files, query, random_replacement(random));
    }
}

// Many candidates whose later literals are rare or missing: what the scan learns of the
// literals, and the candidates that it passes over because of it, change nothing.
TEST_P(ScanOracle, DenseCandidatesAndRareLiterals) {
    std::mt19937 random(5);
    for (const char* query : {"a*b", "a?b", "a*c*b", "a%n%b", "ab*c", "a*\\0"}) {
        std::string file(140000, '.');
        for (char& byte : file) {
            uint32_t roll = random() % 60000;
            byte = roll < 3750 ? 'a' : roll < 3752 ? 'b' : roll < 3760 ? 'c' : roll < 3761 ? '\0' : '.';
        }
        check(tree, {file}, query, "<%n%>");
    }
}

// A run of one letter with one b at its end: the first candidate's window misses it, and
// the scan passes over every candidate whose window cannot reach it. A prefix that can
// overlap itself (aa) has only every second place as a candidate, as the byte-by-byte scan
// has it; the hit is at the first of its candidates whose window holds the b.
TEST_P(ScanOracle, CandidatesPassedOverAreTheScansOwn) {
    std::string path = tree.path("f");
    for (size_t b_at : {200000u, 200001u, 1200003u}) {
        std::string file(b_at, 'a');
        file += 'b';
        tree.file("f", file);
        size_t first = b_at + 1 - WINDOW;   // the first window that holds the b begins here
        size_t aa = first + first % 2;      // candidates of aa: 0, 2, 4...
        auto line = [&](size_t at, const std::string& shown) {
            return line_field_of(file, at, file.size(), shown);
        };
        EXPECT_EQ(search(path, "a*b"), found(path, first, line(first, file.substr(first)))) << b_at;
        EXPECT_EQ(search(path, "aa*b"), found(path, aa, line(aa, file.substr(aa)))) << b_at;
        EXPECT_EQ(search(path, "aa*c"), "") << b_at;
        EXPECT_EQ(search(path, "aa*b", "X"), replaced(path, aa, line(aa, "X"))) << b_at;
        EXPECT_EQ(tree.read("f"), std::string(aa, 'a') + "X");
        // With match case off, letters of either case are followed alike.
        std::string mixed = file;
        for (size_t i = 0; i < b_at; i += 3) mixed[i] = 'A';
        tree.file("f", mixed);
        EXPECT_EQ(without_lines(search_with(path, "aA*B", nullptr, 0, 0)), found(path, aa)) << b_at;
    }
}

// Many candidates that fail, and matches that reach to a window's end.
TEST_P(ScanOracle, RepeatedPrefixes) {
    std::string file(80000, 'a');
    file[66000] = 'b';
    file[79990] = 'b';
    for (const char* query : {"aa*b", "a?b", "a*", "aaa%n%b", "ab"}) check(tree, {file}, query, "<%n%>");
}

INSTANTIATE_TEST_SUITE_P(Threads, ScanOracle, ::testing::ValuesIn(THREAD_COUNTS));

}  // namespace
