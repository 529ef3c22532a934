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

// How common the byte at `i` is, or the commoner of the two forms' bytes there.
unsigned char commonness_at(const char* needle, const char* other, uint32_t i) {
    unsigned char a = COMMONNESS.of[static_cast<unsigned char>(needle[i])];
    unsigned char b = other ? COMMONNESS.of[static_cast<unsigned char>(other[i])] : a;
    return a > b ? a : b;
}

int forced_level = -1;

// The first byte of the `size` at `bytes` that is `a` or `b`, eight (or four) at a time.
const char* find_either_byte(const char* bytes, size_t size, char a, char b) {
    if (a == b) return static_cast<const char*>(memchr(bytes, a, size));
    const size_t ones = ~static_cast<size_t>(0) / 0xFF;
    const size_t highs = ones * 0x80;
    const size_t as = ones * static_cast<unsigned char>(a);
    const size_t bs = ones * static_cast<unsigned char>(b);
    size_t at = 0;
    for (; at + sizeof(size_t) <= size; at += sizeof(size_t)) {
        size_t word;
        memcpy(&word, bytes + at, sizeof word);
        size_t x = word ^ as, y = word ^ bs;   // a zero byte where a or b stands
        if ((((x - ones) & ~x) | ((y - ones) & ~y)) & highs) break;
    }
    for (; at < size; at++)
        if (bytes[at] == a || bytes[at] == b) return bytes + at;
    return nullptr;
}

// Whether byte `i` of the place is the needle's (or, with `either`, its other form's).
template <bool either>
inline bool same_at(const ByteFinder* finder, const char* place, uint32_t i) {
    return place[i] == finder->needle[i] || (either && place[i] == finder->other[i]);
}

template <bool either>
inline bool stands_at(const ByteFinder* finder, const char* place) {
    if (!either && finder->size > 16) return memcmp(place, finder->needle, finder->size) == 0;
    for (uint32_t i = 0; i < finder->size; i++)
        if (!same_at<either>(finder, place, i)) return false;
    return true;
}

// How a place's two bytes are compared: exactly; with `either`, the bit in which their
// forms differ set first; or with each form.
enum Way { EXACT, MASKED, EACH_FORM };

// The plain way, from `at` on: memchr for the rarest byte (either form's, a word at a
// time, when it has two).
template <bool either>
const char* find_plain(const ByteFinder* finder, const char* bytes, size_t at, size_t last) {
    const char anchor = finder->needle[finder->rare];
    const char other_anchor = either ? finder->other[finder->rare] : anchor;
    while (at <= last) {
        const char* from = bytes + at + finder->rare;
        const char* found =
            either ? find_either_byte(from, last - at + 1, anchor, other_anchor)
                   : static_cast<const char*>(memchr(from, anchor, last - at + 1));
        if (!found) return nullptr;
        at = static_cast<size_t>(found - bytes) - finder->rare;
        if (same_at<either>(finder, bytes + at, finder->second) &&
            stands_at<either>(finder, bytes + at))
            return bytes + at;
        at++;
    }
    return nullptr;
}

#ifdef FINDER_VECTORS
// The needle's first occurrence among the places marked in `both` (one bit a place from
// `block` on), or null.
template <bool either>
inline const char* first_marked(const ByteFinder* finder, const char* block, unsigned both) {
    while (both) {
        const char* place = block + __builtin_ctz(both);
        if (stands_at<either>(finder, place)) return place;
        both &= both - 1;
    }
    return nullptr;
}

// What a vector of a place's bytes is compared with: the rarest byte and the second (the
// needle's, or with MASKED their bits set), then the other form's, then the bits.
struct Wanted {
    char rare;
    char second;
    char other_rare;
    char other_second;
    char rare_bit;
    char second_bit;
};

