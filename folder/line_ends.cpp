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

inline bool is_break(char byte) { return byte == '\n' || byte == '\r'; }

// The ends among bytes[at, last), each of which has its next byte in the block.
uint64_t count_plain(const unsigned char* bytes, size_t at, size_t last) {
    uint64_t ends = 0;
    for (; at < last; at++) ends += ends_at(bytes[at], bytes[at + 1]);
    return ends;
}

#ifdef LINE_VECTORS
// Many bytes at a time: each LF, and each CR whose next byte is no LF, subtracts one (a
// comparison gives -1) from its lane's counter; the counters are summed up before they
// can wrap. The last bytes, fewer than a vector, are counted by a vector that ends with
// them, the bytes counted already masked out.
__attribute__((target("sse2"))) inline __m128i ends_sse2(const unsigned char* at) {
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
    return _mm_or_si128(_mm_cmpeq_epi8(here, lf),
                        _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr)));
}

__attribute__((target("sse2"))) uint64_t count_sse2(const unsigned char* bytes, size_t last) {
    const __m128i zero = _mm_setzero_si128();
    uint64_t ends = 0;
    size_t at = 0;
    while (last - at >= 16) {
        __m128i lanes = zero;
        for (int round = 0; round < 255 && last - at >= 16; round++, at += 16)
            lanes = _mm_add_epi8(lanes, ends_sse2(bytes + at));
        __m128i sums = _mm_sad_epu8(_mm_sub_epi8(zero, lanes), zero);
        ends += static_cast<uint32_t>(_mm_cvtsi128_si32(sums)) +
                static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    if (last > at) {
        uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(ends_sse2(bytes + last - 16)));
        mask >>= 16 - (last - at);
        for (; mask; mask &= mask - 1) ends++;
    }
    return ends;
}

__attribute__((target("avx2,popcnt"))) inline __m256i ends_avx2(const unsigned char* at) {
    const __m256i lf = _mm256_set1_epi8('\n'), cr = _mm256_set1_epi8('\r');
    __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
    return _mm256_or_si256(_mm256_cmpeq_epi8(here, lf),
                           _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lf),
                                               _mm256_cmpeq_epi8(here, cr)));
}

__attribute__((target("avx2,popcnt"))) uint64_t count_avx2(const unsigned char* bytes,
                                                           size_t last) {
    const __m256i zero = _mm256_setzero_si256();
    uint64_t ends = 0;
    size_t at = 0;
    while (last - at >= 32) {
        __m256i lanes = zero;
        for (int round = 0; round < 255 && last - at >= 32; round++, at += 32)
            lanes = _mm256_add_epi8(lanes, ends_avx2(bytes + at));
        __m256i sums = _mm256_sad_epu8(_mm256_sub_epi8(zero, lanes), zero);
        __m128i half = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
        ends += static_cast<uint32_t>(_mm_cvtsi128_si32(half)) +
                static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(half, 8)));
    }
    if (last > at) {
        uint32_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(ends_avx2(bytes + last - 32)));
        ends += static_cast<uint64_t>(_mm_popcnt_u32(mask >> (32 - (last - at))));
    }
    return ends;
}

// The CRs and LFs among 16 bytes, a bit each.
__attribute__((target("sse2"))) inline uint32_t breaks_sse2(const char* bytes) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    __m128i found = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                                 _mm_cmpeq_epi8(block, _mm_set1_epi8('\r')));
    return static_cast<uint32_t>(_mm_movemask_epi8(found));
}

// UTF-16 eight units at a time, as count_sse2 counts bytes, in 16-bit lanes: loaded as
// little-endian words, a big-endian text's CR and LF have their bytes swapped. Counts the
// units [0, *counted) and leaves the rest, fewer than eight, to the caller.
__attribute__((target("sse2"))) inline __m128i unit_ends_sse2(const unsigned char* at,
                                                               __m128i lf, __m128i cr) {
    __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 2));
    return _mm_or_si128(_mm_cmpeq_epi16(here, lf),
                        _mm_andnot_si128(_mm_cmpeq_epi16(next, lf), _mm_cmpeq_epi16(here, cr)));
}

