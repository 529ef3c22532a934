// The line and excerpt of each hit line: lines end at LF, CR LF and a lone CR in every
// encoding, the excerpt is the line around the match in Windows-1251, cut to its nearest
// characters, with line breaks and control characters shown so that the line stays one.
#include "encoded_text.h"
#include "find_bytes.h"
#include "line_ends.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// What follows "\t" behind a hit line's position and tag, or "" when nothing does.
std::string line_field(const std::string& line) {
    size_t at = line.find("\tстрока ");
    size_t end = line.find("\r\n");
    return at < end ? line.substr(at + 1, end - at - 1) : "";
}

std::vector<std::string> line_fields(const std::string& report) {
    std::vector<std::string> fields;
    for (size_t at = 0, end; (end = report.find("\r\n", at)) != std::string::npos; at = end + 2)
        fields.push_back(line_field(report.substr(at, end + 2 - at)));
    return fields;
}

std::string times(size_t count, const std::string& text) {
    std::string all;
    for (size_t i = 0; i < count; i++) all += text;
    return all;
}
std::u16string times(size_t count, char16_t character) { return std::u16string(count, character); }
std::u16string times(size_t count, const std::u16string& text) {
    std::u16string all;
    for (size_t i = 0; i < count; i++) all += text;
    return all;
}

struct LineCase {
    std::u16string text;
    const char* query;
    std::string found;      // the first hit's field
    const char* template_ = nullptr;  // and with a Replace
    std::string replaced = "";
};

// Each case in every form that can hold its text; a text with a zero byte is a binary
// file as Windows-1251, whose lines count the same bytes.
TEST(HitLines, LineNumbersAndExcerptsInEveryEncoding) {
    const std::string B40 = times(40, "б"), V40 = times(40, "в");
    const std::u16string ZERO(1, u'\0');
    const LineCase cases[] = {
        {u"Договор поставки\r\nПоставщик ООО  «Ромашка» обязуется", "ООО*Ромашка",
         "строка 2: Поставщик ‹ООО  «Ромашка›» обязуется", "АО «Ромашка",
         "строка 2: Поставщик ‹АО «Ромашка›» обязуется"},
        {u"первая\nвторая\nтретья кот тут", "кот", "строка 3: третья ‹кот› тут"},
        {u"первая\rвторая\rкот", "кот", "строка 3: ‹кот›"},
        {u"а\r\nб\rв\n\nкот\r\n", "кот", "строка 5: ‹кот›"},
        {u"раз\r\nкот два", "кот", "строка 2: ‹кот› два"},
        // Cut at both ends, and not cut at 40 characters.
        {times(45, u'б') + u"кот" + times(45, u'в') + u"\r\nдалее", "кот",
         "строка 1: …" + B40 + "‹кот›" + V40 + "…", "пёс",
         "строка 1: …" + B40 + "‹пёс›" + V40 + "…"},
        {u"x\r\n" + times(40, u'б') + u"кот" + times(40, u'в') + u"\r\nz", "кот",
         "строка 2: " + B40 + "‹кот›" + V40},
        // A long match, and a long replacement: their first 40 and last 20 characters.
        {u"а" + times(100, u'я') + u"в хвост", "а%x%в",
         "строка 1: ‹а" + times(39, "я") + "…" + times(19, "я") + "в› хвост", "%x%",
         "строка 1: ‹" + times(40, "я") + "…" + times(20, "я") + "› хвост"},
        {u"кот и ёж", "кот", "строка 1: ‹кот› и ёж", "0123456789012345678901234567890123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ",
         "строка 1: ‹0123456789012345678901234567890123456789…GHIJKLMNOPQRSTUVWXYZ› и ёж"},
        // Line breaks within the match, a TAB and other control characters.
        {u"кот\r\n\rпёс\nконец", "кот*пёс", "строка 1: ‹кот¶¶пёс›", "a\\r\\nb",
         "строка 1: ‹a¶b›"},
        {u"\tкот\u0001x\u001Fy", "кот", "строка 1:  ‹кот›·x·y"},
        {u"x\ny" + ZERO + u"z\rab" + ZERO + u" кот", "кот", "строка 3: ab· ‹кот›"},
    };
    TempTree tree;
    std::string path = tree.path("f");
    for (const LineCase& c : cases) {
        for (Form form : {ANSI, UTF8, UTF8_MARK, UTF16LE_MARK, UTF16BE_MARK}) {
            tree.file("f", encoded(c.text, form));
            EXPECT_EQ(line_field(search(path, c.query)), c.found) << c.query << " " << form;
            if (!c.template_) continue;
            EXPECT_EQ(line_field(search(path, c.query, c.template_)),
                      form == ANSI && c.text.find(u'\0') != std::u16string::npos ? c.found : c.replaced)
                << c.query << " " << form;
        }
    }
}

