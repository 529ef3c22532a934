#include "text_encoding.h"

#include <stdlib.h>
#include <string.h>

#include "code_page.h"
#include "find_bytes.h"
#include "unicode_words.h"

#if defined(__x86_64__) || defined(__i386__)
#define TEXT_VECTORS 1
#include <immintrin.h>
#endif

namespace {

struct EncodingEntry {
    const char* mark;
    uint32_t mark_length;
    const char* name;
};

// By TextEncoding.
constexpr EncodingEntry ENCODINGS[] = {
    {"", 0, nullptr},
    {"\xEF\xBB\xBF", 3, "UTF-8"},
    {"\xFF\xFE", 2, "UTF-16 LE"},
    {"\xFE\xFF", 2, "UTF-16 BE"},
    {"", 0, nullptr},
};

const EncodingEntry& entry_of(int encoding) {
    bool known = encoding >= 0 && encoding < static_cast<int>(sizeof ENCODINGS / sizeof *ENCODINGS);
    return ENCODINGS[known ? encoding : TEXT_ANSI];
}

// What a UTF-8 lead byte begins: the sequence's length (0: none) and the range of its
// second byte, narrower than 0x80 to 0xBF where that keeps out overlong forms,
// surrogates and code points above U+10FFFF.
struct Lead {
    uint8_t length, low, high;
};

Lead utf8_lead(unsigned char byte) {
    if (byte < 0x80) return {1, 0, 0};
    if (byte < 0xC2) return {0, 0, 0};
    if (byte < 0xE0) return {2, 0x80, 0xBF};
    if (byte == 0xE0) return {3, 0xA0, 0xBF};
    if (byte == 0xED) return {3, 0x80, 0x9F};
    if (byte < 0xF0) return {3, 0x80, 0xBF};
    if (byte == 0xF0) return {4, 0x90, 0xBF};
    if (byte < 0xF4) return {4, 0x80, 0xBF};
    if (byte == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

constexpr int SEQUENCE_INVALID = -1;   // the byte begins no valid sequence
constexpr int SEQUENCE_CUT = 0;        // the bytes end inside a sequence valid so far

// The UTF-8 sequence at raw[at] (at < size): its length, and its code point.
int utf8_sequence(const unsigned char* raw, uint32_t size, uint32_t at, uint32_t* code_point) {
    Lead lead = utf8_lead(raw[at]);
    if (lead.length == 0) return SEQUENCE_INVALID;
    if (lead.length == 1) {
        *code_point = raw[at];
        return 1;
    }
    uint32_t point = raw[at] & (0x7Fu >> lead.length);
    for (uint32_t i = 1; i < lead.length; i++) {
        if (i >= size - at) return SEQUENCE_CUT;
        unsigned char next = raw[at + i];
        if (next < (i == 1 ? lead.low : 0x80) || next > (i == 1 ? lead.high : 0xBF))
            return SEQUENCE_INVALID;
        point = (point << 6) | (next & 0x3F);
    }
    *code_point = point;
    return lead.length;
}

bool is_high_surrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_surrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

uint32_t utf16_unit(const unsigned char* raw, uint32_t at, bool big_endian) {
    return big_endian ? (raw[at] << 8 | raw[at + 1]) : (raw[at + 1] << 8 | raw[at]);
}

uint32_t surrogate_pair(uint32_t high, uint32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Eight bytes as one word, the first at its lowest bits.
uint64_t little_endian_word(const unsigned char* bytes) {
    uint64_t word;
    memcpy(&word, bytes, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// Four 16-bit lanes of at most 0xFF each: how many are not zero (adding 0xFF carries
// into their bit 8).
constexpr uint64_t LANE_BYTE = 0x00FF00FF00FF00FFull;
uint32_t lanes_not_zero(uint64_t lanes) {
    return static_cast<uint32_t>(__builtin_popcountll((lanes + LANE_BYTE) & 0x0100010001000100ull));
}

// UTF-16 without a mark: the high bytes (at odd offsets for little-endian) nearly all
// 0x00 or 0x04, Basic Latin and Cyrillic, the low bytes nearly never 0x00, no U+0000.
bool looks_utf16(const unsigned char* bytes, uint32_t size, bool big_endian) {
    uint32_t units = (size < UTF16_SAMPLE_SIZE ? size : UTF16_SAMPLE_SIZE) / 2;
    if (units < UTF16_LEAST_UNITS) return false;
    uint32_t high_at = big_endian ? 0 : 1;
    uint32_t others = 0, zero_low = 0;
    // Given up as soon as either share is out of reach: most files are not UTF-16. Four
    // units at a time first, each in a 16-bit lane of a word.
    uint32_t unit = 0;
    for (; units - unit >= 4; unit += 4) {
        uint64_t word = little_endian_word(bytes + 2 * unit);
        uint64_t high = (word >> (8 * high_at)) & LANE_BYTE;
        uint64_t low = (word >> (8 - 8 * high_at)) & LANE_BYTE;
        if (lanes_not_zero(high | low) != 4) return false;   // a U+0000
        // High bytes but 0x00 and 0x04 keep a bit when 0x04 is cleared.
        others += lanes_not_zero(high & ~0x0004000400040004ull);
        zero_low += 4 - lanes_not_zero(low);
        if (others * 10 > units || zero_low * 10 > units) return false;
    }
    for (; unit < units; unit++) {
        unsigned char high = bytes[2 * unit + high_at], low = bytes[2 * unit + 1 - high_at];
        if (high == 0 && low == 0) return false;
        if (high != 0x00 && high != 0x04 && ++others * 10 > units) return false;
        if (low == 0 && ++zero_low * 10 > units) return false;
    }
    return true;
}

// The plain text of most files is ASCII and two-byte sequences (Cyrillic, Latin with
// marks): the bytes of a block are checked for that at once, by masks with a bit per
// byte. `high` marks the bytes above 0x7F, `bit6` and `bit5` those with that bit set,
// `c0_c1` those whose bits 5..1 are clear; `carry` is 1 when the byte before the block
// is a two-byte lead. Returns whether the block holds nothing else, with `*carry` set for
// the next one. `shift` is the distance between neighbours' bits, and the last byte's bit
// moved right by `carry_shift` is the first byte's.
template <typename Mask>
bool ascii_and_pairs(Mask high, Mask bit6, Mask bit5, Mask c0_c1, unsigned shift,
                     unsigned carry_shift, Mask* carry) {
    Mask continuation = high & ~bit6;                 // 80..BF
    Mask lead = high & bit6 & ~bit5 & ~c0_c1;         // C2..DF
    // Each lead followed by a continuation byte, each continuation byte led.
    if (high != (continuation | lead) || continuation != static_cast<Mask>(lead << shift | *carry))
        return false;
    *carry = lead >> carry_shift;
    return true;
}

// Skips, from `at` where a character begins, the blocks of eight bytes that hold only ASCII
// and two-byte sequences. Returns where the byte-by-byte check goes on: a character's
// beginning.
uint32_t skip_plain_words(const unsigned char* bytes, uint32_t at, uint32_t limit,
                          bool* beyond_ascii) {
    const uint64_t HIGH = 0x8080808080808080ull;
    uint64_t carry = 0;
    for (; limit - at >= 8; at += 8) {
        uint64_t word = little_endian_word(bytes + at);
        uint64_t high = word & HIGH;
        if (!(high | carry)) continue;
        // Bits 5..1 of no byte carry into the next when 0x7F is added.
        uint64_t c0_c1 = ~((word & 0x3E3E3E3E3E3E3E3Eull) + 0x7F7F7F7F7F7F7F7Full) & HIGH;
        if (!ascii_and_pairs<uint64_t>(high, (word << 1) & HIGH, (word << 2) & HIGH, c0_c1, 8,
                                       56, &carry))
            break;
        *beyond_ascii = true;
    }
    return at - (carry ? 1 : 0);   // a lead left over begins the next character
}

#ifdef TEXT_VECTORS
// The same sixteen bytes at a time.
__attribute__((target("sse2"))) uint32_t skip_plain_sse2(const unsigned char* bytes,
                                                         uint32_t at, uint32_t limit,
                                                         bool* beyond_ascii) {
    const __m128i bits_5_to_1 = _mm_set1_epi8(0x3E);
    uint16_t carry = 0;
    for (; limit - at >= 16; at += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        uint16_t high = static_cast<uint16_t>(_mm_movemask_epi8(block));
        if (!(high | carry)) continue;
        // Shifts within 16-bit lanes bring each byte's bit 6 (or 5) to its own bit 7.
        uint16_t bit6 = static_cast<uint16_t>(_mm_movemask_epi8(_mm_slli_epi16(block, 1)));
        uint16_t bit5 = static_cast<uint16_t>(_mm_movemask_epi8(_mm_slli_epi16(block, 2)));
        uint16_t c0_c1 = static_cast<uint16_t>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_and_si128(block, bits_5_to_1), _mm_setzero_si128())));
        if (!ascii_and_pairs<uint16_t>(high, bit6, bit5, c0_c1, 1, 15, &carry)) break;
        *beyond_ascii = true;
    }
    return at - carry;
}

// And thirty-two at a time.
__attribute__((target("avx2"))) uint32_t skip_plain_avx2(const unsigned char* bytes,
                                                         uint32_t at, uint32_t limit,
                                                         bool* beyond_ascii) {
    const __m256i bits_5_to_1 = _mm256_set1_epi8(0x3E);
    uint32_t carry = 0;
    for (; limit - at >= 32; at += 32) {
        __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at));
        uint32_t high = static_cast<uint32_t>(_mm256_movemask_epi8(block));
        if (!(high | carry)) continue;
        uint32_t bit6 = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(block, 1)));
        uint32_t bit5 = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(block, 2)));
        uint32_t c0_c1 = static_cast<uint32_t>(_mm256_movemask_epi8(
            _mm256_cmpeq_epi8(_mm256_and_si256(block, bits_5_to_1), _mm256_setzero_si256())));
        if (!ascii_and_pairs<uint32_t>(high, bit6, bit5, c0_c1, 1, 31, &carry)) break;
        *beyond_ascii = true;
    }
    return at - carry;
}
#endif

