// The user's guide that the program shows at start-up: every example in it holds for the
// engine, and the file is what the editor can show (Windows-1251, CR LF, under 16 KB).
//
// An example is a line that begins with «запрос «» and reads one of
//   запрос «Q» в тексте «T» находит «M»
//   запрос «Q» в тексте «T» ничего не находит
//   запрос «Q» с заменой «R» превращает «T» в «U»
// possibly followed by the options that it is for: « (без учёта регистра)», « (слово
// целиком)» or both, « (без учёта регистра, слово целиком)». The guide writes texts as
// queries are written, so T, M and U are escape-decoded.
#include "query.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

std::string read_guide() {
    std::string bytes;
    FILE* file = fopen(GUIDE_PATH, "rb");
    EXPECT_NE(file, nullptr) << GUIDE_PATH;
    if (!file) return bytes;
    char block[4096];
    for (size_t got; (got = fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
    fclose(file);
    return bytes;
}

std::vector<std::string> lines_of(const std::string& bytes) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < bytes.size(); at = end + 2) {
        end = bytes.find("\r\n", at);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(at, end - at));
    }
    return lines;
}

std::string decoded(const std::string& typed) {
    std::string out(typed.size(), '\0');
    uint32_t length = decode_escapes(typed.data(), &out[0], static_cast<uint32_t>(typed.size()));
    EXPECT_TRUE(length > 0 || typed.empty()) << typed;
    out.resize(length);
    return out;
}

// Reads `before`, then a quoted text, from `line` at `at`; false when the line differs.
bool take_quoted(const std::string& line, size_t* at, const std::string& before,
                 std::string* quoted) {
    const std::string open = before + "«";
    if (line.compare(*at, open.size(), open) != 0) return false;
    size_t start = *at + open.size();
    size_t close = line.find("»", start);
    if (close == std::string::npos) return false;
    *quoted = line.substr(start, close - start);
    *at = close + std::string("»").size();
    return true;
}

struct Example {
    std::string query, text, replacement, expected;
    enum { FINDS, FINDS_NOTHING, REPLACES } kind;
    QueryOptions options;
};

struct OptionsNamed {
    const char* ending;
    QueryOptions options;
};

const OptionsNamed OPTIONS_NAMED[] = {
    {" (без учёта регистра)", {0, 0, nullptr}},
    {" (слово целиком)", {1, 1, nullptr}},
    {" (без учёта регистра, слово целиком)", {0, 1, nullptr}},
};

// Parses an example line; false when it has none of the three forms.
bool parse_example(std::string line, Example* example) {
    example->options = {1, 0, nullptr};
    for (const OptionsNamed& named : OPTIONS_NAMED) {
        size_t length = strlen(named.ending);
        if (line.size() > length && line.compare(line.size() - length, length, named.ending) == 0) {
            example->options = named.options;
            line.resize(line.size() - length);
        }
    }
    size_t at = line.find_first_not_of(' ');
    if (!take_quoted(line, &at, "запрос ", &example->query)) return false;
    if (take_quoted(line, &at, " в тексте ", &example->text)) {
        if (line.substr(at) == " ничего не находит") {
            example->kind = Example::FINDS_NOTHING;
            return true;
        }
        example->kind = Example::FINDS;
        return take_quoted(line, &at, " находит ", &example->expected) && at == line.size();
    }
    example->kind = Example::REPLACES;
    return take_quoted(line, &at, " с заменой ", &example->replacement) &&
           take_quoted(line, &at, " превращает ", &example->text) &&
           take_quoted(line, &at, " в ", &example->expected) && at == line.size();
}

// What the engine makes of an example, in the guide's terms, compiled with its options
// as the editor compiles it.
std::string outcome(const Example& example) {
    std::string text = decoded(example.text);
    uint32_t length = 0;
    PreparedQuery prepared;
    bool replaces = example.kind == Example::REPLACES;
    prepare_query_with(&prepared, example.query.c_str(),
                       replaces ? example.replacement.c_str() : nullptr, &example.options);
    char* replacement = nullptr;
    uint32_t replacement_length = 0;
    const char* found =
        replaces ? replace_prepared(&prepared, text.c_str(), text.size(), &length, &replacement,
                                    &replacement_length)
                 : match_prepared(&prepared, text.c_str(), text.size(), &length);
    release_query(&prepared);
    if (!found) return "nothing";
    if (!replaces) return std::string(found, length);
    size_t offset = found - text.c_str();
    std::string result = text.substr(0, offset) + std::string(replacement, replacement_length) +
                         text.substr(offset + length);
    free(replacement);
    return result;
}

TEST(Guide, IsWindows1251TextWithCrLfUnder16KB) {
    std::string bytes = read_guide();
    EXPECT_GT(bytes.size(), 1000u);
    EXPECT_LT(bytes.size(), 16u * 1024);
    for (size_t i = 0; i < bytes.size(); i++) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        EXPECT_NE(c, 0x98) << "no such character in Windows-1251, at byte " << i;
        EXPECT_TRUE(c >= 0x20 || c == '\t' || c == '\r' || c == '\n') << "byte " << i;
        if (c == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at byte " << i;
        }
        if (c == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at byte " << i;
        }
    }
    // The Cyrillic letters are the single bytes of Windows-1251, not UTF-8 pairs.
    EXPECT_NE(bytes.find("ЗАПРОС"), std::string::npos);
    EXPECT_EQ(bytes.find("\xD0\x97"), std::string::npos);
}

TEST(Guide, EveryExampleHolds) {
    int counts[3] = {};
    for (const std::string& line : lines_of(read_guide())) {
        if (line.find("запрос «") == std::string::npos) continue;
        Example example;
        ASSERT_TRUE(parse_example(line, &example)) << "not an example's form: " << line;
        std::string expected =
            example.kind == Example::FINDS_NOTHING ? "nothing" : decoded(example.expected);
        EXPECT_EQ(outcome(example), expected) << line;
        counts[example.kind]++;
    }
    EXPECT_GE(counts[Example::FINDS], 15);
    EXPECT_GE(counts[Example::FINDS_NOTHING], 2);
    EXPECT_GE(counts[Example::REPLACES], 5);
}

TEST(Guide, AnExampleThatIsWrongFails) {
    Example example;
    ASSERT_TRUE(parse_example("  запрос «a?c» в тексте «ac» находит «ac»", &example));
    EXPECT_NE(outcome(example), decoded(example.expected));
    EXPECT_FALSE(parse_example("  запрос «a?c» в тексте «ac» находит", &example));
    // The options named after an example are those that it is run with.
    ASSERT_TRUE(parse_example("  запрос «Ab» в тексте «aB» находит «aB»", &example));
    EXPECT_NE(outcome(example), decoded(example.expected));
    ASSERT_TRUE(parse_example("  запрос «Ab» в тексте «aB» находит «aB» (без учёта регистра)", &example));
    EXPECT_EQ(outcome(example), decoded(example.expected));
}

}  // namespace
