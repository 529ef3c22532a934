// The search looks for the needle's two rarest bytes at their distance from each other
// (32 or 16 places at once with AVX2 or SSE2, else memchr on the rarest one), and compares
// the whole needle only where both stand, so common bytes cost little. Which way is taken
// is decided once, from what the processor has.
#include "find_bytes.h"

#include <string.h>

#include "cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#define FINDER_VECTORS 1
#include <immintrin.h>
#endif

namespace {

constexpr bool holds(const char* set, unsigned c) {
    for (; *set; set++)
        if (static_cast<unsigned char>(*set) == c) return true;
    return false;
}

// How common a byte is in text, roughly.
constexpr unsigned char commonness(unsigned c) {
    if (c == ' ') return 100;
    if (c >= 'a' && c <= 'z') return holds("etaoinsrhldcu", c) ? 90 : 70;
    if (c >= 0xE0) return 80;  // lower-case Cyrillic letters in Windows-1251
    if (c >= 'A' && c <= 'Z') return 50;
    if (c >= 0xC0 || (c >= '0' && c <= '9')) return 45;
    if (c == '\n' || c == '\r' || c == '\t') return 40;
    if (holds(".,;:()=\"'-_/<>{}[]", c)) return 35;
    if (c == 0) return 30;  // binary files
    return 10;
}

// Made when the program is built: every needle is judged by it.
struct ByteTable {
    unsigned char of[256];
};

constexpr ByteTable commonness_table() {
    ByteTable table = {};
    for (unsigned c = 0; c < 256; c++) table.of[c] = commonness(c);
    return table;
}

constexpr ByteTable COMMONNESS = commonness_table();

int rarer(const char* needle, uint32_t a, uint32_t b) {
    return COMMONNESS.of[static_cast<unsigned char>(needle[a])] <
           COMMONNESS.of[static_cast<unsigned char>(needle[b])];
}

int forced_level = -1;

// The plain way, from `at` on: memchr for the rarest byte.
const char* find_plain(const ByteFinder* finder, const char* bytes, size_t at, size_t last) {
    const char anchor = finder->needle[finder->rare];
    while (at <= last) {
        const char* found =
            static_cast<const char*>(memchr(bytes + at + finder->rare, anchor, last - at + 1));
        if (!found) return nullptr;
        at = static_cast<size_t>(found - bytes) - finder->rare;
        if (bytes[at + finder->second] == finder->needle[finder->second] &&
            memcmp(bytes + at, finder->needle, finder->size) == 0)
            return bytes + at;
        at++;
    }
    return nullptr;
}

#ifdef FINDER_VECTORS
// Whether the needle stands at `place`: a short one compared here, a call costing more
// than the comparison.
inline bool stands_at(const ByteFinder* finder, const char* place) {
    if (finder->size > 16) return memcmp(place, finder->needle, finder->size) == 0;
    for (uint32_t i = 0; i < finder->size; i++)
        if (place[i] != finder->needle[i]) return false;
    return true;
}

// The needle's first occurrence among the places marked in `both` (one bit a place from
// `block` on), or null.
inline const char* first_marked(const ByteFinder* finder, const char* block, unsigned both) {
    while (both) {
        const char* place = block + __builtin_ctz(both);
        if (stands_at(finder, place)) return place;
        both &= both - 1;
    }
    return nullptr;
}

__attribute__((target("sse2"))) const char* find_sse2(const ByteFinder* finder, const char* bytes,
                                                     size_t last) {
    const __m128i rare = _mm_set1_epi8(finder->needle[finder->rare]);
    const __m128i second = _mm_set1_epi8(finder->needle[finder->second]);
    size_t at = 0;
    for (; at + 15 <= last; at += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + finder->rare));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + finder->second));
        unsigned both = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, rare), _mm_cmpeq_epi8(b, second))));
        if (const char* found = first_marked(finder, bytes + at, both)) return found;
    }
    return find_plain(finder, bytes, at, last);
}

// `rare_aligned`: rare_at lies on a 32-byte boundary.
template <bool rare_aligned>
__attribute__((target("avx2"))) inline __m256i places_avx2(const char* rare_at,
                                                           const char* second_at,
                                                           __m256i rare, __m256i second) {
    __m256i a = rare_aligned ? _mm256_load_si256(reinterpret_cast<const __m256i*>(rare_at))
                             : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rare_at));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second_at));
    return _mm256_and_si256(_mm256_cmpeq_epi8(a, rare), _mm256_cmpeq_epi8(b, second));
}

