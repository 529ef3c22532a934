// replace_query: assembling replacements from captures, errno and its precedence, limits.
#include "query.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdlib.h>
#include <string>

namespace {

constexpr uint32_t UNTOUCHED = 0xDEADBEEF;
char untouched_string[] = "untouched";

struct Replaced {
    long offset;  // -1 when the result is null
    uint32_t match_length;
    std::string replacement;  // "untouched" when not handed over
    uint32_t replacement_length;
    int error;
};

Replaced replace(const char* text, const char* query, const char* replacement_template) {
    uint32_t match_length = UNTOUCHED, replacement_length = UNTOUCHED;
    char* replacement = untouched_string;
    errno = 12345;
    const char* found = replace_query(text, query, replacement_template, &match_length,
                                      &replacement, &replacement_length);
    Replaced out{found ? found - text : -1, match_length, "", replacement_length, errno};
    if (replacement == untouched_string) {
        out.replacement = untouched_string;
    } else {
        // The string is zero-terminated at its reported length.
        EXPECT_EQ(replacement[replacement_length], '\0');
        out.replacement.assign(replacement, replacement_length);
        free(replacement);
    }
    return out;
}

std::string repeat(const char* piece, int times) {
    std::string out;
    for (int i = 0; i < times; i++) out += piece;
    return out;
}

// The common case: text "..x123y..", query "x%a%y", capture a = "123".
std::string built(const char* replacement_template, const char* text = "..x123y..",
                  const char* query = "x%a%y") {
    Replaced got = replace(text, query, replacement_template);
    EXPECT_EQ(got.error, 0) << replacement_template;
    if (got.offset < 0) return "NO MATCH";
    EXPECT_EQ(got.replacement_length, got.replacement.size());
    return got.replacement;
}

TEST(Replace, ReportsTheMatchAndTheReplacement) {
    Replaced got = replace("..x123y..", "x%a%y", "[%a%]");
    EXPECT_EQ(got.offset, 2);
    EXPECT_EQ(got.match_length, 5u);
    EXPECT_EQ(got.replacement, "[123]");
    EXPECT_EQ(got.replacement_length, 5u);
    got = replace("..x123y..", "x%a%y", "");
    EXPECT_EQ(got.offset, 2);
    EXPECT_EQ(got.match_length, 5u);
    EXPECT_EQ(got.replacement, "");
    EXPECT_EQ(got.replacement_length, 0u);
}

TEST(Replace, AssemblesCaptures) {
    EXPECT_EQ(built("<%b%>"), "<>");  // a name the query does not capture
    EXPECT_EQ(built("<%a%>", "..x123y..", "x%A%y"), "<>");  // letter case counts
    EXPECT_EQ(built("<%a%>", "..x1y2z..", "x%a%y%a%z"), "<1>");  // the first of a name
    EXPECT_EQ(built("abc%a"), "abc123");  // a reference at the end needs no closing %
    EXPECT_EQ(built("%a%%a%"), "123123");
    EXPECT_EQ(built("%a%-%a%-%a%"), "123-123-123");
    EXPECT_EQ(built("a%%b", "..x123y..", "x%%y"), "a123b");  // the empty name
    EXPECT_EQ(built("100\\%"), "100");
    EXPECT_EQ(built("100\\x25a"), "100123");
    EXPECT_EQ(built("<%a%>", "..x12%y..", "x%a%y"), "<12%>");
    EXPECT_EQ(built("<%a%>", "..xy..", "x%a%y"), "<>");
    EXPECT_EQ(built("%a%:%b%", "key=value;", "%a%=%b%;"), "key:value");
    EXPECT_EQ(built("%t%", "hello world", "o%t%"), "");  // a capture with no literal after it
}

TEST(Replace, EscapesAndZeroBytes) {
    EXPECT_EQ(built("a\\nb"), "a\nb");
    Replaced got = replace("..x123y..", "x%a%y", "a\\0b");
    EXPECT_EQ(got.replacement_length, 3u);
    EXPECT_EQ(got.replacement, std::string("a\0b", 3));
    EXPECT_EQ(built("\\0%a%\\0"), std::string("\0" "123\0", 5));
}

TEST(Replace, NoMatchWritesNothing) {
    Replaced got = replace("..x123y..", "zzz", "q");
    EXPECT_EQ(got.offset, -1);
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.match_length, UNTOUCHED);
    EXPECT_EQ(got.replacement, "untouched");
    EXPECT_EQ(got.replacement_length, UNTOUCHED);
    // An empty text is no match, and even match_length stays as it was.
    got = replace("", "x", "q");
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.match_length, UNTOUCHED);
}

