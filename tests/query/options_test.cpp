// Match case and whole word: the Windows-1251 case table, and queries compiled with the
// options.
#include "letter_case.h"
#include "option_cases.h"
#include "outcome.h"

#include <string.h>
#include <string>

namespace {

TEST(LetterCase, EachLetterOfTwoCasesAndNoOtherByte) {
    const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЂЃЉЊЌЋЏЎЈҐЄЇІЅ";
    const std::string lower = "abcdefghijklmnopqrstuvwxyzабвгдеёжзийклмнопрстуфхцчшщъыьэюяђѓљњќћџўјґєїіѕ";
    ASSERT_EQ(upper.size(), lower.size());
    int two_cases = 0;
    for (unsigned c = 0; c < 256; c++) two_cases += CP1251_CASE.other[c] != c;
    EXPECT_EQ(two_cases, static_cast<int>(2 * upper.size()));
    for (size_t i = 0; i < upper.size(); i++) {
        unsigned char u = static_cast<unsigned char>(upper[i]), l = static_cast<unsigned char>(lower[i]);
        EXPECT_EQ(CP1251_CASE.lower[u], l) << i;
        EXPECT_EQ(CP1251_CASE.upper[l], u) << i;
        EXPECT_EQ(CP1251_CASE.fold[u], CP1251_CASE.fold[l]) << i;
        EXPECT_EQ(CP1251_CASE.other[u], l) << i;
        EXPECT_TRUE(CP1251_WORD_BYTES.of[u] && CP1251_WORD_BYTES.of[l]) << i;
    }
    for (const char* word : {"µ", "0", "9"})
        EXPECT_TRUE(CP1251_WORD_BYTES.of[static_cast<unsigned char>(*word)]) << word;
    for (const char* other : {" ", "_", "-", "«", "»", "№", "\xA0", "\x98", "—"})
        EXPECT_FALSE(CP1251_WORD_BYTES.of[static_cast<unsigned char>(*other)]) << other;
    char path[] = "C:\\ПАПКА\\Ёлка Її.TXT";
    lower_case_1251(path);
    EXPECT_STREQ(path, "c:\\папка\\ёлка її.txt");
}

std::string found(int offset, int length) {
    return offset < 0 ? "none" : std::to_string(offset) + "+" + std::to_string(length);
}

TEST(QueryOptions, FindAndReplaceWithTheOptions) {
    for (const OptionCase& c : OPTION_CASES) {
        const QueryOptions options = {c.match_case, c.whole_word, nullptr};
        const char* text = c.text + c.from;
        size_t size = strlen(text);
        PreparedQuery find;
        prepare_query_with(&find, c.query, nullptr, &options);
        find.preceding = c.from > 0 ? static_cast<unsigned char>(c.text[c.from - 1]) : -1;
        std::string got = match(text, nullptr, false, &find, size);
        release_query(&find);
        if (got != "none") got = std::to_string(std::stoi(got) + c.from) + got.substr(got.find('+'));
        EXPECT_EQ(got, found(c.offset, c.length))
            << c.query << " in " << c.text << ", case " << c.match_case << " word " << c.whole_word;
        if (!c.replacement_template) continue;
        PreparedQuery rewrite;
        prepare_query_with(&rewrite, c.query, c.replacement_template, &options);
        rewrite.preceding = find.preceding;
        uint32_t length = 0;
        char* replacement = nullptr;
        const char* at = replace_prepared(&rewrite, text, size, &length, &replacement, nullptr);
        release_query(&rewrite);
        ASSERT_NE(at, nullptr) << c.query;
        EXPECT_EQ(std::string(c.text, at) + replacement + (at + length), c.replaced);
        free(replacement);
    }
}

// A caller whose text has placeholders for characters without a byte says which of them
// are letters: here 0x01 stands for é.
TEST(QueryOptions, TheCallerSaysWhichBytesAreWordCharacters) {
    WordBytes words = CP1251_WORD_BYTES;
    words.of[1] = 1;
    const QueryOptions by_caller = {1, 1, words.of}, by_code_page = {1, 1, nullptr};
    PreparedQuery query;
    prepare_query_with(&query, "caf", nullptr, &by_caller);
    EXPECT_EQ(match("caf\x01 caf", nullptr, false, &query, 8), "5+3");
    release_query(&query);
    prepare_query_with(&query, "caf", nullptr, &by_code_page);
    EXPECT_EQ(match("caf\x01 caf", nullptr, false, &query, 8), "0+3");
    release_query(&query);
}

// A window shorter than its text judges a match that ends at its end by the byte beyond,
// when it may be read; the byte before comes from the caller.
TEST(QueryOptions, WholeWordLooksAcrossTheWindowsEdges) {
    const QueryOptions options = {1, 1, nullptr};
    PreparedQuery query;
    prepare_query_with(&query, "abc", nullptr, &options);
    uint32_t length = 0;
    const char text[] = "abcd abc";
    EXPECT_EQ(match_window(&query, text, 3, 3, -1, &length), text);
    EXPECT_EQ(match_window(&query, text, 3, 8, -1, &length), nullptr);
    query.preceding = 'x';
    EXPECT_EQ(match_window(&query, text + 5, 3, 3, -1, &length), nullptr);
    query.preceding = ' ';
    EXPECT_EQ(match_window(&query, text + 5, 3, 3, -1, &length), text + 5);
    release_query(&query);
}

// The shortcut of a query that is one literal: it says "a text that begins with it
// matches", which whole word cannot promise.
TEST(QueryOptions, PlainQueriesFollowTheOptions) {
    for (int match_case = 0; match_case < 2; match_case++) {
        for (int whole_word = 0; whole_word < 2; whole_word++) {
            const QueryOptions options = {match_case, whole_word, nullptr};
            PreparedQuery query;
            prepare_query_with(&query, "Abc", nullptr, &options);
            EXPECT_EQ(query.plain != nullptr, !whole_word);
            EXPECT_EQ(match("aBCd", nullptr, false, &query, 4),
                      match_case || whole_word ? "none" : "0+3");
            release_query(&query);
        }
    }
}

}  // namespace