__attribute__((target("avx2"))) const char* find_avx2(const ByteFinder* finder, const char* bytes,
                                                     size_t last) {
    const __m256i rare = _mm256_set1_epi8(finder->needle[finder->rare]);
    const __m256i second = _mm256_set1_epi8(finder->needle[finder->second]);
    const char* rare_at = bytes + finder->rare;
    const char* second_at = bytes + finder->second;
    size_t at = 0;
    // One round of 32, then on from where the rarest byte's loads are aligned.
    size_t skew = (32 - reinterpret_cast<uintptr_t>(rare_at) % 32) % 32;
    if (skew && last >= 31) {
        unsigned both = static_cast<unsigned>(
            _mm256_movemask_epi8(places_avx2<false>(rare_at, second_at, rare, second)));
        if (const char* found = first_marked(finder, bytes, both)) return found;
        at = skew;
    }
    // 128 places a round with one test while nothing turns up: most of a file.
    for (; at + 127 <= last; at += 128) {
        __m256i places[4];
        for (int i = 0; i < 4; i++)
            places[i] = places_avx2<true>(rare_at + at + 32 * i, second_at + at + 32 * i, rare,
                                          second);
        __m256i any = _mm256_or_si256(_mm256_or_si256(places[0], places[1]),
                                      _mm256_or_si256(places[2], places[3]));
        if (_mm256_testz_si256(any, any)) continue;
        for (int i = 0; i < 4; i++) {
            unsigned both = static_cast<unsigned>(_mm256_movemask_epi8(places[i]));
            if (const char* found = first_marked(finder, bytes + at + 32 * i, both)) return found;
        }
    }
    for (; at + 31 <= last; at += 32) {
        unsigned both = static_cast<unsigned>(
            _mm256_movemask_epi8(places_avx2<false>(rare_at + at, second_at + at, rare, second)));
        if (const char* found = first_marked(finder, bytes + at, both)) return found;
    }
    return find_plain(finder, bytes, at, last);
}
#endif

FinderLevel processor_level() {
    // Asked once; two threads asking at once get the same answer, and the atomic access
    // keeps their stores and loads of it from racing.
    static int level = -1;
    int known = __atomic_load_n(&level, __ATOMIC_RELAXED);
    if (known < 0) {
        known = cpu_has_avx2() ? FINDER_AVX2 : cpu_has_sse2() ? FINDER_SSE2 : FINDER_PLAIN;
        __atomic_store_n(&level, known, __ATOMIC_RELAXED);
    }
    return static_cast<FinderLevel>(known);
}

}  // namespace

FinderLevel finder_level() {
    return forced_level >= 0 ? static_cast<FinderLevel>(forced_level) : processor_level();
}

void force_finder_level(int level) {
    forced_level = level >= 0 && level <= processor_level() ? level : -1;
}

void prepare_finder(ByteFinder* finder, const char* needle, uint32_t size) {
    prepare_finder_among(finder, needle, size, 0, 1);
}

void prepare_finder_among(ByteFinder* finder, const char* needle, uint32_t size,
                          uint32_t first, uint32_t step) {
    if (first >= size || step == 0) first = 0, step = 1;
    finder->needle = needle;
    finder->size = size;
    finder->rare = first;
    for (uint32_t i = first + step; i < size; i += step)
        if (rarer(needle, i, finder->rare)) finder->rare = i;
    finder->second = finder->rare;
    for (uint32_t i = first; i < size; i += step) {
        if (i == finder->rare) continue;
        if (finder->second == finder->rare || rarer(needle, i, finder->second)) finder->second = i;
    }
}

const char* find_bytes(const ByteFinder* finder, const char* bytes, size_t size) {
    if (finder->size > size) return nullptr;
    size_t last = size - finder->size;  // the last place where the needle can begin
#ifdef FINDER_VECTORS
    switch (finder_level()) {
    case FINDER_AVX2: return find_avx2(finder, bytes, last);
    case FINDER_SSE2: return find_sse2(finder, bytes, last);
    case FINDER_PLAIN: break;
    }
#endif
    return find_plain(finder, bytes, 0, last);
}