// Valid UTF-8 as far as it is looked at, with a byte above 0x7F.
bool looks_utf8(const unsigned char* bytes, uint32_t size) {
    uint32_t limit = size < DETECT_SIZE ? size : DETECT_SIZE;
    bool beyond_ascii = false;
#ifdef TEXT_VECTORS
    FinderLevel level = finder_level();
#endif
    for (uint32_t at = 0; at < limit;) {
#ifdef TEXT_VECTORS
        if (level == FINDER_AVX2) at = skip_plain_avx2(bytes, at, limit, &beyond_ascii);
        if (level >= FINDER_SSE2) at = skip_plain_sse2(bytes, at, limit, &beyond_ascii);
#endif
        at = skip_plain_words(bytes, at, limit, &beyond_ascii);
        if (at >= limit) break;
        if (bytes[at] < 0x80) {
            at++;
            continue;
        }
        beyond_ascii = true;
        uint32_t point;
        int length = utf8_sequence(bytes, limit, at, &point);
        if (length == SEQUENCE_CUT) break;
        if (length == SEQUENCE_INVALID) return false;
        at += static_cast<uint32_t>(length);
    }
    return beyond_ascii;
}

const AnsiCodePage* build_code_page() {
    static AnsiCodePage page;
    ansi_code_points(page.characters);
    page.characters[0] = 0;
    for (uint32_t byte = 1; byte < 256; byte++) {
        uint32_t point = page.characters[byte];
        // No byte but 0 is U+0000, and a surrogate is no character: such a byte keeps
        // its own number, so that each byte is written as some character.
        if (point == 0 || (point >= 0xD800 && point <= 0xDFFF)) point = byte;
        page.characters[byte] = static_cast<uint16_t>(point);
        if (page.bytes[point] == 0) page.bytes[point] = static_cast<uint8_t>(byte);
    }
    return &page;
}

