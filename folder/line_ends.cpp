#include "line_ends.h"

#include "find_bytes.h"
#include "text_encoding.h"

#if defined(__x86_64__) || defined(__i386__)
#define LINE_VECTORS 1
#include <immintrin.h>
#endif

namespace {

// An LF, or a CR that `next` does not follow as an LF.
inline uint64_t ends_at(unsigned current, unsigned next) {
    return current == '\n' || (current == '\r' && next != '\n');
}

// The ends among bytes[at, last), each of which has its next byte in the block.
uint64_t count_plain(const unsigned char* bytes, size_t at, size_t last) {
    uint64_t ends = 0;
    for (; at < last; at++) ends += ends_at(bytes[at], bytes[at + 1]);
    return ends;
}

#ifdef LINE_VECTORS
// Sixteen bytes at a time: each LF, and each CR whose next byte is no LF, subtracts one
// (a comparison gives -1) from a lane's counter, summed up before it can wrap.
__attribute__((target("sse2"))) uint64_t count_sse2(const unsigned char* bytes, size_t* at,
                                                    size_t last) {
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
    uint64_t ends = 0;
    while (last - *at >= 16) {
        __m128i lanes = zero;
        for (int round = 0; round < 255 && last - *at >= 16; round++, *at += 16) {
            __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + *at));
            __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + *at + 1));
            __m128i lone_cr = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr));
            lanes = _mm_add_epi8(lanes, _mm_cmpeq_epi8(here, lf));
            lanes = _mm_add_epi8(lanes, lone_cr);
        }
        __m128i sums = _mm_sad_epu8(_mm_sub_epi8(zero, lanes), zero);
        ends += static_cast<uint64_t>(_mm_cvtsi128_si32(sums)) +
                static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    return ends;
}
#endif

uint64_t count_bytes(const unsigned char* bytes, size_t size) {
    size_t at = 0, last = size - 1;   // the last byte has no next one here
    uint64_t ends = 0;
#ifdef LINE_VECTORS
    if (finder_level() >= FINDER_SSE2) ends = count_sse2(bytes, &at, last);
#endif
    return ends + count_plain(bytes, at, last);
}

uint64_t count_units(const unsigned char* bytes, size_t units, bool big_endian) {
    uint64_t ends = 0;
    unsigned unit = 0;
    for (size_t i = 0; i < units; i++) {
        unsigned next = big_endian ? (bytes[2 * i] << 8 | bytes[2 * i + 1])
                                   : (bytes[2 * i + 1] << 8 | bytes[2 * i]);
        if (i > 0) ends += ends_at(unit, next);
        unit = next;
    }
    return ends;
}

}  // namespace

uint64_t count_line_ends(int encoding, const char* text, size_t size, int* cr_pending) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    const bool units = is_utf16(encoding);
    const size_t width = units ? 2 : 1;
    if (size < width) return 0;
    const bool big_endian = encoding == TEXT_UTF16_BE;
    auto character = [&](size_t index) -> unsigned {
        const unsigned char* at = bytes + index * width;
        if (!units) return at[0];
        return big_endian ? (at[0] << 8 | at[1]) : (at[1] << 8 | at[0]);
    };
    size_t count = size / width;
    // The CR that waited ends a line unless these bytes begin with its LF.
    uint64_t ends = *cr_pending && character(0) != '\n';
    ends += units ? count_units(bytes, count, big_endian) : count_bytes(bytes, count);
    unsigned last = character(count - 1);
    ends += last == '\n';
    *cr_pending = last == '\r';
    return ends;
}
