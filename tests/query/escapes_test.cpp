// Backslash escapes: every known escape, unknown letters kept, the two failures.
#include "query.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

// Decodes into a buffer exactly as long as the input; "FAIL" when decoding fails.
std::string decode(const std::string& typed) {
    std::string out(typed.size() + 1, '#');  // one guard byte past the allowed length
    uint32_t n = decode_escapes(typed.data(), &out[0], static_cast<uint32_t>(typed.size()));
    EXPECT_EQ(out.back(), '#') << "wrote past the input's length for " << typed;
    return n == 0 && !typed.empty() ? "FAIL" : out.substr(0, n);
}

TEST(Escapes, Decoding) {
    EXPECT_EQ(decode("\\\"\\%\\'\\*\\?\\\\"), "\"%'*?\\");
    EXPECT_EQ(decode("\\a\\b\\f\\n\\r\\t\\v"), "\a\b\f\n\r\t\v");
    EXPECT_EQ(decode("\\012"), "\0" "12"s);  // no octal digits are read
    EXPECT_EQ(decode("a\\\\b"), "a\\b");
    EXPECT_EQ(decode("abc\\\\"), "abc\\");
    EXPECT_EQ(decode("\\q\\N\\X\\1\\\xC0"), "\\q\\N\\X\\1\\\xC0");  // kept as typed
    EXPECT_EQ(decode("\\x41\\x4g\\xff"), "A\x04\xff");
    EXPECT_EQ(decode("\\xzz"), "\0"s);
    EXPECT_EQ(decode("\\x\\n"), "\0"s);  // \x takes the two bytes after it, whatever they are
    EXPECT_EQ(decode(""), "");
}

TEST(Escapes, Failures) {
    EXPECT_EQ(decode("abc\\"), "FAIL");  // a lone backslash at the end
    EXPECT_EQ(decode("\\x4"), "FAIL");   // \x with fewer than two bytes after it
    EXPECT_EQ(decode("\\x"), "FAIL");
    char out[4];
    EXPECT_EQ(decode_escapes("a\\x41", out, 4), 0u);  // the byte after the length is not read
    EXPECT_EQ(decode_escapes("ab\\n", out, 2), 2u);
}

TEST(Escapes, ParseHexReadsAtMostEightDigits) {
    EXPECT_EQ(parse_hex("ff"), 255u);
    EXPECT_EQ(parse_hex("FFFFFFFF"), 4294967295u);
    EXPECT_EQ(parse_hex("123456789"), 0x12345678u);
    EXPECT_EQ(parse_hex("1g"), 1u);
    EXPECT_EQ(parse_hex(""), 0u);
    EXPECT_EQ(parse_hex("\xB0"), 0u);
}

}  // namespace
