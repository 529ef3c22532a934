#include "candidate_finder.h"

#include <stdlib.h>

#include "file_scan.h"
#include "letter_case.h"
#include "query.h"

namespace {

// The byte that a byte is compared as: itself without `map`.
inline unsigned char compared(const unsigned char* map, char byte) {
    unsigned char value = static_cast<unsigned char>(byte);
    return map ? map[value] : value;
}

// Classes of bytes for an encoded prefix in two forms, such that the two forms' bytes at
// each index are of one class: where two places might hold the prefix overlapping, the
// classes of its bytes overlap too, so their failure function says whether it can.
void byte_classes(const PrefixForm* form, unsigned char* classes) {
    for (unsigned byte = 0; byte < 256; byte++) classes[byte] = static_cast<unsigned char>(byte);
    for (uint32_t i = 0; i < form->length; i++) {
        unsigned char kept = classes[static_cast<unsigned char>(form->bytes[i])];
        unsigned char joined = classes[static_cast<unsigned char>(form->other[i])];
        if (kept == joined) continue;
        for (unsigned byte = 0; byte < 256; byte++)
            if (classes[byte] == joined) classes[byte] = kept;
    }
}

// The finder of a prefix form in `encoding`, and its failure function when it can overlap
// itself. In UTF-16 it looks for the characters' low bytes: most high bytes are alike.
int set_up_prefix(PrefixForm* form, int encoding) {
    form->ready = 1;
    if (form->length == 0) return 0;
    uint32_t first = 0, step = 1;
    if (is_utf16(encoding)) first = encoding == TEXT_UTF16_BE ? 1 : 0, step = 2;
    prepare_finder_either(&form->finder, form->bytes, form->other, form->length, first, step);
    unsigned char classes[256];
    const unsigned char* map = form->fold;
    if (form->other && !map) {
        byte_classes(form, classes);
        map = classes;
    }
    uint32_t* failure = static_cast<uint32_t*>(malloc(form->length * sizeof(uint32_t)));
    if (!failure) return -1;
    const char* bytes = form->bytes;
    failure[0] = 0;
    for (uint32_t i = 1, k = 0; i < form->length; i++) {
        while (k > 0 && compared(map, bytes[i]) != compared(map, bytes[k])) k = failure[k - 1];
        if (compared(map, bytes[i]) == compared(map, bytes[k])) k++;
        failure[i] = k;
    }
    if (failure[form->length - 1] > 0) form->failure = failure;
    else free(failure);
    return 0;
}

// The prefix's letters in their other case, when it has any: for finding it in either.
int add_other_case(PrefixForm* ansi) {
    if (ansi->length == 0) return 0;
    char* other = static_cast<char*>(malloc(ansi->length));
    if (!other) return -1;
    if (other_cases_1251(ansi->bytes, other, ansi->length)) {
        ansi->other = other;
        ansi->fold = CP1251_CASE.fold;
    } else {
        free(other);
    }
    return 0;
}

// The ANSI prefix's other form in `encoding` for `form`, whose bytes are encoded already.
// A form of another length (a code page whose cases differ in size) cannot be searched
// for at once: every offset is a candidate then. Returns 0, or -1 without memory (the
// form is then as it was before it was begun).
int encode_other_case(PrefixForm* form, const PrefixForm* ansi, int encoding) {
    uint64_t size = encoded_size(encoding, ansi->other, ansi->length);
    if (size != form->length) {
        form->length = 0;
        return 0;
    }
    form->other = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
    if (!form->other) {
        free(form->bytes);
        *form = {};
        return -1;
    }
    encode_text(encoding, ansi->other, ansi->length, form->other);
    return 0;
}

}  // namespace

int finder_begin(CandidateFinder* finder, const char* query, uint32_t prefix_length,
                 uint32_t window_size, int match_case) {
    *finder = {};
    const char* prefix = nullptr;
    uint32_t length = 0;
    char* decoded = nullptr;
    int found = candidate_prefix(query, prefix_length, &prefix, &length, &decoded);
    PrefixForm* ansi = &finder->prefixes[TEXT_ANSI];
    ansi->bytes = decoded ? decoded : const_cast<char*>(prefix);
    ansi->owned = decoded != nullptr;
    if (found < 0) return -1;
    int searchable = found > 0 && length <= window_size;   // a window must hold a match
    ansi->length = searchable ? length : 0;
    if (!match_case && add_other_case(ansi) != 0) return -1;
    return set_up_prefix(ansi, TEXT_ANSI) == 0 ? searchable : -1;
}

