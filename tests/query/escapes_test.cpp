// Backslash escapes: every known escape, unknown letters kept, the two failures.
#include "query.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Decodes `typed` into a buffer exactly as long, which must suffice. "FAIL" when
// decoding fails on a non-empty input.
std::string decode(const std::string& typed) {
    std::string out(typed.size() + 1, '#');  // one guard byte past the allowed length
    uint32_t n = decode_escapes(typed.data(), &out[0], static_cast<uint32_t>(typed.size()));
    EXPECT_EQ(out.back(), '#') << "wrote past the input's length for " << typed;
    if (n == 0 && !typed.empty()) return "FAIL";
    return out.substr(0, n);
}

TEST(Escapes, KnownEscapesWriteOneByte) {
    EXPECT_EQ(decode("\\\"\\%\\'\\*\\?\\\\"), "\"%'*?\\");
    EXPECT_EQ(decode("\\a\\b\\f\\n\\r\\t\\v"), "\a\b\f\n\r\t\v");
    EXPECT_EQ(decode("\\0ab"), std::string("\0ab", 3));
    EXPECT_EQ(decode("\\012"), std::string("\0" "12", 3));  // no octal digits are read
    EXPECT_EQ(decode("a\\\\b"), "a\\b");
    EXPECT_EQ(decode("abc\\\\"), "abc\\");
}

TEST(Escapes, UnknownLettersStayAsTyped) {
    EXPECT_EQ(decode("\\q"), "\\q");
    EXPECT_EQ(decode("\\N\\X\\1"), "\\N\\X\\1");
    EXPECT_EQ(decode("\\\xC0z"), "\\\xC0z");
    EXPECT_EQ(decode("plain"), "plain");
}

TEST(Escapes, HexTakesExactlyTwoBytes) {
    EXPECT_EQ(decode("\\x41"), "A");
    EXPECT_EQ(decode("\\x4g"), "\x04");
    EXPECT_EQ(decode("\\xzz"), std::string(1, '\0'));
    EXPECT_EQ(decode("\\xff\\xA0"), "\xff\xa0");
    EXPECT_EQ(decode("\\x\\n"), std::string(1, '\0'));  // the \n is eaten by \x
    EXPECT_EQ(decode("\\x414"), "A4");
}

TEST(Escapes, Failures) {
    EXPECT_EQ(decode("abc\\"), "FAIL");
    EXPECT_EQ(decode("\\"), "FAIL");
    EXPECT_EQ(decode("\\x4"), "FAIL");
    EXPECT_EQ(decode("\\x"), "FAIL");
    EXPECT_EQ(decode(""), "");
}

TEST(Escapes, ReadsOnlyTheGivenLength) {
    // The byte after the length would complete the escape; it must not be looked at.
    char out[4];
    EXPECT_EQ(decode_escapes("a\\x41", out, 4), 0u);
    EXPECT_EQ(decode_escapes("ab\\n", out, 3), 0u);
    EXPECT_EQ(decode_escapes("ab\\n", out, 2), 2u);
}

TEST(ParseHex, LeadingDigitsUpToEight) {
    EXPECT_EQ(parse_hex("ff"), 255u);
    EXPECT_EQ(parse_hex("FFFFFFFF"), 4294967295u);
    EXPECT_EQ(parse_hex("123456789"), parse_hex("12345678"));
    EXPECT_EQ(parse_hex("1g"), 1u);
    EXPECT_EQ(parse_hex("aB"), 0xABu);
    EXPECT_EQ(parse_hex(""), 0u);
    EXPECT_EQ(parse_hex("\xB0"), 0u);
}

}  // namespace