// Where decoded characters go.
struct View {
    char* bytes;
    uint32_t* offsets;
    uint32_t base;
    uint32_t count;
};

void put(View* view, char byte, uint32_t at) {
    view->bytes[view->count] = byte;
    if (view->offsets) view->offsets[view->count] = view->base + at;
    view->count++;
}

// A character without an ANSI form: apart from the common case, which stays small.
__attribute__((noinline)) void put_unmapped(View* view, TextDecoder* decoder, uint32_t point,
                                            uint32_t at) {
    bool word = decoder->word_placeholder && unicode_word_character(point);
    put(view, word ? decoder->word_placeholder : decoder->placeholder, at);
    decoder->unmapped++;
}

// The ANSI byte of a code point above U+0000, or a placeholder.
void put_character(View* view, TextDecoder* decoder, const AnsiCodePage* page, uint32_t point,
                   uint32_t at) {
    uint8_t byte = point <= 0xFFFF ? page->bytes[point] : 0;
    if (byte == 0) put_unmapped(view, decoder, point, at);
    else put(view, static_cast<char>(byte), at);
}

void put_placeholder(View* view, TextDecoder* decoder, uint32_t at) {
    put(view, decoder->placeholder, at);
    decoder->unmapped++;
}

uint32_t decode_utf8(TextDecoder* decoder, const unsigned char* raw, uint32_t size, int at_end,
                     View* view, uint32_t capacity) {
    const AnsiCodePage* page = ansi_code_page();
    uint32_t at = 0;
    while (at < size && view->count < capacity) {
        if (raw[at] < 0x80) {
            put(view, static_cast<char>(raw[at]), at);
            at++;
            continue;
        }
        uint32_t point = 0;
        int length = utf8_sequence(raw, size, at, &point);
        if (length == SEQUENCE_CUT && !at_end) break;
        if (length <= 0) {
            put_placeholder(view, decoder, at);
            at++;
        } else {
            put_character(view, decoder, page, point, at);
            at += static_cast<uint32_t>(length);
        }
    }
    return at;
}