Wanted wanted(const ByteFinder* finder) {
    const char* other = finder->other ? finder->other : finder->needle;
    Wanted want = {finder->needle[finder->rare], finder->needle[finder->second],
                   other[finder->rare], other[finder->second],
                   static_cast<char>(finder->rare_bit), static_cast<char>(finder->second_bit)};
    if (finder->masked) {
        want.rare = static_cast<char>(want.rare | want.rare_bit);
        want.second = static_cast<char>(want.second | want.second_bit);
    }
    return want;
}

template <Way way>
__attribute__((target("sse2"))) inline __m128i places_sse2(const char* rare_at, const char* second_at,
                                                          const __m128i* want) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rare_at));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second_at));
    if (way == MASKED) {
        a = _mm_or_si128(a, want[4]);
        b = _mm_or_si128(b, want[5]);
    }
    __m128i rare = _mm_cmpeq_epi8(a, want[0]);
    __m128i second = _mm_cmpeq_epi8(b, want[1]);
    if (way == EACH_FORM) {
        rare = _mm_or_si128(rare, _mm_cmpeq_epi8(a, want[2]));
        second = _mm_or_si128(second, _mm_cmpeq_epi8(b, want[3]));
    }
    return _mm_and_si128(rare, second);
}

template <Way way>
__attribute__((target("sse2"))) const char* find_sse2(const ByteFinder* finder, const char* bytes,
                                                     size_t last) {
    constexpr bool either = way != EXACT;
    const Wanted bytes_wanted = wanted(finder);
    const __m128i want[6] = {
        _mm_set1_epi8(bytes_wanted.rare),       _mm_set1_epi8(bytes_wanted.second),
        _mm_set1_epi8(bytes_wanted.other_rare), _mm_set1_epi8(bytes_wanted.other_second),
        _mm_set1_epi8(bytes_wanted.rare_bit),   _mm_set1_epi8(bytes_wanted.second_bit)};
    size_t at = 0;
    for (; at + 15 <= last; at += 16) {
        unsigned both = static_cast<unsigned>(_mm_movemask_epi8(places_sse2<way>(
            bytes + at + finder->rare, bytes + at + finder->second, want)));
        if (const char* found = first_marked<either>(finder, bytes + at, both)) return found;
    }
    return find_plain<either>(finder, bytes, at, last);
}

// `rare_aligned`: rare_at lies on a 32-byte boundary.
template <Way way, bool rare_aligned>
__attribute__((target("avx2"))) inline __m256i places_avx2(const char* rare_at,
                                                           const char* second_at,
                                                           const __m256i* want) {
    __m256i a = rare_aligned ? _mm256_load_si256(reinterpret_cast<const __m256i*>(rare_at))
                             : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rare_at));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second_at));
    if (way == MASKED) {
        a = _mm256_or_si256(a, want[4]);
        b = _mm256_or_si256(b, want[5]);
    }
    __m256i rare = _mm256_cmpeq_epi8(a, want[0]);
    __m256i second = _mm256_cmpeq_epi8(b, want[1]);
    if (way == EACH_FORM) {
        rare = _mm256_or_si256(rare, _mm256_cmpeq_epi8(a, want[2]));
        second = _mm256_or_si256(second, _mm256_cmpeq_epi8(b, want[3]));
    }
    return _mm256_and_si256(rare, second);
}