__attribute__((target("sse2"))) uint64_t count_units_sse2(const unsigned char* bytes,
                                                          size_t last, bool big_endian,
                                                          size_t* counted) {
    const __m128i lf = _mm_set1_epi16(big_endian ? 0x0A00 : 0x000A);
    const __m128i cr = _mm_set1_epi16(big_endian ? 0x0D00 : 0x000D);
    uint64_t ends = 0;
    size_t at = 0;
    while (last - at >= 8) {
        __m128i lanes = _mm_setzero_si128();
        for (int round = 0; round < 16384 && last - at >= 8; round++, at += 8)
            lanes = _mm_sub_epi16(lanes, unit_ends_sse2(bytes + 2 * at, lf, cr));
        __m128i sums = _mm_madd_epi16(lanes, _mm_set1_epi16(1));
        sums = _mm_add_epi32(sums, _mm_srli_si128(sums, 8));
        sums = _mm_add_epi32(sums, _mm_srli_si128(sums, 4));
        ends += static_cast<uint32_t>(_mm_cvtsi128_si32(sums));
    }
    *counted = at;
    return ends;
}
#endif

// The ends among `size` bytes but the last, whose next byte is not among them.
uint64_t count_bytes(const unsigned char* bytes, size_t size) {
    size_t last = size - 1;
#ifdef LINE_VECTORS
    if (last >= 32 && finder_level() == FINDER_AVX2) return count_avx2(bytes, last);
    if (last >= 16 && finder_level() >= FINDER_SSE2) return count_sse2(bytes, last);
#endif
    return count_plain(bytes, 0, last);
}

inline unsigned unit_at(const unsigned char* bytes, size_t index, bool big_endian) {
    const unsigned char* at = bytes + 2 * index;
    return big_endian ? (at[0] << 8 | at[1]) : (at[1] << 8 | at[0]);
}

// The ends among `units` UTF-16 units but the last, as count_bytes counts bytes.
uint64_t count_units(const unsigned char* bytes, size_t units, bool big_endian) {
    size_t last = units - 1;
    size_t at = 0;
    uint64_t ends = 0;
#ifdef LINE_VECTORS
    if (last >= 8 && finder_level() >= FINDER_SSE2) ends = count_units_sse2(bytes, last, big_endian, &at);
#endif
    for (; at < last; at++)
        ends += ends_at(unit_at(bytes, at, big_endian), unit_at(bytes, at + 1, big_endian));
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
        return units ? unit_at(bytes, index, big_endian) : bytes[index];
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

int32_t last_break(const char* bytes, uint32_t size) {
    uint32_t end = size;
#ifdef LINE_VECTORS
    if (size >= 16 && finder_level() >= FINDER_SSE2) {
        for (; end >= 16; end -= 16)
            if (uint32_t found = breaks_sse2(bytes + end - 16))
                return static_cast<int32_t>(end - 16 + 31 - __builtin_clz(found));
        // The first bytes once more, those looked at already masked out.
        uint32_t found = breaks_sse2(bytes) & ((1u << end) - 1);
        return found ? static_cast<int32_t>(31 - __builtin_clz(found)) : -1;
    }
#endif
    while (end-- > 0)
        if (is_break(bytes[end])) return static_cast<int32_t>(end);
    return -1;
}

uint32_t first_break(const char* bytes, uint32_t size) {
    uint32_t at = 0;
#ifdef LINE_VECTORS
    if (size >= 16 && finder_level() >= FINDER_SSE2) {
        for (; size - at >= 16; at += 16)
            if (uint32_t found = breaks_sse2(bytes + at)) return at + __builtin_ctz(found);
        uint32_t found = breaks_sse2(bytes + size - 16) >> (16 - (size - at));
        return found ? at + __builtin_ctz(found) : size;
    }
#endif
    while (at < size && !is_break(bytes[at])) at++;
    return at;
}
