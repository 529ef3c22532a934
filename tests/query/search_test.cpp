// The substring search against a plain one, on texts and needles made to collide often.
#include "search.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>
#include <memory>
#include <string>

namespace {

const char* plain_find(const char* from, const char* end, const char* needle, size_t n) {
    for (const char* p = from; static_cast<size_t>(end - p) >= n; p++)
        if (memcmp(p, needle, n) == 0) return p;
    return nullptr;
}

uint32_t next_random(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return state >> 16;
}

// A heap block of exactly the text's size, so that a read past its end is caught by the
// address sanitizer.
std::unique_ptr<char[]> exact_copy(const std::string& text) {
    std::unique_ptr<char[]> block(new char[text.size()]);
    if (!text.empty()) memcpy(block.get(), text.data(), text.size());
    return block;
}

TEST(Search, AgreesWithPlainSearch) {
    uint32_t state = 7;
    for (int round = 0; round < 4000; round++) {
        int alphabet = 2 + round % 5;  // few letters: many near misses
        size_t text_length = next_random(state) % 600;
        size_t needle_length = next_random(state) % (round % 3 == 0 ? 300 : 8);
        std::string text, needle;
        for (size_t i = 0; i < text_length; i++) text += static_cast<char>('a' + next_random(state) % alphabet);
        for (size_t i = 0; i < needle_length; i++) needle += static_cast<char>('a' + next_random(state) % alphabet);
        if (round % 2 && needle_length <= text_length) {  // plant it somewhere
            size_t at = next_random(state) % (text_length - needle_length + 1);
            text.replace(at, needle_length, needle);
        }
        auto block = exact_copy(text);
        size_t from = text_length ? next_random(state) % (text_length + 1) : 0;
        const char* begin = block.get() + from;
        const char* end = block.get() + text_length;
        ASSERT_EQ(find_bytes(begin, end, needle.data(), needle.size()),
                  plain_find(begin, end, needle.data(), needle.size()))
            << "text " << text << " from " << from << " needle " << needle;
    }
}

TEST(Search, Edges) {
    const char text[] = "abcabd";
    const char* end = text + 6;
    EXPECT_EQ(find_bytes(text, end, "", 0), text);
    EXPECT_EQ(find_bytes(end, end, "", 0), end);
    EXPECT_EQ(find_bytes(text, end, "abd", 3), text + 3);
    EXPECT_EQ(find_bytes(text, end, "abcabd", 6), text);
    EXPECT_EQ(find_bytes(text, end, "abcabdx", 7), nullptr);
    EXPECT_EQ(find_bytes(text, end - 1, "abd", 3), nullptr);  // the range ends inside it
    EXPECT_EQ(find_bytes(text, end, "d", 1), text + 5);
    EXPECT_EQ(find_bytes(text + 1, end, "ab", 2), text + 3);
    const char high[] = "\xFF\xFE\x80\xFF\xFE";
    EXPECT_EQ(find_bytes(high + 1, high + 5, "\xFF\xFE", 2), high + 3);
}

}  // namespace
