#include "candidate_finder.h"

#include <stdlib.h>

#include "file_scan.h"
#include "query.h"

namespace {

// The finder of a prefix form in `encoding`, and its failure function when it can overlap
// itself. In UTF-16 it looks for the characters' low bytes: most high bytes are alike.
int set_up_prefix(PrefixForm* form, int encoding) {
    form->ready = 1;
    if (form->length == 0) return 0;
    if (is_utf16(encoding))
        prepare_finder_among(&form->finder, form->bytes, form->length,
                             encoding == TEXT_UTF16_BE ? 1 : 0, 2);
    else
        prepare_finder(&form->finder, form->bytes, form->length);
    uint32_t* failure = static_cast<uint32_t*>(malloc(form->length * sizeof(uint32_t)));
    if (!failure) return -1;
    failure[0] = 0;
    for (uint32_t i = 1, k = 0; i < form->length; i++) {
        while (k > 0 && form->bytes[i] != form->bytes[k]) k = failure[k - 1];
        if (form->bytes[i] == form->bytes[k]) k++;
        failure[i] = k;
    }
    if (failure[form->length - 1] > 0) form->failure = failure;
    else free(failure);
    return 0;
}

}  // namespace

int finder_begin(CandidateFinder* finder, const char* query, uint32_t prefix_length,
                 uint32_t window_size) {
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
    return set_up_prefix(ansi, TEXT_ANSI) == 0 ? searchable : -1;
}

void finder_end(CandidateFinder* finder) {
    for (PrefixForm& form : finder->prefixes) {
        free(form.failure);
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

int pass_hopeless(const FileScan* scan, int64_t from, int64_t useful, int64_t* next) {
    const PrefixForm* form = scan->prefix;
    if (!form->failure) {
        *next = useful;
        return 1;
    }
    const FileBlock* block = &scan->block;
    const char* prefix = form->finder.needle;
    const uint32_t length = form->length;
    const int64_t end = block_end(block);
    uint32_t matched = 0;
    int64_t at = from;
    for (; at < end; at++) {
        char byte = block->bytes[at - block->start];
        while (matched > 0 && prefix[matched] != byte) matched = form->failure[matched - 1];
        if (prefix[matched] == byte) matched++;
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