template <Way way>
__attribute__((target("avx2"))) const char* find_avx2(const ByteFinder* finder, const char* bytes,
                                                     size_t last) {
    constexpr bool either = way != EXACT;
    const Wanted bytes_wanted = wanted(finder);
    const __m256i want[6] = {
        _mm256_set1_epi8(bytes_wanted.rare),       _mm256_set1_epi8(bytes_wanted.second),
        _mm256_set1_epi8(bytes_wanted.other_rare), _mm256_set1_epi8(bytes_wanted.other_second),
        _mm256_set1_epi8(bytes_wanted.rare_bit),   _mm256_set1_epi8(bytes_wanted.second_bit)};
    const char* rare_at = bytes + finder->rare;
    const char* second_at = bytes + finder->second;
    size_t at = 0;
    // One round of 32, then on from where the rarest byte's loads are aligned.
    size_t skew = (32 - reinterpret_cast<uintptr_t>(rare_at) % 32) % 32;
    if (skew && last >= 31) {
        unsigned both = static_cast<unsigned>(
            _mm256_movemask_epi8(places_avx2<way, false>(rare_at, second_at, want)));
        if (const char* found = first_marked<either>(finder, bytes, both)) return found;
        at = skew;
    }
    // 128 places a round with one test while nothing turns up: most of a file.
    for (; at + 127 <= last; at += 128) {
        __m256i places[4];
        for (int i = 0; i < 4; i++)
            places[i] = places_avx2<way, true>(rare_at + at + 32 * i, second_at + at + 32 * i, want);
        __m256i any = _mm256_or_si256(_mm256_or_si256(places[0], places[1]),
                                      _mm256_or_si256(places[2], places[3]));
        if (_mm256_testz_si256(any, any)) continue;
        for (int i = 0; i < 4; i++) {
            unsigned both = static_cast<unsigned>(_mm256_movemask_epi8(places[i]));
            if (const char* found = first_marked<either>(finder, bytes + at + 32 * i, both))
                return found;
        }
    }
    for (; at + 31 <= last; at += 32) {
        unsigned both = static_cast<unsigned>(_mm256_movemask_epi8(
            places_avx2<way, false>(rare_at + at, second_at + at, want)));
        if (const char* found = first_marked<either>(finder, bytes + at, both)) return found;
    }
    return find_plain<either>(finder, bytes, at, last);
}
#endif

template <Way way>
const char* find_in(const ByteFinder* finder, const char* bytes, size_t last) {
#ifdef FINDER_VECTORS
    switch (finder_level()) {
    case FINDER_AVX2: return find_avx2<way>(finder, bytes, last);
    case FINDER_SSE2: return find_sse2<way>(finder, bytes, last);
    case FINDER_PLAIN: break;
    }
#endif
    return find_plain<way != EXACT>(finder, bytes, 0, last);
}

// The bits in which two bytes differ when they are one at most, else -1.
int one_bit_apart(char a, char b) {
    unsigned bits = static_cast<unsigned char>(a ^ b);
    return (bits & (bits - 1)) == 0 ? static_cast<int>(bits) : -1;
}

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
    prepare_finder_either(finder, needle, nullptr, size, 0, 1);
}

void prepare_finder_either(ByteFinder* finder, const char* needle, const char* other,
                           uint32_t size, uint32_t first, uint32_t step) {
    if (first >= size || step == 0) first = 0, step = 1;
    if (other && memcmp(needle, other, size) == 0) other = nullptr;   // the faster way
    finder->needle = needle;
    finder->other = other;
    finder->size = size;
    finder->rare = first;
    for (uint32_t i = first + step; i < size; i += step)
        if (commonness_at(needle, other, i) < commonness_at(needle, other, finder->rare))
            finder->rare = i;
    finder->second = finder->rare;
    for (uint32_t i = first; i < size; i += step) {
        if (i == finder->rare) continue;
        if (finder->second == finder->rare ||
            commonness_at(needle, other, i) < commonness_at(needle, other, finder->second))
            finder->second = i;
    }
    int rare_bit = other ? one_bit_apart(needle[finder->rare], other[finder->rare]) : 0;
    int second_bit = other ? one_bit_apart(needle[finder->second], other[finder->second]) : 0;
    finder->masked = other && rare_bit >= 0 && second_bit >= 0;
    finder->rare_bit = static_cast<unsigned char>(finder->masked ? rare_bit : 0);
    finder->second_bit = static_cast<unsigned char>(finder->masked ? second_bit : 0);
}

const char* find_bytes(const ByteFinder* finder, const char* bytes, size_t size) {
    if (finder->size > size) return nullptr;
    size_t last = size - finder->size;  // the last place where the needle can begin
    if (!finder->other) return find_in<EXACT>(finder, bytes, last);
    return finder->masked ? find_in<MASKED>(finder, bytes, last) : find_in<EACH_FORM>(finder, bytes, last);
}