uint32_t decode_utf16(TextDecoder* decoder, const unsigned char* raw, uint32_t size, int at_end,
                      View* view, uint32_t capacity) {
    const AnsiCodePage* page = ansi_code_page();
    bool big_endian = decoder->encoding == TEXT_UTF16_BE;
    uint32_t at = 0;
    while (at < size && view->count < capacity) {
        if (size - at < 2) {   // half a code unit
            if (!at_end) break;
            put_placeholder(view, decoder, at);
            at++;
            continue;
        }
        uint32_t unit = utf16_unit(raw, at, big_endian);
        uint32_t length = 2;
        if (unit == 0) {
            put(view, '\0', at);
        } else if (!is_high_surrogate(unit) && !is_low_surrogate(unit)) {
            put_character(view, decoder, page, unit, at);
        } else {
            // A pair is a character beyond the code page; either half alone is one too.
            if (is_high_surrogate(unit)) {
                if (size - at < 4 && !at_end) break;
                if (size - at >= 4 && is_low_surrogate(utf16_unit(raw, at + 2, big_endian)))
                    length = 4;
            }
            if (length == 4) {
                uint32_t low = utf16_unit(raw, at + 2, big_endian);
                put_character(view, decoder, page, surrogate_pair(unit, low), at);
            } else {
                put_placeholder(view, decoder, at);
            }
        }
        at += length;
    }
    return at;
}

}  // namespace

int is_utf16(int encoding) {
    return encoding == TEXT_UTF16_LE || encoding == TEXT_UTF16_BE;
}

TextForm detect_text_form(const char* data, uint32_t size) {
    TextForm form = detect_text_encoding(data, size);
    if (form.encoding == TEXT_ANSI && holds_zero_byte(data, size)) form.encoding = TEXT_BINARY;
    return form;
}

int holds_zero_byte(const char* bytes, uint32_t size) {
    return memchr(bytes, 0, size < DETECT_SIZE ? size : DETECT_SIZE) != nullptr;
}

TextForm detect_text_encoding(const char* data, uint32_t size) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    for (int encoding = TEXT_UTF8; encoding <= TEXT_UTF16_BE; encoding++) {
        const EncodingEntry& entry = ENCODINGS[encoding];
        if (size >= entry.mark_length && memcmp(data, entry.mark, entry.mark_length) == 0)
            return {static_cast<uint8_t>(encoding), static_cast<uint8_t>(entry.mark_length)};
    }
    if (looks_utf16(bytes, size, false)) return {TEXT_UTF16_LE, 0};
    if (looks_utf16(bytes, size, true)) return {TEXT_UTF16_BE, 0};
    if (looks_utf8(bytes, size)) return {TEXT_UTF8, 0};
    return {TEXT_ANSI, 0};
}

uint32_t text_mark(int encoding, const char** bytes) {
    const EncodingEntry& entry = entry_of(encoding);
    if (bytes) *bytes = entry.mark;
    return entry.mark_length;
}

const char* encoding_name(int encoding) {
    return entry_of(encoding).name;
}

const AnsiCodePage* ansi_code_page() {
    static const AnsiCodePage* page = build_code_page();
    return page;
}

