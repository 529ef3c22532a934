// replace_query: replacements assembled from captures, errno and its precedence, limits.
#include "outcome.h"

#include <vector>

using namespace std::string_literals;

namespace {

// The common case: text "..x123y..", query "x%a%y"; the match is 2+5 and a is "123".
std::string with(const char* replacement_template) {
    return replace("..x123y..", "x%a%y", replacement_template);
}

TEST(Replace, AssemblesCapturesAndLiterals) {
    EXPECT_EQ(with("[%a%]"), "2+5 [123]");
    EXPECT_EQ(with(""), "2+5 ");
    EXPECT_EQ(with("<%b%>"), "2+5 <>");  // a name the query does not capture
    EXPECT_EQ(with("abc%a"), "2+5 abc123");  // no closing % needed at the end
    EXPECT_EQ(with("%a%%a%"), "2+5 123123");
    EXPECT_EQ(with("100\\%"), "2+5 100");  // a decoded % opens a reference too
    EXPECT_EQ(with("100\\x25a"), "2+5 100123");
    EXPECT_EQ(with("a\\nb"), "2+5 a\nb");
    EXPECT_EQ(with("a\\0b%a%\\0"), "2+5 a\0b123\0"s);
    EXPECT_EQ(replace("..x123y..", "x%A%y", "<%a%>"), "2+5 <>");  // case counts
    EXPECT_EQ(replace("..x1y2z..", "x%a%y%a%z", "<%a%>"), "2+5 <1>");  // the first of a name
    EXPECT_EQ(replace("..x123y..", "x%%y", "a%%b"), "2+5 a123b");  // the empty name
    EXPECT_EQ(replace("..x12%y..", "x%a%y", "<%a%>"), "2+5 <12%>");
    EXPECT_EQ(replace("..xy..", "x%a%y", "<%a%>"), "2+2 <>");
    EXPECT_EQ(replace("key=value;", "%k%=%v%;", "%v%=%k%;"), "3+7 value=key;");
    EXPECT_EQ(replace("..x123y..", "zzz", "q"), "none");
}

TEST(Replace, Errors) {
    EXPECT_EQ(with("%my_name%"), "errno 11");
    EXPECT_EQ(with("%\xC0%"), "errno 11");
    EXPECT_EQ(with("abc\\"), "errno 8");
    EXPECT_EQ(with("\\x4"), "errno 8");
    EXPECT_EQ(replace("..x123y..", "x%a b%y", "q"), "errno 11");  // captures always asked for
    EXPECT_EQ(replace(nullptr, "x", "q"), "errno 22");
    EXPECT_EQ(replace("..x123y..", nullptr, "q"), "errno 22");
    EXPECT_EQ(replace("..x123y..", "x", nullptr), "errno 22");
    uint32_t length = UNTOUCHED;
    EXPECT_EQ(replace_query("abc", "b", "q", &length, nullptr, nullptr), nullptr);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(length, UNTOUCHED);
}

TEST(Replace, TemplateFaultsWinOverQueryFaults) {
    EXPECT_EQ(replace("..x123y..", "x%a b%y", "abc\\"), "errno 8");
    EXPECT_EQ(replace("..x123y..", "x\\", "%a_%"), "errno 11");
    EXPECT_EQ(replace("..x123y..", "x%a b%y", repeat("%a%", 256).c_str()), "errno 7");
    EXPECT_EQ(replace("..x123y..", "zzz", "abc\\"), "errno 8");
    EXPECT_EQ(replace(nullptr, "x", "abc\\"), "errno 8");
    EXPECT_EQ(replace("", "50%", "q"), "none");  // an empty text hides a faulty query
}

TEST(Replace, AtMost255Pieces) {
    EXPECT_EQ(with(repeat("%a%", 255).c_str()), "2+5 " + repeat("123", 255));
    EXPECT_EQ(with(repeat("%a%", 256).c_str()), "errno 7");
    EXPECT_EQ(with(("-" + repeat("%a%", 254)).c_str()), "2+5 -" + repeat("123", 254));
    EXPECT_EQ(with(("-" + repeat("%a%", 255)).c_str()), "errno 7");
}

TEST(Replace, LengthBeyondA32BitCountIsRefused) {
    // 255 copies of a 16843009-byte capture make 2^32 - 1 bytes, with no room for the zero.
    std::string text = "x" + std::string(16843009, 'b') + "y";
    EXPECT_EQ(replace(text.c_str(), "x%a%y", repeat("%a%", 255).c_str()), "errno 12");
}

}  // namespace