// Characters without a Windows-1251 form are shown as `?`, whatever their size.
TEST(HitLines, CharactersWithoutAFormShowAsQuestionMarks) {
    TempTree tree;
    std::string path = tree.path("f");
    for (Form form : {UTF8, UTF16LE_MARK, UTF16BE_MARK}) {
        tree.file("f", encoded(u"снег \u2603 и \U0001F600 кот \u4E2D", form));
        EXPECT_EQ(line_field(search(path, "кот")), "строка 1: снег ? и ? ‹кот› ?") << form;
        EXPECT_EQ(line_field(search(path, "снег%x%и", "[%x%]")), "строка 1: ‹[ ? ]› ? кот ?")
            << form;
    }
}

// Lines counted from block to block: before the first hit the bytes that the scan has
// dropped are read again; after it they are counted before they go.
TEST(HitLines, LinesAcrossBlocks) {
    std::u16string text = u"кот\r\n" + times(300000, std::u16string(u"ab\n")) + u"кот\r" + times(300000, std::u16string(u"cd\r")) +
                          u"кот" + times(400000, std::u16string(u"\r\n")) + u"кот";
    TempTree tree;
    std::string path = tree.path("f");
    for (Form form : {ANSI, UTF16LE_MARK}) {
        tree.file("f", encoded(text, form));
        EXPECT_EQ(line_fields(search(path, "кот")),
                  (std::vector<std::string>{"строка 1: ‹кот›", "строка 300002: ‹кот›",
                                            "строка 600003: ‹кот›", "строка 1000003: ‹кот›"}))
            << form;
        // A first hit far from the start.
        tree.file("f", encoded(times(500000, std::u16string(u"ab\r\n")) + u"кот", form));
        EXPECT_EQ(line_field(search(path, "кот")), "строка 500001: ‹кот›") << form;
    }
}

// Lines and excerpts are made for as many hits as the report lists: the first of each
// file, fewer for a file after files whose hits were listed already.
TEST(HitLines, OnlyListedHitsHaveTheirLines) {
    TempTree tree;
    tree.file("a", "кот кот кот");
    tree.file("b", "кот кот");
    std::string report;
    FolderJob job = {"кот", nullptr, "*", 3, report_sink, &report, nullptr, nullptr, 0, 0,
                     nullptr, 2};
    search_in_file(tree.path("a").c_str(), 0, nullptr, nullptr, &job);
    EXPECT_EQ(line_fields(report),
              (std::vector<std::string>{"строка 1: ‹кот› кот кот", "строка 1: кот ‹кот› кот", ""}));
    report.clear();
    // With one thread the count is exact; beside it a file may be scanned before the hits
    // ahead of it are counted (the next test).
    job.listed_hits = 4;
    job.threads = 1;
    search_folder_tree(&job, (tree.root + SEP + "*").c_str());
    std::vector<std::string> fields = line_fields(report);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields.size() - std::count(fields.begin(), fields.end(), ""), 4u) << report;
}