uint32_t decode_text(TextDecoder* decoder, const char* raw, uint32_t size, int at_end,
                     char* view, uint32_t* offsets, uint32_t capacity, uint32_t* produced) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(raw);
    View out = {view, offsets, decoder->position, 0};
    uint32_t consumed;
    if (decoder->encoding == TEXT_UTF8) {
        consumed = decode_utf8(decoder, bytes, size, at_end, &out, capacity);
    } else if (is_utf16(decoder->encoding)) {
        consumed = decode_utf16(decoder, bytes, size, at_end, &out, capacity);
    } else {
        consumed = size < capacity ? size : capacity;
        memmove(view, raw, consumed);
        for (uint32_t at = 0; offsets && at < consumed; at++) offsets[at] = out.base + at;
        out.count = consumed;
    }
    decoder->position += consumed;
    *produced = out.count;
    return consumed;
}

uint32_t last_character_length(int encoding, const char* raw, uint32_t size) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(raw);
    if (is_utf16(encoding)) {
        if (size < 2) return size;
        bool big_endian = encoding == TEXT_UTF16_BE;
        bool pair = size >= 4 && is_low_surrogate(utf16_unit(bytes, size - 2, big_endian)) &&
                    is_high_surrogate(utf16_unit(bytes, size - 4, big_endian));
        return pair ? 4 : 2;
    }
    if (encoding != TEXT_UTF8 || size == 0) return size ? 1 : 0;
    // The nearest byte that is no continuation byte begins the character, if the bytes
    // from it form one sequence; else the last byte is an invalid one of its own.
    for (uint32_t length = 1; length <= LONGEST_CHARACTER && length <= size; length++) {
        unsigned char byte = bytes[size - length];
        if (byte >= 0x80 && byte <= 0xBF) continue;
        uint32_t point;
        return utf8_sequence(bytes + size - length, length, 0, &point) == static_cast<int>(length)
                   ? length
                   : 1;
    }
    return 1;
}

uint64_t encoded_size(int encoding, const char* ansi, uint32_t length) {
    if (is_utf16(encoding)) return 2 * static_cast<uint64_t>(length);
    if (encoding != TEXT_UTF8) return length;
    const AnsiCodePage* page = ansi_code_page();
    uint64_t size = 0;
    for (uint32_t i = 0; i < length; i++) {
        uint32_t point = page->characters[static_cast<unsigned char>(ansi[i])];
        size += point < 0x80 ? 1 : point < 0x800 ? 2 : 3;
    }
    return size;
}

uint32_t encode_text(int encoding, const char* ansi, uint32_t length, char* out) {
    if (!is_utf16(encoding) && encoding != TEXT_UTF8) {
        memcpy(out, ansi, length);
        return length;
    }
    const AnsiCodePage* page = ansi_code_page();
    unsigned char* put = reinterpret_cast<unsigned char*>(out);
    bool big_endian = encoding == TEXT_UTF16_BE;
    for (uint32_t i = 0; i < length; i++) {
        uint32_t point = page->characters[static_cast<unsigned char>(ansi[i])];
        if (is_utf16(encoding)) {
            *put++ = static_cast<unsigned char>(big_endian ? point >> 8 : point);
            *put++ = static_cast<unsigned char>(big_endian ? point : point >> 8);
        } else if (point < 0x80) {
            *put++ = static_cast<unsigned char>(point);
        } else if (point < 0x800) {
            *put++ = static_cast<unsigned char>(0xC0 | point >> 6);
            *put++ = static_cast<unsigned char>(0x80 | (point & 0x3F));
        } else {
            *put++ = static_cast<unsigned char>(0xE0 | point >> 12);
            *put++ = static_cast<unsigned char>(0x80 | (point >> 6 & 0x3F));
            *put++ = static_cast<unsigned char>(0x80 | (point & 0x3F));
        }
    }
    return static_cast<uint32_t>(put - reinterpret_cast<unsigned char*>(out));
}

char* encode_block(int encoding, int with_mark, const char* ansi, uint32_t length,
                   void* (*allocate)(size_t size), uint32_t* size) {
    const char* mark = "";
    uint32_t mark_length = with_mark ? text_mark(encoding, &mark) : 0;
    uint64_t total = mark_length + encoded_size(encoding, ansi, length);
    if (total >= UINT32_MAX) return nullptr;
    char* block = static_cast<char*>(allocate(static_cast<size_t>(total) + 1));
    if (!block) return nullptr;
    memcpy(block, mark, mark_length);
    *size = mark_length + encode_text(encoding, ansi, length, block + mark_length);
    return block;
}
