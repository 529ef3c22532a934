// A long text's portions: whole lines up to the chunk, a long line cut only where it
// must be and never between CR and LF; the chunk grows after a full portion that went in
// quickly.
#include <gtest/gtest.h>

#include <string>

#include "memory_window.h"
#include "portions.h"

namespace {

TEST(Portions, WholeLinesUpToTheChunk) {
    PortionPace pace;
    pace_begin(&pace);
    const size_t chunk = pace.chunk;
    const std::string lines = std::string(chunk - 10, 'a') + "\r\n" + std::string(20, 'b') + "\r\n";
    struct Case {
        std::string text;
        int cut_long_lines;
        size_t expected;
    };
    const Case cases[] = {
        {"ab\r\ncd", 0, 6},                                          // all that waits fits
        {lines, 0, chunk - 8},                                       // up to the last line end
        {std::string(chunk + 5, 'a') + "\r\nb", 0, chunk + 7},       // a long line: to its end
        {std::string(chunk + 5, 'a') + "\r\nb", 1, chunk},           //   or cut at the chunk
        {std::string(chunk - 1, 'a') + "\r\nb", 1, chunk - 1},       // CR LF kept together
        {std::string(chunk - 1, 'a') + "\rxy", 1, chunk},            // a lone CR is a character
    };
    for (const Case& c : cases)
        EXPECT_EQ(next_portion(&pace, c.text.data(), c.text.size(), c.cut_long_lines), c.expected)
            << c.text.size() << " " << c.cut_long_lines;
}

TEST(Portions, TheChunkGrowsAfterAFullQuickPortion) {
    MemoryWindow memory;
    memory_window_init(&memory);
    Window window = memory_window(&memory);
    PortionPace pace;
    pace_begin(&pace);
    const size_t first = pace.chunk;
    const std::string small(first / 4, 'a');
    append_portion(&pace, &window, small.c_str(), small.size(), 1);
    EXPECT_EQ(pace.chunk, first);
    const std::string lines(first - 100, 'b');
    append_portion(&pace, &window, lines.c_str(), lines.size(), 1);
    EXPECT_EQ(pace.chunk, 2 * first);
}

}  // namespace
