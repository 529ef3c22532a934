// match_query: where matches begin and end, captures, errno and the table limits.
#include "outcome.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* query;
    const char* text;
    const char* outcome;
};

void expect_all(const std::vector<Case>& cases, bool with_captures) {
    for (const Case& c : cases)
        EXPECT_EQ(match(c.text, c.query, with_captures), c.outcome) << c.query << " in " << c.text;
}

TEST(Match, GreedyLeftmostWithoutBacktracking) {
    expect_all({{"abc", "xxabcabc", "2+3"},      {"a?c", "abc", "0+3"},
                {"a?c", "abbc", "0+4"},          {"a?c", "ac", "none"},
                {"*.txt", "readme.txt", "6+4"},  {"*.txt", "a.txt.txt", "1+4"},
                {"?abc", "xxabc", "2+3"},        {"??abc", "xxabc", "0+5"},
                {"?ab", "abab", "2+2"},          {"o*", "hello world", "4+7"},
                {"o%x%", "hello world", "4+7"},  {"o*l", "hello world", "4+6"},
                {"*", "hello", "0+5"},           {"?", "hello", "0+1"},
                {"??", "hello", "0+2"},          {"?*", "hello", "0+5"},
                {"abc*xyz", "abc abc xyz", "0+11"}, {"abc*zzz", "abc", "none"},
                {"x*y", "yx", "none"},           {"%a b%", "abc", "0+3"}},
               false);
}

TEST(Match, EscapedSpecialsSplitRunsByTheTwoBytesBeforeThem) {
    expect_all({{"a\\*b", "xa*b", "1+3"},
                {"\\*abc", "x*abc", "1+4"},         // escaped by the query's first byte
                {"a\\\\*b", "a\\ zzb", "0+6"},      // an escaped backslash, then a wildcard
                {"a\\\\\\*b", "a\\*b", "errno 8"},  // the run ends in a lone backslash
                {"abc\\", "abc", "errno 8"},
                {"a\\x4*1", "a", "errno 8"},        // \x short within its run
                {"a\\x2ab", "a*b", "0+3"},          // a star as \x2a never opens a segment
                {"50\\%", "it is 50%", "6+3"},      {"\\%a\\%", "%a%", "0+3"},
                {"50%", "50%", "errno 11"},         {"%a%%b", "ab", "errno 11"}},
               false);
}

TEST(Match, ZeroByteInALiteralEndsTheComparison) {
    expect_all({{"a\\0", "ab", "0+2"},  // b is stepped over, not compared
                {"a\\x00zz", "abcd", "0+4"}, {"\\0ab", "xyz", "0+3"},
                {"x*\\0\\0", "xab", "0+3"}, {"a\\0*", "abcd", "0+4"}},
               false);
}

TEST(Match, NeverPastTheTextEnd) {
    expect_all({{"a?", "a", "none"},       {"a??", "ab", "none"},
                {"?", "a", "0+1"},         {"ab?*", "ab", "none"},
                {"a\\0", "xa", "none"},    {"a\\x00zz", "abc", "none"},
                {"x*\\0\\0", "x", "none"}},
               false);
    const char bytes[] = {'a', 'b', '\0', 'c', 'd', '\0'};  // what follows the zero is no text
    EXPECT_EQ(match(bytes, "b?"), "none");
    EXPECT_EQ(match(bytes, "b\\0c"), "none");
    EXPECT_EQ(match(bytes, "bc"), "none");
}

TEST(Match, Captures) {
    expect_all({{"h%x%o", "hello world", "0+5 x@1+3"},
                {"o%x%", "hello world", "4+1 x@5+0"},       // no literal: nothing, no extension
                {"h%a%%b%o", "hello world", "0+5 a@1+0 b@1+3"},
                {"%x%world", "hello world", "6+5 x@0+6"},   // reaches before the match
                {"x%a%y%%z%a%.", "..x1y2z..", "2+6 a@3+1 @5+1 a@7+0"},
                {"%Name1%zzz", "abc", "none (table)"},      // handed over all the same
                {"abc", "abc", "0+3"},
                {"a%a b%c", "abc", "errno 11 (cleared)"},
                {"%\xC0%", "abc", "errno 11 (cleared)"},
                {"x%a\\*%", "abc", "errno 11 (cleared)"},
                {"%a%x\\", "abc", "errno 8 (cleared)"}},
               true);
}

