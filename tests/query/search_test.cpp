// The byte finder against a plain search, in each of its ways that the processor has, on
// texts and needles made to collide often, each text in a heap block of exactly its size
// so that a read past it is caught.
#include "find_bytes.h"
#include "letter_case.h"

#include <gtest/gtest.h>

#include <string.h>
#include <memory>
#include <string>

namespace {

const char* plain_find(const char* from, const char* end, const char* needle, size_t n) {
    for (const char* p = from; static_cast<size_t>(end - p) >= n; p++)
        if (memcmp(p, needle, n) == 0) return p;
    return nullptr;
}

const char* find(const char* from, const char* end, const char* needle, size_t n) {
    ByteFinder finder;
    prepare_finder(&finder, needle, static_cast<uint32_t>(n));
    return find_bytes(&finder, from, static_cast<size_t>(end - from));
}

struct EachLevel : ::testing::TestWithParam<int> {
    void SetUp() override {
        if (GetParam() > finder_level()) GTEST_SKIP() << "not on this processor";
        force_finder_level(GetParam());
    }
    void TearDown() override { force_finder_level(-1); }
};

TEST_P(EachLevel, AgreesWithPlainSearch) {
    uint32_t state = 7;
    auto next = [&state](uint32_t below) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % below;
    };
    for (int round = 0; round < 4000; round++) {
        char letters = static_cast<char>(2 + round % 5);  // few letters, many near misses
        std::string text(next(600), 'a'), needle(1 + next(round % 3 ? 8 : 300), 'a');
        for (char& c : text) c = static_cast<char>('a' + next(letters));
        for (char& c : needle) c = static_cast<char>('a' + next(letters));
        if (round % 2 && needle.size() <= text.size())  // plant it somewhere
            text.replace(next(static_cast<uint32_t>(text.size() - needle.size() + 1)), needle.size(), needle);
        std::unique_ptr<char[]> block(new char[text.size()]);
        if (!text.empty()) memcpy(block.get(), text.data(), text.size());
        const char* from = block.get() + next(static_cast<uint32_t>(text.size() + 1));
        const char* end = block.get() + text.size();
        ASSERT_EQ(find(from, end, needle.data(), needle.size()),
                  plain_find(from, end, needle.data(), needle.size()))
            << text << " / " << needle;
    }
    const char text[] = "abcabd\xFF\xFE";
    const char* end = text + 8;
    EXPECT_EQ(find(text, end, "abd", 3), text + 3);
    EXPECT_EQ(find(text, end - 3, "abd", 3), nullptr);  // the range ends inside it
    EXPECT_EQ(find(text, end, "abcabd\xFF\xFE", 8), text);
    EXPECT_EQ(find(text, end, "\xFE", 1), text + 7);
}

// Two forms of a needle, each byte of a place either form's: both cases of a letter, or
// the lower- and upper-case forms of an encoded needle, searched among every second byte.
TEST_P(EachLevel, EitherFormAgreesWithPlainSearch) {
    uint32_t state = 11;
    auto next = [&state](uint32_t below) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % below;
    };
    const char alphabet[] = "aAbB\xE0\xC0\xB8\xA8 ";   // a, b, а, ё in both cases, a space
    for (int round = 0; round < 4000; round++) {
        uint32_t letters = 2 + round % 8;
        std::string text(next(600), 'a'), needle(1 + next(round % 3 ? 8 : 300), 'a');
        for (char& c : text) c = alphabet[next(letters)];
        for (char& c : needle) c = alphabet[next(letters)];
        std::string other = needle;
        if (round % 4) other_cases_1251(needle.data(), &other[0], needle.size());
        else for (char& c : other) c = alphabet[next(letters)];   // any other form
        if (round % 2 && needle.size() <= text.size()) {   // plant a mix of the two
            size_t at = next(static_cast<uint32_t>(text.size() - needle.size() + 1));
            for (size_t i = 0; i < needle.size(); i++) text[at + i] = next(2) ? needle[i] : other[i];
        }
        std::unique_ptr<char[]> block(new char[text.size()]);
        if (!text.empty()) memcpy(block.get(), text.data(), text.size());
        const char* from = block.get() + next(static_cast<uint32_t>(text.size() + 1));
        const char* end = block.get() + text.size();
        const char* expected = nullptr;
        for (const char* p = from; !expected && static_cast<size_t>(end - p) >= needle.size(); p++) {
            size_t i = 0;
            while (i < needle.size() && (p[i] == needle[i] || p[i] == other[i])) i++;
            if (i == needle.size()) expected = p;
        }
        ByteFinder finder;
        uint32_t step = 1 + round % 2;
        prepare_finder_either(&finder, needle.data(), other.data(),
                              static_cast<uint32_t>(needle.size()), step == 2 ? next(2) : 0, step);
        ASSERT_EQ(find_bytes(&finder, from, static_cast<size_t>(end - from)), expected)
            << text << " / " << needle << " / " << other;
    }
}

INSTANTIATE_TEST_SUITE_P(Finder, EachLevel, ::testing::Values(FINDER_PLAIN, FINDER_SSE2, FINDER_AVX2));

}  // namespace
