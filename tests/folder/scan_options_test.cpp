// Folder Find and Replace with «Учитывать регистр» and «Слово целиком», in files of every
// encoding: the hits are those of the editor's Find over the same text, from its start and
// then from behind each hit, and Replace puts the engine's replacement at each of them.
#include "option_cases.h"
#include "scan_window.h"
#include "search_helpers.h"
#include "text_encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

struct EditorAnswers {
    std::vector<size_t> offsets;
    std::string replaced;   // the text with each hit replaced
};

// The editor's Find pressed again and again over `text` (Windows-1251), with the options,
// each time from behind the last hit and with the character there before it.
EditorAnswers editor_answers(const std::string& text, const char* query, const char* replacement,
                             int match_case, int whole_word) {
    QueryOptions options = {match_case, whole_word, nullptr};
    PreparedQuery prepared;
    prepare_query_with(&prepared, query, replacement, &options);
    EditorAnswers answers;
    size_t from = 0;
    while (from < text.size()) {
        prepared.preceding = from > 0 ? static_cast<unsigned char>(text[from - 1]) : -1;
        uint32_t length = 0, inserted_length = 0;
        char* inserted = nullptr;
        const char* start = text.c_str() + from;
        const char* match =
            replacement ? replace_prepared(&prepared, start, text.size() - from, &length, &inserted,
                                           &inserted_length)
                        : match_prepared(&prepared, start, text.size() - from, &length);
        if (!match || length == 0) {
            free(inserted);
            break;
        }
        size_t offset = static_cast<size_t>(match - text.c_str());
        answers.offsets.push_back(offset);
        answers.replaced += text.substr(from, offset - from) + std::string(inserted ? inserted : "", inserted_length);
        free(inserted);
        from = offset + length;
    }
    release_query(&prepared);
    answers.replaced += text.substr(from < text.size() ? from : text.size());
    return answers;
}

// The file forms tried: ANSI and UTF-8 always, UTF-16 of either order too.
constexpr int FORMS[] = {TEXT_ANSI, TEXT_UTF8, TEXT_UTF16_LE, TEXT_UTF16_BE};

std::string encoded(int encoding, const std::string& ansi) {
    if (encoding == TEXT_ANSI) return ansi;
    uint32_t size = 0;
    char* bytes = encode_block(encoding, 1, ansi.data(), static_cast<uint32_t>(ansi.size()), malloc, &size);
    std::string file(bytes, size);
    free(bytes);
    return file;
}

// A report line as the window words it, with the encoding's tag.
std::string line(const std::string& path, size_t offset, int encoding, bool replacing) {
    std::string plain = replacing ? replaced(path, offset) : found(path, offset);
    const char* name = encoding_name(encoding);
    return name ? plain.substr(0, plain.size() - 2) + " [" + name + "]\r\n" : plain;
}

// Find and Replace on `text` in each form give the editor's answers, at the file's offsets.
void check_every_form(const TempTree& tree, const std::string& text, const char* query,
                      const char* replacement, int match_case, int whole_word) {
    EditorAnswers find = editor_answers(text, query, nullptr, match_case, whole_word);
    EditorAnswers rewrite = editor_answers(text, query, replacement, match_case, whole_word);
    std::string path = tree.path("f");
    for (int encoding : FORMS) {
        std::string expected_find, expected_replace;
        for (size_t offset : find.offsets)
            expected_find += line(path, encoded(encoding, text.substr(0, offset)).size(), encoding, false);
        for (size_t offset : rewrite.offsets)
            expected_replace += line(path, encoded(encoding, text.substr(0, offset)).size(), encoding, true);
        std::string about = std::string(query) + " in " + text + ", options " +
                            std::to_string(match_case) + std::to_string(whole_word) + ", form " +
                            std::to_string(encoding);
        tree.file("f", encoded(encoding, text));
        EXPECT_EQ(without_lines(search_with(path, query, nullptr, match_case, whole_word)),
                  expected_find)
            << about;
        EXPECT_EQ(without_lines(search_with(path, query, replacement, match_case, whole_word)), expected_replace)
            << about;
        EXPECT_TRUE(tree.read("f") == encoded(encoding, rewrite.replaced)) << about;
    }
}