TEST(Match, EntryChecksComeBeforeTheQueryIsRead) {
    EXPECT_EQ(match(nullptr, "a", true), "errno 22 (untouched)");
    EXPECT_EQ(match("abc", nullptr, true), "errno 22 (untouched)");
    EXPECT_EQ(match("", "50%", true), "none length 0 (untouched)");
    EXPECT_EQ(match("", "abc\\"), "none length 0");
    EXPECT_EQ(match("abc", "", true), "none length 0 (untouched)");
    const char* text = "abc";
    EXPECT_EQ(match_query(text, "b", nullptr, nullptr), text + 1);  // every place optional
}

TEST(Match, AtMost255SegmentsAndCaptures) {
    EXPECT_EQ(match("abc", ("a" + repeat("*", 254)).c_str()), "0+3");
    EXPECT_EQ(match("abc", repeat("*", 255).c_str()), "0+3");
    EXPECT_EQ(match("abc", ("a" + repeat("*", 255)).c_str()), "errno 7");
    EXPECT_EQ(match("abc", (repeat("?", 255) + "%x").c_str()), "errno 7");  // before reading it
    std::string text(300, 'x');
    std::string listed = match(text.c_str(), repeat("%n%x", 255).c_str(), true);
    EXPECT_EQ(listed.substr(0, 6), "0+255 ");
    EXPECT_EQ(listed.substr(listed.size() - 8), " n@254+0");  // the 255th capture
    EXPECT_EQ(match(text.c_str(), repeat("%n%x", 256).c_str(), true), "errno 7 (cleared)");
}

// Prepared once, matched many times, over texts that end at a bound or at their first
// zero byte before it: what match_query and replace_query give for the text cut there,
// faults included, and no byte read past the bound (the sanitizers watch the buffers,
// which have no terminating zero).
TEST(Match, PreparedQueries) {
    const char* const queries[] = {"a", "ab", "a?b", "a*", "?a", "a%x%", "a%x%b", "%x%c", "b\\0",
                                   "a\\0b", "a\\x00\\x00", "*c", "c*a?", "%x%b%y%", "50%",
                                   "%a b%", "a\\", ""};
    std::mt19937 random(7);
    for (const char* query : queries) {
        for (const char* replacement_template : {"<%x%|%y%>", "", "\\", "%a b%"}) {
            PreparedQuery find, rewrite;
            prepare_query(&find, query, nullptr);
            prepare_query(&rewrite, query, replacement_template);
            for (int i = 0; i < 40; i++) {
                std::vector<char> bytes(1 + random() % 10);
                for (char& byte : bytes) byte = "abc\0"[random() % 4];
                size_t limit = random() % (bytes.size() + 1);
                std::string cut(bytes.data(), limit);
                cut = cut.c_str();  // to its first zero byte
                EXPECT_EQ(match(bytes.data(), nullptr, false, &find, limit), match(cut.c_str(), query))
                    << query << " in " << cut;
                EXPECT_EQ(replace(bytes.data(), nullptr, nullptr, &rewrite, limit),
                          replace(cut.c_str(), query, replacement_template))
                    << query << " in " << cut << " to " << replacement_template;
            }
            EXPECT_EQ(match(nullptr, nullptr, false, &find, 1), match(nullptr, query));
            EXPECT_EQ(replace(nullptr, nullptr, nullptr, &rewrite, 1),
                      replace(nullptr, query, replacement_template));
            // Each is for its own kind of call.
            EXPECT_EQ(match("abc", nullptr, false, &rewrite, 3), "errno 22");
            EXPECT_EQ(replace("abc", nullptr, nullptr, &find, 3), "errno 22");
            release_query(&find);
            release_query(&rewrite);
        }
    }
    PreparedQuery missing;
    prepare_query(&missing, nullptr, "x");
    EXPECT_EQ(replace("", nullptr, nullptr, &missing, 1), "errno 22");
    release_query(&missing);
}

