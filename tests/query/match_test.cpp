// match_query: where matches begin and end, captures, errno and the table limits.
#include "query.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stddef.h>
#include <string>
#include <vector>

namespace {

constexpr uint32_t UNTOUCHED = 0xDEADBEEF;
constexpr long NONE = -1;

struct Outcome {
    long offset;      // NONE when the result is null
    uint32_t length;  // UNTOUCHED when match_length was not written
    int error;
};

Outcome run(const char* text, const char* query, CaptureTable** captures = nullptr) {
    uint32_t length = UNTOUCHED;
    errno = 12345;
    const char* found = match_query(text, query, &length, captures);
    int error = errno;
    return {found ? found - text : NONE, length, error};
}

struct Case {
    const char* query;
    const char* text;
    long offset;
    uint32_t length;
};

void expect_cases(const Case* cases, size_t count) {
    for (size_t i = 0; i < count; i++) {
        const Case& c = cases[i];
        Outcome got = run(c.text, c.query);
        SCOPED_TRACE(std::string("query '") + c.query + "' text '" + c.text + "'");
        EXPECT_EQ(got.error, 0);
        EXPECT_EQ(got.offset, c.offset);
        EXPECT_EQ(got.length, c.offset == NONE ? UNTOUCHED : c.length);
    }
}

TEST(Match, GreedyLeftmostWithoutBacktracking) {
    const Case cases[] = {
        {"abc", "xxabcabc", 2, 3},
        {"a?c", "abc", 0, 3},
        {"a?c", "abbc", 0, 4},
        {"a?c", "ac", NONE, 0},
        {"*.txt", "readme.txt", 6, 4},
        {"*.txt", "a.txt.txt", 1, 4},
        {"?abc", "xxabc", 2, 3},
        {"??abc", "xxabc", 0, 5},
        {"o*", "hello world", 4, 7},
        {"o%x%", "hello world", 4, 7},
        {"*", "hello", 0, 5},
        {"?", "hello", 0, 1},
        {"??", "hello", 0, 2},
        {"?*", "hello", 0, 5},
        {"abc*xyz", "abc abc xyz", 0, 11},
        {"abc*zzz", "abc", NONE, 0},
        {"b*b", "abab", 1, 3},
        {"a*b*a", "ab ba", 0, 5},
        {"l*o", "hello", 2, 3},       // first l, then the first o after it
        {"o*l", "hello world", 4, 6},  // the later l of "world"
        {"?ab", "abab", 2, 2},        // ? steps off the first a, so the first ab is missed
        {"x*y", "yx", NONE, 0},
        {"%%", "abc", 0, 3},
        {"ab*", "ab", 0, 2},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(Match, EscapedSpecialsAndRunSplitting) {
    const Case cases[] = {
        {"a\\*b", "xa*b", 1, 3},
        {"a\\\\*b", "a\\ zzb", 0, 6},    // a backslash literal, then a wildcard
        {"\\*abc", "x*abc", 1, 4},     // escaped by the query's first byte
        {"a\\x2ab", "a*b aab", 0, 3},  // \x2a is a star, never a wildcard
        {"50\\%", "it is 50%", 6, 3},
        {"a\\?c", "abc a?c", 4, 3},
        {"\\%a\\%", "%a%", 0, 3},
        {"a\\tb", "a\tb", 0, 3},
        {"\\q", "a\\q", 1, 2},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
    EXPECT_EQ(run("anything", "a\\\\\\*b").error, ENOEXEC);  // run ends in a lone backslash
    EXPECT_EQ(run("abc", "abc\\").error, ENOEXEC);
    EXPECT_EQ(run("abc", "a*b\\x4").error, ENOEXEC);  // \x short within its run
    EXPECT_EQ(run("abc", "a\\x4*1").error, ENOEXEC);
}

TEST(Match, LiteralWithZeroByteComparesUpToIt) {
    const Case cases[] = {
        {"a\\0", "ab", 0, 2},            // b is stepped over by the literal's length
        {"a\\0", "xa", NONE, 0},         // ...which would run past the text's end
        {"a\\x00zz", "abcd", 0, 4},
        {"a\\x00zz", "abc", NONE, 0},
        {"\\0ab", "xyz", 0, 3},          // nothing compared at all
        {"x*\\0\\0", "x", NONE, 0},
        {"x*\\0\\0", "xab", 0, 3},
        {"a\\0*", "abcd", 0, 4},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(Match, NeverStepsPastTheTextEnd) {
    const Case cases[] = {
        {"a?", "a", NONE, 0},
        {"??", "a", NONE, 0},
        {"a??", "ab", NONE, 0},
        {"a?", "ab", 0, 2},
        {"?", "a", 0, 1},
        {"ab?*", "ab", NONE, 0},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
    // The byte after the terminator belongs to no text.
    const char buffer[] = {'a', 'b', '\0', 'c', 'd', '\0'};
    EXPECT_EQ(run(buffer, "b?").offset, NONE);
    EXPECT_EQ(run(buffer, "b\\0c").offset, NONE);
    EXPECT_EQ(run(buffer, "bc").offset, NONE);
}

// ---- captures

struct Captured {
    std::string name;
    long start;
    int32_t length;
};

std::vector<Captured> captured(const char* text, const CaptureTable* table) {
    std::vector<Captured> out;
    for (uint32_t i = 0; i < table->count; i++) {
        const CaptureEntry& e = table->entries[i];
        out.push_back({e.name, e.start ? e.start - text : NONE, e.length});
    }
    return out;
}

bool operator==(const Captured& a, const Captured& b) {
    return a.name == b.name && a.start == b.start && a.length == b.length;
}

std::ostream& operator<<(std::ostream& os, const Captured& c) {
    return os << c.name << "@" << c.start << "+" << c.length;
}

TEST(Captures, StartAndLength) {
    const char* text = "hello world";
    CaptureTable* table = nullptr;
    Outcome got = run(text, "h%x%o", &table);
    EXPECT_EQ(got.offset, 0);
    EXPECT_EQ(got.length, 5u);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(captured(text, table), (std::vector<Captured>{{"x", 1, 3}}));
    free_table(table);
    got = run(text, "h%x%o");
    EXPECT_EQ(got.offset, 0);
    EXPECT_EQ(got.length, 5u);
}

TEST(Captures, WithoutLiteralCaptureNothingAndDoNotExtend) {
    const char* text = "hello world";
    CaptureTable* table = nullptr;
    Outcome got = run(text, "o%x%", &table);
    EXPECT_EQ(got.offset, 4);
    EXPECT_EQ(got.length, 1u);
    EXPECT_EQ(captured(text, table), (std::vector<Captured>{{"x", 5, 0}}));
    free_table(table);

    table = nullptr;
    got = run(text, "h%a%%b%o", &table);
    EXPECT_EQ(got.length, 5u);
    EXPECT_EQ(captured(text, table), (std::vector<Captured>{{"a", 1, 0}, {"b", 1, 3}}));
    free_table(table);
}

TEST(Captures, LeadingCaptureCoversTextBeforeTheMatch) {
    const char* text = "hello world";
    CaptureTable* table = nullptr;
    Outcome got = run(text, "%x%world", &table);
    EXPECT_EQ(got.offset, 6);
    EXPECT_EQ(got.length, 5u);
    EXPECT_EQ(captured(text, table), (std::vector<Captured>{{"x", 0, 6}}));
    free_table(table);
}

TEST(Captures, EmptyAndDuplicateNamesInQueryOrder) {
    const char* text = "..x1y2z..";
    CaptureTable* table = nullptr;
    Outcome got = run(text, "x%a%y%%z%a%.", &table);
    EXPECT_EQ(got.offset, 2);
    EXPECT_EQ(got.length, 6u);
    EXPECT_EQ(captured(text, table),
              (std::vector<Captured>{{"a", 3, 1}, {"", 5, 1}, {"a", 7, 0}}));
    free_table(table);
}

TEST(Captures, HandedOverEvenWithoutAMatch) {
    CaptureTable* table = nullptr;
    Outcome got = run("abc", "a%Name1%zzz", &table);
    EXPECT_EQ(got.offset, NONE);
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.length, UNTOUCHED);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->count, 1u);
    EXPECT_STREQ(table->entries[0].name, "Name1");
    free_table(table);
}

TEST(Captures, NameBytesCheckedOnlyWhenCapturing) {
    CaptureTable* table = nullptr;
    EXPECT_EQ(run("a b c", "a%a b%c", &table).error, EAGAIN);
    EXPECT_EQ(table, nullptr);
    Outcome got = run("a b c", "a%a b%c");
    EXPECT_EQ(got.offset, 0);
    EXPECT_EQ(got.length, 5u);
    for (const char* bad : {"%my_name%", "%\xC0%", "x%a\\*%"}) {
        table = reinterpret_cast<CaptureTable*>(1);  // must be reset to null
        EXPECT_EQ(run("abc", bad, &table).error, EAGAIN) << bad;
        EXPECT_EQ(table, nullptr) << bad;
    }
}

// ---- errno and what is written

TEST(Errors, EntryChecksComeFirst) {
    CaptureTable* table = reinterpret_cast<CaptureTable*>(1);
    Outcome got = run(nullptr, "a", &table);
    EXPECT_EQ(got.offset, NONE);
    EXPECT_EQ(got.error, EINVAL);
    EXPECT_EQ(got.length, UNTOUCHED);
    EXPECT_EQ(table, reinterpret_cast<CaptureTable*>(1));  // not written
    EXPECT_EQ(run("abc", nullptr).error, EINVAL);

    // Empty text or query: length 0, errno 0, even for a malformed query.
    for (const char* query : {"50%", "abc\\", ""}) {
        got = run("", query, &table);
        EXPECT_EQ(got.offset, NONE);
        EXPECT_EQ(got.error, 0);
        EXPECT_EQ(got.length, 0u);
    }
    got = run("abc", "", &table);
    EXPECT_EQ(got.length, 0u);
    EXPECT_EQ(table, reinterpret_cast<CaptureTable*>(1));
}

TEST(Errors, MalformedQueries) {
    EXPECT_EQ(run("50%", "50%").error, EAGAIN);
    EXPECT_EQ(run("50%", "%abc").error, EAGAIN);
    EXPECT_EQ(run("abc", "a\\\\\\*b").error, ENOEXEC);
    Outcome got = run("50%", "50\\%");
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.length, 3u);
    EXPECT_EQ(run("abc", "%a%%b").error, EAGAIN);  // the second % opens an unclosed name
}

TEST(Errors, NoMatchLeavesLengthUnwrittenAndErrnoZero) {
    Outcome got = run("abc", "abd");
    EXPECT_EQ(got.offset, NONE);
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.length, UNTOUCHED);
    const char* text = "abc";
    EXPECT_EQ(match_query(text, "b", nullptr, nullptr), text + 1);  // every place optional
}

// ---- the 255 limits

std::string repeat(const char* piece, int times) {
    std::string out;
    for (int i = 0; i < times; i++) out += piece;
    return out;
}

TEST(Limits, AtMost255Segments) {
    Outcome got = run("abc", ("a" + repeat("*", 254)).c_str());
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.length, 3u);
    EXPECT_EQ(run("abc", repeat("*", 255).c_str()).error, 0);
    EXPECT_EQ(run("abc", ("a" + repeat("*", 255)).c_str()).error, E2BIG);
    EXPECT_EQ(run("abc", repeat("*", 256).c_str()).error, E2BIG);
    // The limit is found before the 256th segment is read, even a malformed one.
    EXPECT_EQ(run("abc", (repeat("?", 255) + "%x").c_str()).error, E2BIG);
}

TEST(Limits, AtMost255Captures) {
    CaptureTable* table = nullptr;
    std::string text(300, 'x');
    Outcome got = run(text.c_str(), repeat("%n%x", 255).c_str(), &table);
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.length, 255u);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->count, 255u);
    free_table(table);
    table = nullptr;
    EXPECT_EQ(run(text.c_str(), repeat("%n%x", 256).c_str(), &table).error, E2BIG);
    EXPECT_EQ(table, nullptr);
}

TEST(Limits, TablesShrinkToTheirCount) {
    CaptureTable* table = nullptr;
    run("abc", "a%x%b%y%c", &table);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->count, 2u);
    EXPECT_EQ(table->byte_size, offsetof(CaptureTable, entries) + 2 * sizeof(CaptureEntry));
    free_table(table);
    table = nullptr;
    run("abc", "abc", &table);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->count, 0u);
    EXPECT_EQ(table->byte_size, offsetof(CaptureTable, entries));
    free_table(table);
}

TEST(Tables, ShapeFollowsThePointerSize) {
    EXPECT_EQ(offsetof(CaptureTable, entries), 8u);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(sizeof(CaptureEntry), 12u);
        EXPECT_EQ(sizeof(SegmentEntry), 12u);
        EXPECT_EQ(sizeof(PieceEntry), 12u);
        EXPECT_EQ(offsetof(CaptureTable, entries) + MAX_TABLE_ENTRIES * sizeof(CaptureEntry), 3068u);
    }
    free_table(static_cast<CaptureTable*>(nullptr));
    free_table(static_cast<SegmentTable*>(nullptr));
    free_table(static_cast<PieceTable*>(nullptr));
}

}  // namespace
