// Text encodings: the detection rule on its borders, the code page, decoding (whole and
// block by block) and encoding back.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <random>
#include <string>
#include <vector>

#include "find_bytes.h"
#include "text_encoding.h"

namespace {

// UTF-16 bytes of code units.
std::string utf16(const std::vector<uint16_t>& units, bool big_endian = false) {
    std::string bytes;
    for (uint16_t unit : units) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// `count` code units: `odd` of them U+2014 (high byte 0x20), `zero_low` of them U+0400
// (low byte 0x00), the rest Cyrillic П.
std::vector<uint16_t> units_of(size_t count, size_t odd = 0, size_t zero_low = 0) {
    std::vector<uint16_t> units(count, 0x041F);
    for (size_t i = 0; i < odd; i++) units[i] = 0x2014;
    for (size_t i = 0; i < zero_low; i++) units[count - 1 - i] = 0x0400;
    return units;
}

std::string with_tail(size_t count, const std::string& tail) {
    return std::string(count, 'a') + tail;
}

struct DetectCase {
    const char* name;
    std::string bytes;
    int encoding;
    int mark_length;
};

TEST(TextEncoding, DetectionFollowsTheRuleOnItsBorders) {
    const DetectCase cases[] = {
        {"empty", "", TEXT_ANSI, 0},
        {"ASCII", "plain text\r\n", TEXT_ANSI, 0},
        {"Windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", TEXT_ANSI, 0},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", TEXT_UTF8, 3},
        {"UTF-8 mark and ASCII", "\xEF\xBB\xBF" "abc", TEXT_UTF8, 3},
        {"UTF-16 LE mark", "\xFF\xFE" "a", TEXT_UTF16_LE, 2},
        {"UTF-16 BE mark", "\xFE\xFF", TEXT_UTF16_BE, 2},
        {"half a UTF-8 mark is a cut sequence", "\xEF\xBB", TEXT_UTF8, 0},
        {"UTF-8", "\xD0\x9F\xD1\x80\xD0\xB8", TEXT_UTF8, 0},
        {"4-byte UTF-8", "a\xF0\x9F\x98\x80", TEXT_UTF8, 0},
        {"sequence cut by the end", "abc\xE2\x82", TEXT_UTF8, 0},
        {"broken sequence", "abc\xE2\x41", TEXT_ANSI, 0},
        {"overlong 2 bytes", "a\xC0\xAF", TEXT_ANSI, 0},
        {"overlong 3 bytes", "a\xE0\x80\xAF", TEXT_ANSI, 0},
        {"surrogate in UTF-8", "a\xED\xA0\x80", TEXT_ANSI, 0},
        {"beyond U+10FFFF", "a\xF4\x90\x80\x80", TEXT_ANSI, 0},
        {"cut by the 64 KB border", with_tail(65535, "\xD0\x41"), TEXT_UTF8, 0},
        {"broken before the border", with_tail(65534, "\xD0\x41"), TEXT_ANSI, 0},
        {"invalid beyond the border", with_tail(65536, "\xFF"), TEXT_ANSI, 0},
        {"zero byte", std::string("ab\0cd", 5), TEXT_BINARY, 0},
        {"zero byte last in 64 KB", with_tail(65535, std::string(1, '\0')), TEXT_BINARY, 0},
        {"zero byte beyond 64 KB", with_tail(65536, std::string(1, '\0')), TEXT_ANSI, 0},
        {"valid UTF-8 with a zero byte", std::string("\xD0\x9F\0", 3), TEXT_UTF8, 0},
        {"16 Cyrillic units", utf16(units_of(16)), TEXT_UTF16_LE, 0},
        {"15 Cyrillic units", utf16(units_of(15)), TEXT_ANSI, 0},
        {"16 Latin units", utf16(std::vector<uint16_t>(16, 'a')), TEXT_UTF16_LE, 0},
        {"15 Latin units", utf16(std::vector<uint16_t>(15, 'a')), TEXT_BINARY, 0},
        {"90% high bytes", utf16(units_of(20, 2)), TEXT_UTF16_LE, 0},
        {"85% high bytes", utf16(units_of(20, 3)), TEXT_ANSI, 0},
        {"10% zero low bytes", utf16(units_of(20, 0, 2)), TEXT_UTF16_LE, 0},
        {"15% zero low bytes", utf16(units_of(20, 0, 3)), TEXT_BINARY, 0},
        {"a U+0000 unit", utf16({0x41F, 0x41F, 0, 0x41F}) + utf16(units_of(16)), TEXT_BINARY, 0},
        {"BE 16 units", utf16(units_of(16), true), TEXT_UTF16_BE, 0},
        {"BE 90%", utf16(units_of(20, 2), true), TEXT_UTF16_BE, 0},
        {"BE 85%", utf16(units_of(20, 3), true), TEXT_ANSI, 0},
        {"BE 10% zero low bytes", utf16(units_of(20, 0, 2), true), TEXT_UTF16_BE, 0},
        {"only the first 4 KB count", utf16(units_of(2048)) + std::string(100, '\0'),
         TEXT_UTF16_LE, 0},
        {"an odd last byte", utf16(units_of(16)) + "\x1F", TEXT_UTF16_LE, 0},
    };
    for (const DetectCase& c : cases) {
        TextForm form = detect_text_form(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
        EXPECT_EQ(form.encoding, c.encoding) << c.name;
        EXPECT_EQ(form.mark_length, c.mark_length) << c.name;
    }
}

// Whether bytes are UTF-8 by the rule, checked the plain way: every sequence valid, one
// that the end cuts allowed, and some byte above 0x7F.
bool plainly_utf8(const std::string& text) {
    bool beyond_ascii = false;
    for (size_t at = 0; at < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            at++;
            continue;
        }
        beyond_ascii = true;
        size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                      : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0) return false;
        unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        for (size_t i = 1; i < length; i++) {
            if (at + i == text.size()) return true;
            unsigned char next = static_cast<unsigned char>(text[at + i]);
            if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return false;
        }
        at += length;
    }
    return beyond_ascii;
}

// Most text is checked many bytes at a time: random mixes of ASCII, Cyrillic and longer
// sequences, some broken in one place, around the blocks' borders, agree with the plain
// check at every width of the processor's instructions.
TEST(TextEncoding, UTF8IsToldAsThePlainCheckTellsIt) {
    const char* const pieces[] = {"a", " ", "\r\n", "\xD0\x9F", "\xD1\x8F", "\xC2\xA0",
                                  "\xDF\xBF", "\xE2\x80\x94", "\xF0\x9F\x98\x80"};
    const char* const breaks[] = {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xD0", "\xD0" "A",
                                  "\xE0\x80\x80", "\xED\xA0\x80", "\xF5", "\xFF", "\xE2\x80"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; round++) {
        std::string text;
        size_t length = random() % 100;
        while (text.size() < length) text += pieces[random() % (round % 2 ? 9 : 5)];
        if (random() % 2) text.insert(random() % (text.size() + 1), breaks[random() % 11]);
        bool expected = plainly_utf8(text);
        for (int level : {FINDER_PLAIN, FINDER_SSE2, FINDER_AVX2}) {
            force_finder_level(level);
            TextForm form = detect_text_form(text.data(), static_cast<uint32_t>(text.size()));
            EXPECT_EQ(form.encoding == TEXT_UTF8, expected) << testing::PrintToString(text) << level;
        }
        force_finder_level(-1);
    }
}

TEST(TextEncoding, TheCodePageIsWindows1251BothWays) {
    const AnsiCodePage* page = ansi_code_page();
    const std::pair<int, uint16_t> known[] = {
        {'a', 'a'},     {0xC0, 0x0410}, {0xFF, 0x044F}, {0xA8, 0x0401}, {0xB8, 0x0451},
        {0xB9, 0x2116}, {0x88, 0x20AC}, {0xAB, 0x00AB}, {0x80, 0x0402}, {0x97, 0x2014},
    };
    for (auto [byte, point] : known) EXPECT_EQ(page->characters[byte], point) << byte;
    for (int byte = 0; byte < 256; byte++)
        EXPECT_EQ(page->bytes[page->characters[byte]], byte) << byte;
    EXPECT_EQ(page->bytes[0x00E9], 0);   // é has no form
    EXPECT_EQ(page->bytes[0x4E2D], 0);
}

// "Привет €№" in each encoding.
constexpr char ANSI_TEXT[] = "\xCF\xF0\xE8\xE2\xE5\xF2 \x88\xB9";
const std::string UTF8_TEXT = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x82\xAC\xE2\x84\x96";
const std::string UTF16_TEXT = utf16({0x41F, 0x440, 0x438, 0x432, 0x435, 0x442, ' ', 0x20AC, 0x2116});

struct Decoded {
    std::string view;
    std::vector<uint32_t> offsets;
    uint32_t consumed;
    uint32_t unmapped;
};

Decoded decode(int encoding, const std::string& raw, int at_end = 1, uint32_t position = 0) {
    TextDecoder decoder = {static_cast<uint8_t>(encoding), '~', position, 0, 0};
    std::vector<char> view(raw.size() + 1);
    std::vector<uint32_t> offsets(raw.size() + 1);
    uint32_t produced = 0;
    uint32_t consumed = decode_text(&decoder, raw.data(), static_cast<uint32_t>(raw.size()),
                                    at_end, view.data(), offsets.data(),
                                    static_cast<uint32_t>(view.size()), &produced);
    EXPECT_EQ(decoder.position, position + consumed);
    offsets.resize(produced);
    return {std::string(view.data(), produced), offsets, consumed, decoder.unmapped};
}

std::string encode(int encoding, int with_mark, const std::string& ansi) {
    uint32_t size = 0;
    char* block = encode_block(encoding, with_mark, ansi.data(),
                               static_cast<uint32_t>(ansi.size()), malloc, &size);
    std::string bytes(block, size);
    free(block);
    return bytes;
}

TEST(TextEncoding, EncodesAndDecodesByteForByteWithAndWithoutMarks) {
    const struct {
        int encoding;
        std::string text, mark;
    } forms[] = {
        {TEXT_UTF8, UTF8_TEXT, "\xEF\xBB\xBF"},
        {TEXT_UTF16_LE, UTF16_TEXT, "\xFF\xFE"},
        {TEXT_UTF16_BE, utf16({0x41F, 0x440, 0x438, 0x432, 0x435, 0x442, ' ', 0x20AC, 0x2116}, true),
         "\xFE\xFF"},
        {TEXT_ANSI, ANSI_TEXT, ""},
    };
    for (const auto& form : forms) {
        EXPECT_EQ(encode(form.encoding, 0, ANSI_TEXT), form.text) << form.encoding;
        EXPECT_EQ(encode(form.encoding, 1, ANSI_TEXT), form.mark + form.text) << form.encoding;
        EXPECT_EQ(encoded_size(form.encoding, ANSI_TEXT, sizeof ANSI_TEXT - 1), form.text.size());
        TextForm detected = detect_text_form((form.mark + form.text).data(),
                                             static_cast<uint32_t>((form.mark + form.text).size()));
        EXPECT_EQ(detected.encoding, form.encoding);
        EXPECT_EQ(detected.mark_length, form.mark.size());
        Decoded decoded = decode(form.encoding, form.text);
        EXPECT_EQ(decoded.view, ANSI_TEXT) << form.encoding;
        EXPECT_EQ(decoded.unmapped, 0u);
        // Every byte of the code page, U+0000 included, survives the way there and back.
        std::string all;
        for (int byte = 0; byte < 256; byte++) all += static_cast<char>(byte);
        EXPECT_EQ(decode(form.encoding, encode(form.encoding, 0, all)).view, all) << form.encoding;
    }
}

TEST(TextEncoding, CharactersWithoutAnAnsiFormAndBrokenBytesBecomeOnePlaceholderEach) {
    const struct {
        const char* name;
        int encoding;
        std::string raw;
        std::string view;
        std::vector<uint32_t> offsets;
        uint32_t unmapped;
    } cases[] = {
        {"e acute, emoji, CJK", TEXT_UTF8, "\xC3\xA9" "a\xF0\x9F\x98\x80\xE4\xB8\xAD" "b", "~a~~b",
         {0, 2, 3, 7, 10}, 3},
        {"invalid bytes one by one", TEXT_UTF8, "\xC3(\xE0\x80\xAF\x80", "~(~~~~",
         {0, 1, 2, 3, 4, 5}, 5},
        {"a sequence cut by the text's end", TEXT_UTF8, "a\xE2\x82", "a~~", {0, 1, 2}, 2},
        {"U+0000", TEXT_UTF8, std::string("a\0b", 3), std::string("a\0b", 3), {0, 1, 2}, 0},
        {"UTF-16 pair, lone halves, odd byte", TEXT_UTF16_LE,
         utf16({'a', 0xD83D, 0xDE00, 0xDC00, 0xD800, 'b', 0xD800}) + "x", "a~~~b~~",
         {0, 2, 6, 8, 10, 12, 14}, 5},
        {"UTF-16 BE e acute and U+0000", TEXT_UTF16_BE, utf16({0xE9, 0, 0x451}, true),
         std::string("~\0\xB8", 3), {0, 2, 4}, 1},
    };
    for (const auto& c : cases) {
        Decoded decoded = decode(c.encoding, c.raw);
        EXPECT_EQ(decoded.view, c.view) << c.name;
        EXPECT_EQ(decoded.offsets, c.offsets) << c.name;
        EXPECT_EQ(decoded.unmapped, c.unmapped) << c.name;
        EXPECT_EQ(decoded.consumed, c.raw.size()) << c.name;
    }
}

// Every character and broken form the decoder knows, in each encoding.
const struct {
    int encoding;
    std::string raw;
} MIXED[] = {
    {TEXT_UTF8, "a\xD0\x9F\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9\x80\xE2\x82(\xED\xA0\x80z\xE2\x84\x96"},
    {TEXT_UTF16_LE, utf16({'a', 0x41F, 0xD83D, 0xDE00, 0xDC00, 0xD800, 'b', 0x2116, 0xD800})},
    {TEXT_UTF16_BE, utf16({'a', 0x41F, 0xD83D, 0xDE00, 0xDC00, 0xD800, 'b', 0x2116}, true)},
    {TEXT_ANSI, ANSI_TEXT},
};

// Decoding up to any cut and then the rest gives what decoding the whole gives: the
// first call stops at a character's start before the cut.
TEST(TextEncoding, BlockByBlockDecodingMatchesTheWholeAtEveryCut) {
    for (const auto& text : MIXED) {
        Decoded whole = decode(text.encoding, text.raw);
        ASSERT_EQ(whole.consumed, text.raw.size());
        for (size_t cut = 0; cut <= text.raw.size(); cut++) {
            Decoded first = decode(text.encoding, text.raw.substr(0, cut), 0);
            EXPECT_LE(first.consumed, cut);
            EXPECT_LT(cut - first.consumed, 4u) << text.encoding << " cut " << cut;
            Decoded rest = decode(text.encoding, text.raw.substr(first.consumed), 1, first.consumed);
            EXPECT_EQ(first.view + rest.view, whole.view) << text.encoding << " cut " << cut;
            std::vector<uint32_t> offsets = first.offsets;
            offsets.insert(offsets.end(), rest.offsets.begin(), rest.offsets.end());
            EXPECT_EQ(offsets, whole.offsets) << text.encoding << " cut " << cut;
            EXPECT_EQ(first.unmapped + rest.unmapped, whole.unmapped);
        }
    }
}

// Going back from where a character begins gives the one before it as the decoder divided
// the text, broken forms included.
TEST(TextEncoding, TheLastCharacterIsTheOneTheDecoderMade) {
    for (const auto& text : MIXED) {
        Decoded whole = decode(text.encoding, text.raw);
        for (size_t i = 1; i < whole.offsets.size(); i++) {
            uint32_t end = whole.offsets[i];
            uint32_t from = end < LONGEST_CHARACTER ? 0 : end - LONGEST_CHARACTER;
            EXPECT_EQ(last_character_length(text.encoding, text.raw.data() + from, end - from),
                      end - whole.offsets[i - 1])
                << text.encoding << " at " << end;
        }
    }
}

TEST(TextEncoding, AFullViewStopsTheDecoder) {
    for (const auto& text : MIXED) {
        TextDecoder decoder = {static_cast<uint8_t>(text.encoding), '~', 0, 0, 0};
        std::string view;
        uint32_t at = 0, produced = 0;
        char one;
        while (at < text.raw.size()) {
            at += decode_text(&decoder, text.raw.data() + at,
                              static_cast<uint32_t>(text.raw.size()) - at, 1, &one, nullptr, 1,
                              &produced);
            ASSERT_EQ(produced, 1u);
            view += one;
        }
        EXPECT_EQ(view, decode(text.encoding, text.raw).view);
    }
}

}  // namespace