// The table that the engine's and the editor's tests run, through the folder scan. Where a
// row searches from the text's start, the editor's first answer is the row's own.
TEST(ScanOptions, TheOptionTableGivesTheEditorsAnswersInEveryEncoding) {
    TempTree tree;
    for (const OptionCase& c : OPTION_CASES) {
        EditorAnswers answers = editor_answers(c.text, c.query, nullptr, c.match_case, c.whole_word);
        if (c.from == 0) {
            EXPECT_EQ(answers.offsets.empty() ? -1 : static_cast<int>(answers.offsets[0]), c.offset)
                << c.query << " in " << c.text;
        }
        check_every_form(tree, c.text, c.query, c.replacement_template ? c.replacement_template : "Z",
                         c.match_case, c.whole_word);
    }
}

// Random texts of both cases of Cyrillic and Latin letters, Ё/ё, µ, digits and others, and
// queries of them with wildcards and captures, with either option.
TEST(ScanOptions, RandomTextsAndQueriesGiveTheEditorsAnswers) {
    TempTree tree;
    std::mt19937 random(1251);
    const std::string letters = "аАбБёЁaAbB1µ .-";
    const char* const literals[] = {"а", "А", "аб", "Ab", "ё", "1", "b", "б ", "a-", "µa"};
    const char* const joints[] = {"*", "?", "%n%", ""};
    const char* const replacements[] = {"", "Z", "<%n%>"};
    for (int i = 0; i < 150 && !testing::Test::HasFailure(); i++) {
        std::string text;
        size_t size = random() % 40;
        for (size_t k = 0; k < size; k++) text += letters[random() % letters.size()];
        std::string query = literals[random() % 10];
        for (int parts = static_cast<int>(random() % 3); parts > 0; parts--) {
            query += joints[random() % 4];
            query += literals[random() % 10];
        }
        check_every_form(tree, text, query.c_str(), replacements[random() % 3],
                         static_cast<int>(random() % 2), static_cast<int>(random() % 2));
    }
}

// A walk's threads match with the options, each with tools of its own: a walk over files
// of every form gives what each file searched alone gives, in walk order.
TEST(ScanOptions, EveryThreadOfAWalkMatchesWithTheOptions) {
    TempTree tree;
    std::mt19937 random(18);
    const std::string letters = "аАбБёЁaAbB1µ .-";
    std::vector<std::string> files;
    for (int i = 0; i < 12; i++) {
        std::string text;
        for (size_t k = random() % 300; k > 0; k--) text += letters[random() % letters.size()];
        files.push_back(encoded(FORMS[i % (sizeof FORMS / sizeof FORMS[0])], text));
    }
    auto make = [&] {
        for (size_t i = 0; i < files.size(); i++) tree.file("f" + std::to_string(10 + i), files[i]);
    };
    for (int options = 0; options < 4; options++) {
        for (const char* replacement : {static_cast<const char*>(nullptr), "<%n%>"}) {
            FolderJob job = {"а%n%б", replacement, "*", literal_prefix_length("а%n%б"), nullptr,
                             nullptr, nullptr, nullptr, 0, 0, nullptr};
            job.match_case = options & 1;
            job.whole_word = options >> 1;
            make();
            std::string alone;
            for (const std::string& path : walk_order(tree)) alone += run_job(job, path);
            EXPECT_NE(alone.find("позиции: "), std::string::npos) << options;
            for (uint32_t threads : THREAD_COUNTS) {
                make();
                search_threads = threads;
                EXPECT_EQ(run_job(job, "", &tree), alone) << options << " " << threads;
                search_threads = 0;
            }
        }
    }
}

// UTF-8, or UTF-16 LE behind its mark, of code points.
std::string utf(const std::u32string& text, int encoding) {
    std::string bytes = encoding == TEXT_UTF8 ? "" : "\xFF\xFE";
    for (char32_t point : text) {
        if (encoding != TEXT_UTF8) {
            std::u16string units = point < 0x10000 ? std::u16string(1, static_cast<char16_t>(point))
                                                    : std::u16string{static_cast<char16_t>(0xD7C0 + (point >> 10)),
                                                                     static_cast<char16_t>(0xDC00 + (point & 0x3FF))};
            for (char16_t unit : units) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
            continue;
        }
        int tail = point < 0x80 ? 0 : point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
        bytes += static_cast<char>((tail ? 0xF0 << (3 - tail) : 0) | point >> 6 * tail);
        for (int k = tail - 1; k >= 0; k--) bytes += static_cast<char>(0x80 | (point >> 6 * k & 0x3F));
    }
    return bytes;
}