void finder_end(CandidateFinder* finder) {
    for (PrefixForm& form : finder->prefixes) {
        free(form.failure);
        free(form.other);
        if (form.owned) free(form.bytes);
    }
    *finder = {};
}

const PrefixForm* finder_prefix(CandidateFinder* finder, int encoding) {
    if (encoding == TEXT_BINARY) encoding = TEXT_ANSI;
    PrefixForm* form = &finder->prefixes[encoding];
    if (form->ready) return form;
    const PrefixForm* ansi = &finder->prefixes[TEXT_ANSI];
    uint64_t size = encoded_size(encoding, ansi->bytes, ansi->length);
    form->bytes = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
    if (!form->bytes) return nullptr;
    form->owned = 1;
    form->length = encode_text(encoding, ansi->bytes, ansi->length, form->bytes);
    if (ansi->other && encode_other_case(form, ansi, encoding) != 0) return nullptr;
    return set_up_prefix(form, encoding) == 0 ? form : nullptr;
}

int next_candidate(const FileScan* scan, int64_t from, int64_t* candidate, int64_t* go_on) {
    const FileBlock* block = &scan->block;
    const uint32_t prefix_length = scan->prefix->length;
    // In UTF-16 a character begins at an even offset of the text only.
    const bool pairs = is_utf16(scan->form.encoding);
    for (;;) {
        if (pairs && (from - scan->text_start) % 2) from++;
        uint32_t at = static_cast<uint32_t>(from - block->start);
        if (prefix_length == 0) {
            // Without a prefix every place is a candidate; in an encoded file the scan
            // goes from character to character (the window says where the next begins).
            if (at < block->length) {
                *candidate = from;
                return 1;
            }
        } else if (block->length >= at + prefix_length) {
            const char* found =
                find_bytes(&scan->prefix->finder, block->bytes + at, block->length - at);
            if (found) {
                int64_t offset = block->start + (found - block->bytes);
                if (pairs && (offset - scan->text_start) % 2) {
                    from = offset + 1;
                    continue;
                }
                *candidate = offset;
                return 1;
            }
        }
        // Keep the bytes that may begin an occurrence which the next block completes.
        int64_t keep = block_end(block) - (prefix_length ? prefix_length - 1 : 0);
        *go_on = keep > from ? keep : from;
        return 0;
    }
}

namespace {

// pass_hopeless over the block, its bytes compared through `fold` when `folded`.
template <bool folded>
int follow_prefix(const FileScan* scan, int64_t from, int64_t useful, int64_t* next) {
    const PrefixForm* form = scan->prefix;
    const FileBlock* block = &scan->block;
    const char* prefix = form->finder.needle;
    const unsigned char* fold = form->fold;
    const uint32_t length = form->length;
    const int64_t end = block_end(block);
    uint32_t matched = 0;
    int64_t at = from;
    for (; at < end; at++) {
        unsigned char byte = static_cast<unsigned char>(block->bytes[at - block->start]);
        if (folded) byte = fold[byte];
        auto differs = [&](uint32_t k) {
            unsigned char wanted = static_cast<unsigned char>(prefix[k]);
            return (folded ? fold[wanted] : wanted) != byte;
        };
        while (matched > 0 && differs(matched)) matched = form->failure[matched - 1];
        if (!differs(matched)) matched++;
        if (matched < length) continue;
        int64_t occurrence = at + 1 - length;
        if (occurrence >= useful) {
            *next = occurrence;
            return 1;
        }
        matched = 0;   // a hopeless candidate: the scan resumes behind its prefix
    }
    // The bytes of an occurrence begun stay; followed again from their start, they leave
    // the count where it stands now.
    *next = at - matched;
    return 0;
}

}  // namespace

int pass_hopeless(const FileScan* scan, int64_t from, int64_t useful, int64_t* next) {
    if (!scan->prefix->failure) {
        *next = useful;
        return 1;
    }
    return scan->prefix->fold ? follow_prefix<true>(scan, from, useful, next)
                              : follow_prefix<false>(scan, from, useful, next);
}