// Windows of one stream matched in order, each literal's last search remembered: the
// results of matching each window on its own, and a needed end that never passes over a
// window that would match; with each option too, whole word judging a window's edges by
// the stream's bytes around it.
TEST(Match, WindowsOfAStream) {
    const char* const queries[] = {"a*b", "aa*b", "ab*c", "a?b", "b\\0", "a*b*c", "c%x%a",
                                   "a\\0b*c", "ba*"};
    const QueryOptions each_options[] = {{1, 0, nullptr}, {0, 0, nullptr}, {1, 1, nullptr}};
    const size_t window = 40;
    std::mt19937 random(11);
    for (const QueryOptions& options : each_options) {
        for (const char* query : queries) {
            for (int round = 0; round < 30; round++) {
                // Mostly a, some b and c, now and then a zero byte; spaces between words
                // for whole word, capitals for either case.
                std::string stream(300 + random() % 300, 'a');
                for (char& byte : stream)
                    byte = random() % 50 == 0    ? 'b'
                         : random() % 80 == 0    ? 'c'
                         : random() % 150 == 0   ? '\0'
                         : options.whole_word && random() % 4 == 0 ? ' '
                         : !options.match_case && random() % 3 == 0 ? 'A'
                                                 : 'a';
                PreparedQuery remembering, alone;
                prepare_query_with(&remembering, query, nullptr, &options);
                prepare_query_with(&alone, query, nullptr, &options);
                // The window from `start` on its own, as remembering sees it.
                auto match_alone = [&](size_t start, size_t limit, uint32_t* length) {
                    alone.preceding = start ? static_cast<unsigned char>(stream[start - 1]) : -1;
                    return match_window(&alone, stream.data() + start, limit,
                                        stream.size() - start, -1, length);
                };
                for (size_t start = 0; start < stream.size(); start += 1 + random() % 3) {
                    size_t readable = stream.size() - start;
                    size_t limit = readable < window ? readable : window;
                    uint32_t length = 0, expected_length = 0;
                    remembering.preceding = start ? static_cast<unsigned char>(stream[start - 1]) : -1;
                    const char* got = match_window(&remembering, stream.data() + start, limit,
                                                   readable, static_cast<int64_t>(start), &length);
                    const char* expected = match_alone(start, limit, &expected_length);
                    ASSERT_EQ(got, expected) << query << " at " << start;
                    ASSERT_EQ(got ? length : 0, got ? expected_length : 0);
                    if (got || remembering.needed_end == 0) continue;
                    // No window that ends before the needed end matches.
                    for (size_t later = start + 1; later + window < size_t(remembering.needed_end) &&
                                                   later < stream.size();
                         later++) {
                        size_t later_limit = std::min(window, stream.size() - later);
                        ASSERT_EQ(match_alone(later, later_limit, &length), nullptr)
                            << query << " at " << later << ", passed over from " << start;
                    }
                }
                release_query(&remembering);
                release_query(&alone);
            }
        }
    }
}

TEST(Tables, SizesFollowThePointerSize) {
    EXPECT_EQ(offsetof(CaptureTable, entries), 8u);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(offsetof(SegmentTable, entries) + MAX_TABLE_ENTRIES * sizeof(SegmentEntry), 3068u);
        EXPECT_EQ(offsetof(PieceTable, entries) + MAX_TABLE_ENTRIES * sizeof(PieceEntry), 3068u);
    }
    free_table(static_cast<CaptureTable*>(nullptr));
    free_table(static_cast<SegmentTable*>(nullptr));
    free_table(static_cast<PieceTable*>(nullptr));
}

}  // namespace
