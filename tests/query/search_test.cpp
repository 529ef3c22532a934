// The byte finder against a plain search, in each of its ways that the processor has, on
// texts and needles made to collide often, each text in a heap block of exactly its size
// so that a read past it is caught.
#include "find_bytes.h"

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

INSTANTIATE_TEST_SUITE_P(Finder, EachLevel, ::testing::Values(FINDER_PLAIN, FINDER_SSE2, FINDER_AVX2));

}  // namespace