// Characters that Windows-1251 lacks count by Unicode: letters, their marks and digits
// belong to a word, the rest do not, before a match as after it.
TEST(ScanOptions, CharactersWithoutAnAnsiFormAreLettersOrNotByUnicode) {
    struct Case {
        std::u32string text;
        const char* query;
        int match_case;
        int hit;   // in characters, or -1
    };
    const Case cases[] = {
        {U"café caf", "caf", 1, 5},
        {U"éab ab", "ab", 1, 4},
        {U"éAB ab", "ab", 0, 4},
        {U"cafe\u0301 cafe", "cafe", 1, 6},       // a mark written apart
        {U"\u4E2Dab ab", "ab", 1, 4},             // a CJK letter
        {U"\u0663ab ab", "ab", 1, 4},             // an Arabic-Indic digit
        {U"\U0001D400ab ab", "ab", 1, 4},         // a letter beyond 16 bits
        {U"\u2192ab", "ab", 1, 1},                // an arrow is none
        {U"\U0001F600ab\U0001F600", "ab", 1, 1},  // nor is an emoji
    };
    TempTree tree;
    std::string path = tree.path("f");
    for (const Case& c : cases) {
        for (int encoding : {TEXT_UTF8, TEXT_UTF16_LE}) {
            tree.file("f", utf(c.text, encoding));
            std::string expected =
                c.hit < 0 ? "" : line(path, utf(c.text.substr(0, c.hit), encoding).size(), encoding, false);
            EXPECT_EQ(without_lines(search_with(path, c.query, nullptr, c.match_case, 1)), expected)
                << c.query << " " << c.hit << " " << encoding;
        }
    }
}

// The first read block holds 1 MB and a window (scan_tools.cpp).
constexpr size_t FIRST_BLOCK = (1 << 20) + WINDOW_SIZE;

// The characters around a match come from the file where the block does not hold them.
// A candidate within a window of the block's end has the block moved to begin at it: the
// letter before `x` is read again, and the `x` near the file's end is the one hit. A match
// that spans a whole window, up to where the block ends, is followed by a letter that the
// block holds all the same.
TEST(ScanOptions, TheCharactersAroundAWindowComeFromTheFile) {
    TempTree tree;
    std::string path = tree.path("f");
    for (int encoding : {TEXT_ANSI, TEXT_UTF8, TEXT_UTF16_LE}) {
        // The index of the character at a file offset of a text of one-byte characters
        // (two in UTF-16) behind its mark.
        auto at = [&](size_t offset) {
            return encoding == TEXT_UTF16_LE ? (offset - 2) / 2 : encoding == TEXT_UTF8 ? offset - 3 : offset;
        };
        std::string text(at(FIRST_BLOCK) + 300000, ' ');
        text.replace(text.size() - 5, 1, "x");
        std::string before = text, after = text;
        before.replace(at(FIRST_BLOCK - 1000) - 1, 2, "\xE1x");   // бx
        size_t last = encoded(encoding, before.substr(0, before.size() - 5)).size();
        after[at(FIRST_BLOCK - WINDOW_SIZE)] = 'x';
        after.replace(at(FIRST_BLOCK) - 1, 2, "ya");
        tree.file("f", encoded(encoding, before));
        EXPECT_EQ(without_lines(search_with(path, "x", nullptr, 1, 1)),
                  line(path, last, encoding, false))
            << encoding;
        EXPECT_EQ(without_lines(search_with(path, "X", nullptr, 0, 1)),
                  line(path, last, encoding, false))
            << encoding;
        tree.file("f", encoded(encoding, after));
        EXPECT_EQ(without_lines(search_with(path, "x*y", nullptr, 1, 1)), "") << encoding;
        EXPECT_EQ(without_lines(search_with(path, "x*y", nullptr, 1, 0)),
                  line(path, encoded(encoding, after.substr(0, at(FIRST_BLOCK - WINDOW_SIZE))).size(),
                       encoding, false))
            << encoding;
    }
}

}  // namespace
