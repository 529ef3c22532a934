// Horspool's search on pairs of bytes: the pair under the last two bytes of the window
// tells how far the needle can move on. Pairs are rarer than single bytes, so the moves
// are mostly the needle's whole length less one. Reads only inside the range.
#include "search.h"

#include <stdint.h>
#include <string.h>

namespace {

inline unsigned pair_hash(const char* pair) {
    unsigned first = static_cast<unsigned char>(pair[0]);
    unsigned second = static_cast<unsigned char>(pair[1]);
    return (first * 37 + second) & 0xFF;
}

}  // namespace

const char* find_bytes(const char* from, const char* end, const char* needle,
                       size_t needle_length) {
    if (needle_length == 0) return from;
    if (needle_length > static_cast<size_t>(end - from)) return nullptr;
    if (needle_length == 1)
        return static_cast<const char*>(memchr(from, needle[0], static_cast<size_t>(end - from)));

    // shift[h]: how far the window may move when the pair under its last two bytes
    // hashes to h; 0 marks the needle's own last pair. Moves are capped at 255, which
    // only makes them shorter than they might be.
    size_t last = needle_length - 1;
    uint8_t longest = static_cast<uint8_t>(last < 255 ? last : 255);
    uint8_t shift[256];
    memset(shift, longest, sizeof shift);
    for (size_t i = 1; i < last; i++) {
        size_t distance = last - i;
        shift[pair_hash(needle + i - 1)] = static_cast<uint8_t>(distance < 255 ? distance : 255);
    }
    unsigned last_pair = pair_hash(needle + last - 1);
    size_t after_miss = shift[last_pair];  // the last pair's previous place in the needle
    shift[last_pair] = 0;

    size_t final_window = static_cast<size_t>(end - from) - needle_length;
    size_t window = 0;
    while (window <= final_window) {
        size_t move = shift[pair_hash(from + window + last - 1)];
        if (move == 0) {
            if (memcmp(from + window, needle, needle_length) == 0) return from + window;
            move = after_miss;
        }
        window += move;
    }
    return nullptr;
}