TEST(Replace, OptionalPlaces) {
    char* replacement = nullptr;
    const char* text = "..x123y..";
    EXPECT_EQ(replace_query(text, "x%a%y", "<%a%>", nullptr, &replacement, nullptr), text + 2);
    EXPECT_STREQ(replacement, "<123>");
    free(replacement);
}

TEST(ReplaceErrors, EachFailure) {
    const char* text = "..x123y..";
    EXPECT_EQ(replace(text, "x%a%y", "%my_name%").error, EAGAIN);
    EXPECT_EQ(replace(text, "x%a%y", "%\xC0%").error, EAGAIN);
    EXPECT_EQ(replace(text, "x%a%y", "ok %a b").error, EAGAIN);
    EXPECT_EQ(replace(text, "x%a%y", "abc\\").error, ENOEXEC);
    EXPECT_EQ(replace(text, "x%a%y", "\\x4").error, ENOEXEC);
    EXPECT_EQ(replace(text, "x%a b%y", "q").error, EAGAIN);  // captures always asked for
    EXPECT_EQ(replace(text, "x%a%y\\", "q").error, ENOEXEC);
    EXPECT_EQ(replace(text, repeat("*", 256).c_str(), "q").error, E2BIG);
    EXPECT_EQ(replace(nullptr, "x", "q").error, EINVAL);
    Replaced got = replace(text, nullptr, "q");
    EXPECT_EQ(got.error, EINVAL);
    EXPECT_EQ(got.replacement, "untouched");
    EXPECT_EQ(replace(text, "x", nullptr).error, EINVAL);
    uint32_t length = UNTOUCHED;
    EXPECT_EQ(replace_query(text, "x", "q", &length, nullptr, nullptr), nullptr);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(length, UNTOUCHED);
}

TEST(ReplaceErrors, TemplateIsJudgedBeforeTheQuery) {
    // Each template fault wins over a faulty query, and over a query that would not match.
    EXPECT_EQ(replace("..x123y..", "x%a b%y", "abc\\").error, ENOEXEC);
    EXPECT_EQ(replace("..x123y..", "x\\", "%a_%").error, EAGAIN);
    EXPECT_EQ(replace("..x123y..", "x%a b%y", repeat("%a%", 256).c_str()).error, E2BIG);
    EXPECT_EQ(replace("..x123y..", "zzz", "abc\\").error, ENOEXEC);
    EXPECT_EQ(replace(nullptr, "x", "abc\\").error, ENOEXEC);
    EXPECT_EQ(replace("", "50%", "abc\\").error, ENOEXEC);
    // With a sound template, an empty text hides a malformed query.
    EXPECT_EQ(replace("", "50%", "q").error, 0);
}

TEST(ReplaceLimits, AtMost255Pieces) {
    Replaced got = replace("..x123y..", "x%a%y", repeat("%a%", 255).c_str());
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(got.replacement_length, 765u);
    EXPECT_EQ(got.replacement, repeat("123", 255));
    EXPECT_EQ(replace("..x123y..", "x%a%y", repeat("%a%", 256).c_str()).error, E2BIG);
    EXPECT_EQ(built(("-" + repeat("%a%", 254)).c_str()), "-" + repeat("123", 254));
    EXPECT_EQ(replace("..x123y..", "x%a%y", ("-" + repeat("%a%", 255)).c_str()).error, E2BIG);
}

TEST(ReplaceLimits, LengthThatNoCountCanHoldIsRefused) {
    // 255 references to a capture of 16843009 bytes make 2^32 - 1 bytes: the length and
    // its terminator no longer fit a 32-bit count.
    std::string text = "x" + std::string(16843009, 'b') + "y";
    Replaced got = replace(text.c_str(), "x%a%y", repeat("%a%", 255).c_str());
    EXPECT_EQ(got.offset, -1);
    EXPECT_EQ(got.error, ENOMEM);
    EXPECT_EQ(got.replacement, "untouched");
}

}  // namespace
