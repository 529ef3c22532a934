// Substring search, sixteen places at a time: a place is a candidate when the needle's
// first and last bytes both stand where they would, and only candidates are compared in
// full. Candidates are rare in ordinary text, so most of the text is passed over in
// wide compares. Reads only inside the range.
#include "search.h"

#include <stdint.h>
#include <string.h>

// GCC and clang vector types: SSE2 on x86, plain words where there is none.
typedef unsigned char Bytes16 __attribute__((vector_size(16)));
typedef uint64_t Words2 __attribute__((vector_size(16)));
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "candidate bits are read low byte first");
#if defined(__GNUC__) && !defined(__clang__)
// Without SSE (the 32-bit build) GCC notes that vectors passed by value change the calling
// convention; these helpers never leave this file.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace {

inline Bytes16 load16(const char* p) {
    Bytes16 v;
    memcpy(&v, p, sizeof v);
    return v;
}

inline Bytes16 splat(char c) {
    Bytes16 v;
    memset(&v, c, sizeof v);
    return v;
}

// Candidates of the sixteen places from `block` on: 0xFF where the first byte and the
// last byte of the needle both stand where they would.
inline Bytes16 candidates_at(const char* block, size_t last, Bytes16 first_byte,
                             Bytes16 last_byte) {
    return (Bytes16)((load16(block) == first_byte) & (load16(block + last) == last_byte));
}

inline bool any(Bytes16 candidates) {
    Words2 halves = (Words2)candidates;
    return (halves[0] | halves[1]) != 0;
}

// The first of the candidates from `block` on that proves to be the needle.
const char* first_found(const char* block, Bytes16 candidates, const char* needle,
                        size_t needle_length) {
    Words2 halves = (Words2)candidates;
    for (int half = 0; half < 2; half++) {
        uint64_t bits = halves[half] & 0x8080808080808080u;  // one bit a place
        while (bits) {
            const char* at = block + 8 * half + __builtin_ctzll(bits) / 8;
            if (memcmp(at + 1, needle + 1, needle_length - 2) == 0) return at;
            bits &= bits - 1;
        }
    }
    return nullptr;
}

}  // namespace

const char* find_bytes(const char* from, const char* end, const char* needle,
                       size_t needle_length) {
    if (needle_length == 0) return from;
    size_t length = static_cast<size_t>(end - from);
    if (needle_length > length) return nullptr;
    if (needle_length == 1) return static_cast<const char*>(memchr(from, needle[0], length));

    const size_t last = needle_length - 1;
    const size_t places = length - last;  // where the needle can start: 0 .. places-1
    const Bytes16 first_byte = splat(needle[0]), last_byte = splat(needle[last]);
    size_t place = 0;
    // Sixty-four places a round while no candidate turns up, then sixteen, then one.
    for (; place + 64 <= places; place += 64) {
        const char* block = from + place;
        Bytes16 c0 = candidates_at(block, last, first_byte, last_byte);
        Bytes16 c1 = candidates_at(block + 16, last, first_byte, last_byte);
        Bytes16 c2 = candidates_at(block + 32, last, first_byte, last_byte);
        Bytes16 c3 = candidates_at(block + 48, last, first_byte, last_byte);
        if (!any(c0 | c1 | c2 | c3)) continue;
        for (int i = 0; i < 4; i++) {
            Bytes16 c = i == 0 ? c0 : i == 1 ? c1 : i == 2 ? c2 : c3;
            if (!any(c)) continue;
            if (const char* found = first_found(block + 16 * i, c, needle, needle_length))
                return found;
        }
    }
    for (; place + 16 <= places; place += 16) {
        const char* block = from + place;
        Bytes16 c = candidates_at(block, last, first_byte, last_byte);
        if (!any(c)) continue;
        if (const char* found = first_found(block, c, needle, needle_length)) return found;
    }
    for (; place < places; place++) {
        const char* at = from + place;
        if (at[0] == needle[0] && at[last] == needle[last] &&
            memcmp(at + 1, needle + 1, needle_length - 2) == 0)
            return at;
    }
    return nullptr;
}