// The walk's first hits have their lines whatever the threads. With the walk's thread
// alone, a file after files whose hits fill the bound makes no notes, also while those
// files still wait to take their places (a Replace commits its files in groups).
TEST(HitLines, OnlyTheWalksFirstHitsNeedTheirLines) {
    TempTree tree;
    for (const char* replacement : {static_cast<const char*>(nullptr), "пёс"}) {
        for (uint32_t threads : THREAD_COUNTS) {
            for (int i = 0; i < 12; i++) tree.file("f" + std::to_string(10 + i), "кот кот");
            std::string report;
            FolderJob job = {"кот", replacement, "*", 3, report_sink, &report, nullptr, nullptr,
                             0, 0, nullptr, 3};
            job.threads = threads;
            search_folder_tree(&job, (tree.root + SEP + "*").c_str());
            std::vector<std::string> fields = line_fields(report);
            ASSERT_EQ(fields.size(), 24u) << threads;
            for (int i = 0; i < 3; i++) EXPECT_NE(fields[i], "") << threads << report;
            if (threads == 1) {
                EXPECT_EQ(std::count(fields.begin(), fields.end(), ""), 21) << report;
            }
        }
    }
}

// The count of line ends, whatever way it takes (many units at a time or one by one, at
// every level of the processor), and wherever a piece of text is cut. Wide units whose
// bytes hold a CR or an LF without being one catch a byte order mixed up; a few long
// texts take the vector counters past the rounds after which they add their lanes up.
TEST(HitLines, LineEndsCountedPieceByPiece) {
    std::mt19937 random(7);
    const char16_t alphabet[] = {u'\r', u'\n', u'x', u'\r', u'y', 0x0A00, 0x0D0A, 0x0D00};
    const int most = finder_level();
    for (int level = FINDER_PLAIN; level <= most; level++) {
        force_finder_level(level);
        for (int encoding : {TEXT_ANSI, TEXT_UTF16_LE, TEXT_UTF16_BE}) {
            const size_t width = encoding == TEXT_ANSI ? 1 : 2;
            for (int round = 0; round < 300; round++) {
                std::u16string units;
                // The long ones are mostly line ends, so that a counter's lane fills.
                const bool long_text = round % 100 == 99;
                size_t size = long_text ? 140000 + random() % 100 : random() % 200;
                for (size_t i = 0; i < size; i++)
                    units += long_text && random() % 10 ? u'\n'
                                                        : alphabet[random() % (width == 1 ? 5 : 8)];
                std::string text;
                for (char16_t unit : units) {
                    if (width == 1) text += static_cast<char>(unit);
                    else if (encoding == TEXT_UTF16_LE)
                        text += {char(unit & 0xFF), char(unit >> 8)};
                    else
                        text += {char(unit >> 8), char(unit & 0xFF)};
                }
                uint64_t expected = 0;
                for (size_t i = 0; i < size; i++)
                    expected += units[i] == '\n' ||
                                (units[i] == '\r' && i + 1 < size && units[i + 1] != '\n');
                size_t cut = (size ? random() % size : 0) * width;
                int pending = 0;
                uint64_t counted = count_line_ends(encoding, text.data(), cut, &pending);
                counted +=
                    count_line_ends(encoding, text.data() + cut, text.size() - cut, &pending);
                EXPECT_EQ(counted + pending, expected + (size && units.back() == '\r'))
                    << encoding << " level " << level << " " << (size < 200 ? text : "");
                if (width == 2) continue;
                int32_t last = -1;
                for (size_t i = 0; i < size; i++)
                    if (text[i] == '\r' || text[i] == '\n') last = static_cast<int32_t>(i);
                EXPECT_EQ(last_break(text.data(), static_cast<uint32_t>(size)), last);
                EXPECT_EQ(first_break(text.data(), static_cast<uint32_t>(size)),
                          static_cast<uint32_t>(text.find_first_of("\r\n") == std::string::npos
                                                    ? size : text.find_first_of("\r\n")));
            }
        }
    }
    force_finder_level(-1);
}

}  // namespace
