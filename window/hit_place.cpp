#include "hit_place.h"

#include <stdlib.h>

#include "document_text.h"
#include "folder.h"
#include "query.h"
#include "shown_file.h"

namespace {

// Whether the run's query, with its options, matches the shown text at `start`, within
// `limit` characters, as the walk matched: with its template, whose captures may end a
// match elsewhere than a search's. The characters around count for a whole word as they
// do in the editor. `matched` receives the match's length.
bool run_matches_at(const RunHits* run, const char* text, uint32_t length, uint32_t start,
                    uint32_t limit, uint32_t* matched) {
    if (!run->query) return false;
    QueryOptions options = {run->match_case, run->whole_word, nullptr};
    PreparedQuery query;
    prepare_query_with(&query, run->query, run->replacement, &options);
    query.preceding = start > 0 ? static_cast<unsigned char>(text[start - 1]) : -1;
    const char* at = text + start;
    const char* match = nullptr;
    if (run->replacement) {
        char* replacement = nullptr;
        match = replace_window(&query, at, limit, length - start, -1, matched, &replacement,
                               nullptr);
        free(replacement);
    } else {
        match = match_window(&query, at, limit, length - start, -1, matched);
    }
    release_query(&query);
    return match == at;
}

// A line of no recorded hit: the query field's match at the position, if it begins there.
HitPlace place_other(const char* text, uint32_t start, const char* find_query) {
    uint32_t matched = 0;
    const char* match =
        find_query && find_query[0] ? match_query(text + start, find_query, &matched, nullptr) : nullptr;
    if (match == text + start && matched > 0) return {PLACE_SELECTED, start, start + matched};
    return {PLACE_CARET, start, start};
}

}  // namespace

HitPlace place_hit(const char* text, uint32_t length, const ShownFile* shown,
                   const HitLine* line, const RunHits* run, const char* find_query) {
    const RunHit* hit = find_run_hit(run, line);
    bool replaced = hit && hit->kind == HIT_REPLACED;
    int64_t from = replaced ? hit->place : line->offset;
    uint32_t start = 0;
    bool at_character = shown_character(shown, from, &start);
    // The editor shows the text up to a zero byte; the characters after it are not there.
    bool cut = shown->text_length < shown->full_length;
    uint32_t shown_end = cut ? shown->text_length : shown->full_length;
    if (cut && start >= shown_end) return {PLACE_UNSHOWN, length, length};
    if (start > length) start = length;
    if (!hit) {
        if (!at_character) return {PLACE_CARET, start, start};
        return place_other(text, start, find_query);
    }

    HitPlace changed = {PLACE_CHANGED, start, start};
    bool same_form = shown_as_bytes(line->encoding) ? shown_as_bytes(shown->form.encoding)
                                                    : line->encoding == shown->form.encoding;
    if (!at_character || !same_form) return changed;
    uint32_t end = 0;
    if (replaced) {
        // Until the search tells what it wrote, the place cannot be checked.
        if (!hit->told) return {PLACE_CARET, start, start};
        if (!shown_character(shown, from + hit->written_length, &end)) return changed;
        if (cut && end > shown_end) return {PLACE_UNSHOWN, length, length};
        if (end > length) return changed;
        // Without the written bytes, what stands at the place is taken as written.
        if (hit->written_known && (end - start != hit->written_characters ||
                                   shown_hash(text + start, end - start) != hit->written_hash))
            return changed;
        return {PLACE_SELECTED, start, end};
    }
    if (hit->told) {
        if (!shown_character(shown, from + hit->match_length, &end)) return changed;
        if (cut && end > shown_end) return {PLACE_UNSHOWN, length, length};
    } else {
        // As far as the search let a match reach from there.
        int64_t reach = from + WINDOW_SIZE;
        shown_character(shown, reach < shown->file_length ? reach : shown->file_length, &end);
        if (end > shown_end) end = shown_end;
    }
    if (end > length) {
        if (hit->told) return changed;
        end = length;
    }
    if (end < start) end = start;
    uint32_t matched = 0;
    if (!run_matches_at(run, text, length, start, end - start, &matched)) return changed;
    if (hit->told && matched != end - start) return changed;
    return {PLACE_SELECTED, start, start + matched};
}
