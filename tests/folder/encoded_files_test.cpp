// Folder Find and Replace in UTF-8 and UTF-16 files: the query typed in the ANSI code page
// finds the same text in every encoding, offsets count the file's bytes, replacements are
// written in the file's own encoding and marks, captures put back the very bytes they
// spanned, characters without an ANSI form only match wildcards, and binary files are
// never rewritten.
#include "encoded_text.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
    std::u16string before;   // the file's text
    const char* query;       // in Windows-1251, as typed
    const char* replacement;
    std::u16string hit;      // the text before the first hit (its offset)
    std::u16string after;    // the file's text after Replace
    std::string found;       // the hit's line field, found
    std::string replaced;    //   and replaced
};

std::string times(size_t count, const std::string& text) {
    std::string all;
    for (size_t i = 0; i < count; i++) all += text;
    return all;
}

TEST(EncodedFiles, TheSameQueryFindsAndReplacesInEveryEncoding) {
    // U+2603 and U+4E2D have no form in Windows-1251: the excerpts show them as `?`.
    const std::string long_match = "‹а" + times(39, "я") + "…" + times(19, "я") + "в› хвост";
    const Case cases[] = {
        {u"Договор с ООО «Ромашка» от мая", "ООО «Ромашка»", "АО «Ромашка»", u"Договор с ",
         u"Договор с АО «Ромашка» от мая", "строка 1: Договор с ‹ООО «Ромашка»› от мая",
         "строка 1: Договор с ‹АО «Ромашка»› от мая"},
        {u"ООО «Ромашка» в начале, и ещё текст", "ООО", "АО", u"", u"АО «Ромашка» в начале, и ещё текст",
         "строка 1: ‹ООО› «Ромашка» в начале, и ещё текст", "строка 1: ‹АО› «Ромашка» в начале, и ещё текст"},
        // A match across a character without an ANSI form is replaced whole.
        {u"снег \u2603 и \u4E2D ветер на дворе", "снег*ветер", "буря", u"", u"буря на дворе",
         "строка 1: ‹снег ? и ? ветер› на дворе", "строка 1: ‹буря› на дворе"},
        // A capture puts back its very bytes, such characters included.
        {u"Имя: «Сне\u2603жок» и ещё текст тут", "«%n%»", "[%n%]", u"Имя: ",
         u"Имя: [Сне\u2603жок] и ещё текст тут", "строка 1: Имя: ‹«Сне?жок»› и ещё текст тут",
         "строка 1: Имя: ‹[Сне?жок]› и ещё текст тут"},
        // `?` steps over one character, whatever its size in the file.
        {u"кот\u2603ёж и ещё текст в строке", "кот?ж", "X", u"", u"X и ещё текст в строке",
         "строка 1: ‹кот?ёж› и ещё текст в строке", "строка 1: ‹X› и ещё текст в строке"},
        // Matches far longer than the first part of a window that is decoded, up to a
        // whole window (65,536 bytes: 32,768 of these characters); one that takes the
        // rest of the window.
        {u"а" + std::u16string(3000, u'я') + u"в хвост", "а*в", "X", u"", u"X хвост",
         "строка 1: " + long_match, "строка 1: ‹X› хвост"},
        {u"а" + std::u16string(30000, u'я') + u"в хвост", "а*в", "X", u"", u"X хвост",
         "строка 1: " + long_match, "строка 1: ‹X› хвост"},
        {u"а" + std::u16string(40000, u'я'), "а*", "X", u"", u"X" + std::u16string(40001 - 32768, u'я'),
         "строка 1: ‹а" + times(39, "я") + "…" + times(20, "я") + "›" + times(40, "я") + "…",
         "строка 1: ‹X›" + times(40, "я") + "…"},
    };
    TempTree tree;
    std::string path = tree.path("f");
    for (const Case& c : cases) {
        for (Form form : {UTF8, UTF8_MARK, UTF16LE, UTF16LE_MARK, UTF16BE, UTF16BE_MARK}) {
            std::string before = encoded(c.before, form);
            tree.file("f", before);
            size_t offset = encoded(c.hit, form).size();   // the mark and the text before
            EXPECT_EQ(search(path, c.query), found(path, offset, c.found, form_tag(form)))
                << c.query << " " << form;
            EXPECT_EQ(search(path, c.query, c.replacement), replaced(path, offset, c.replaced, form_tag(form)))
                << c.query << " " << form;
            EXPECT_TRUE(tree.read("f") == encoded(c.after, form)) << c.query << " " << form;
        }
    }
}

