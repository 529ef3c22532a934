// The report's hit lines read back: which lines are links and what they name, and the
// nearest link after or before a line.
#include <gtest/gtest.h>

#include <string>

#include "report_links.h"
#include "text_encoding.h"

namespace {

TEST(HitLine, ReadsPathKindOffsetAndTagAndNothingElse) {
    struct Case {
        const char* line;
        bool link;
        const char* path;
        int kind;
        int64_t offset;
        int encoding;
    };
    const Case cases[] = {
        {"C:\\Документы\\a.txt \tнайдено в позиции: 28", true, "C:\\Документы\\a.txt", HIT_FOUND, 28, TEXT_ANSI},
        {"C:\\a b\\c.txt \tзаменено в позиции: 0", true, "C:\\a b\\c.txt", HIT_REPLACED, 0, TEXT_ANSI},
        {"/x/u.txt \tнайдено в позиции: 7 [UTF-8]", true, "/x/u.txt", HIT_FOUND, 7, TEXT_UTF8},
        {"/x/w.txt \tзаменено в позиции: 12 [UTF-16 BE]", true, "/x/w.txt", HIT_REPLACED, 12, TEXT_UTF16_BE},
        // The fields that follow are for the reader; a saved report of today has none.
        {"a \tнайдено в позиции: 28\tстрока 2: Поставщик ‹ООО›", true, "a", HIT_FOUND, 28, TEXT_ANSI},
        {"a \tнайдено в позиции: 3 [UTF-16 LE]\tстрока 1: ‹кот›", true, "a", HIT_FOUND, 3, TEXT_UTF16_LE},
        {"a \tнайдено в позиции: 999999999999999999", true, "a", HIT_FOUND, 999999999999999999, TEXT_ANSI},
        {"a \tнайдено в позиции: 1000000000000000000", false, "", 0, 0, 0},
        {"a\tнайдено в позиции: 28", false, "", 0, 0, 0},           // no space before the TAB
        {" \tнайдено в позиции: 28", false, "", 0, 0, 0},           // no path
        {"\tнайдено в позиции: 28", false, "", 0, 0, 0},
        {"a \tнайдено в позиции: ", false, "", 0, 0, 0},            // no offset
        {"a \tнайдено в позиции: 28x", false, "", 0, 0, 0},
        {"a \tнайдено в позиции: 28 [UTF-32]", false, "", 0, 0, 0},
        {"a \tнайдено в позиции: -1", false, "", 0, 0, 0},
        {"a \tошибка чтения, файл не изменён!", false, "", 0, 0, 0},
        {"C:\\d \tв отчёте первые 20000 совпадений из 20004, остальные не перечислены", false, "", 0, 0, 0},
        {"Найдено в файлах:", false, "", 0, 0, 0},
        {"", false, "", 0, 0, 0},
    };
    for (const Case& c : cases) {
        HitLine hit = {};
        std::string line = c.line;
        ASSERT_EQ(parse_hit_line(line.data(), line.size(), &hit), c.link) << c.line;
        if (!c.link) continue;
        EXPECT_EQ(std::string(hit.path, hit.path_length), c.path) << c.line;
        EXPECT_EQ(hit.kind, c.kind) << c.line;
        EXPECT_EQ(hit.offset, c.offset) << c.line;
        EXPECT_EQ(hit.encoding, c.encoding) << c.line;
    }
}

// Lines end at LF, with or without a CR before it; the links are found from any line.
TEST(HitLine, NearestLinkAfterOrBeforeALine) {
    const std::string text =
        "Найдено в файлах:\r\n"                         // 0
        "a \tнайдено в позиции: 1\r\n"                  // 19
        "a \tошибка чтения, файл не изменён!\n"         // 44
        "b \tнайдено в позиции: 2\r\n"                  // 79
        "b \tнайдено в позиции: 3";                     // 104
    struct Case {
        size_t from;
        int direction;
        bool found;
        size_t start;
        int64_t offset;
    };
    const Case cases[] = {
        {0, 1, true, 19, 1},   {19, 1, true, 79, 2},   {44, 1, true, 79, 2},
        {79, 1, true, 104, 3}, {104, 1, false, 0, 0},  {104, -1, true, 79, 2},
        {79, -1, true, 19, 1}, {44, -1, true, 19, 1},  {19, -1, false, 0, 0},
    };
    for (const Case& c : cases) {
        size_t start = 0;
        HitLine hit = {};
        ASSERT_EQ(nearest_hit_line(text.data(), text.size(), c.from, c.direction, &start, &hit),
                  c.found) << c.from << " " << c.direction;
        if (!c.found) continue;
        EXPECT_EQ(start, c.start) << c.from << " " << c.direction;
        EXPECT_EQ(hit.offset, c.offset) << c.from << " " << c.direction;
    }
    size_t start = 0, end = 0;
    line_around(text.data(), text.size(), 30, &start, &end);
    EXPECT_EQ(text.substr(start, end - start), "a \tнайдено в позиции: 1");
}

}  // namespace