// A Windows-1251 byte and the character it stands for, for the letters used below.
char16_t character_of(unsigned char byte) {
    if (byte >= 0xC0) return static_cast<char16_t>(0x0410 + (byte - 0xC0));   // А..я
    if (byte == 0x98) return u'\u2603';   // stands for a character without an ANSI form
    return byte;
}

// Large texts of a few letters, searched as a UTF-8 or UTF-16 file and as their
// Windows-1251 twin: the hits are the same characters, the rewritten files the same text.
// The later literals are near or nowhere, so that no match is longer than a window in
// either form; the files cross windows and read blocks, so that the view moves on, the
// engine remembers and candidates are passed over.
TEST(EncodedFiles, FilesAgreeWithTheirWindows1251Twins) {
    TempTree tree;
    std::mt19937 random(3);
    const char* const queries[] = {"аб*в", "а?б", "аа*г", "б*я", "а%n%в", "вг"};
    for (Form form : {UTF8, UTF16LE_MARK}) {
        for (const char* query : queries) {
            std::string ansi;
            size_t size = 300000 + random() % 500000;
            for (size_t i = 0; i < size; i++) {
                uint32_t roll = random() % 1000;
                ansi += roll < 600 ? '\xE0' : roll < 900 ? '\xE1' : roll < 990 ? ' ' : roll < 999 ? '\x98' : '\xE2';
            }
            std::u16string text;
            for (unsigned char byte : ansi) text += character_of(byte);
            // The file offset of each character.
            std::vector<size_t> at;
            std::string mark = encoded(u"", form);
            size_t offset = mark.size();
            for (char16_t c : text) {
                at.push_back(offset);
                offset += form == UTF8 ? (c < 0x80 ? 1 : c < 0x800 ? 2 : 3) : 2;
            }
            tree.file("twin", ansi);
            tree.file("f", encoded(text, form));
            std::string twin = tree.path("twin"), path = tree.path("f");
            std::string expected, got = search(path, query);
            std::string report = search(twin, query);
            // The twin's lines, at the file's offsets; the twin's stand-in byte is a
            // character without a Windows-1251 form in the file, shown as `?`.
            const std::string position = "позиции: ";
            for (size_t line = 0; line < report.size();) {
                size_t end = report.find("\r\n", line);
                size_t number = report.find(position, line) + position.size();
                size_t tab = report.find('\t', number);
                std::string field = report.substr(tab + 1, end - tab - 1);
                std::replace(field.begin(), field.end(), '\x98', '?');
                expected += found(path, at[std::stoul(report.substr(number, tab - number))], field, form_tag(form));
                line = end + 2;
            }
            EXPECT_TRUE(got == expected) << query << " " << form;
            search(twin, query, "X%n%");
            search(path, query, "X%n%");
            std::u16string rewritten;
            for (unsigned char byte : tree.read("twin")) rewritten += character_of(byte);
            EXPECT_TRUE(tree.read("f") == encoded(rewritten, form)) << query << " " << form;
        }
    }
}

// In UTF-16 a character begins at an even offset: the bytes of a literal that a pair of
// code units happens to hold at an odd offset are no match.
TEST(EncodedFiles, UTF16UnitsAreNeverSplit) {
    TempTree tree;
    std::string path = tree.path("f");
    // 41 42 | 00 43 | 00 44 ...: the bytes 42 00 43 00 of "BC" stand at the odd offset 1.
    tree.file("f", encoded(u"\u4241\u4300\u4400 BC", UTF16LE_MARK));
    EXPECT_EQ(search(path, "BC"), found(path, 2 + 8, "строка 1: ??? ‹BC›", form_tag(UTF16LE_MARK)));
    EXPECT_EQ(search(path, "BC", "xy"), replaced(path, 2 + 8, "строка 1: ??? ‹xy›", form_tag(UTF16LE_MARK)));
    EXPECT_TRUE(tree.read("f") == encoded(u"\u4241\u4300\u4400 xy", UTF16LE_MARK));
}

// Binary files are searched as bytes; Replace leaves them as they were and says so.
TEST(EncodedFiles, BinaryFilesAreNeverRewritten) {
    TempTree tree;
    std::string path = tree.path("f");
    std::string bytes("\x01\x02\0head ООО tail\0\x7F", 18);
    tree.file("f", bytes);
    const std::string hit = found(path, 8, "строка 1: ···head ‹ООО› tail·\x7F");
    EXPECT_EQ(search(path, "ООО"), hit);
    EXPECT_EQ(search(path, "ООО", "АО"), hit + path + " \tдвоичный файл, не изменён\r\n");
    EXPECT_TRUE(tree.read("f") == bytes);
    EXPECT_EQ(search(path, "zzz", "АО"), "");   // nothing to say without a hit
}

}  // namespace
