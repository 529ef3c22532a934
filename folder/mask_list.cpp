// The masks of a folder search: read from the field, checked, compiled once, and matched
// against paths.
#include "mask_list.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The characters that make one unit of the field at `at`: an escape (a backslash and the
// character after it) is two, anything else one.
uint32_t unit_at(const char* field, uint32_t at) {
    return field[at] == '\\' && field[at + 1] ? 2 : 1;
}

// How many characters of the mask's query a unit gives: `\;` gives its semicolon alone.
uint32_t query_characters(const char* field, uint32_t at, uint32_t unit) {
    return unit == 2 && field[at + 1] == ';' ? 1 : unit;
}

// Where the character at `offset` of the mask's query stands in the field.
uint32_t field_offset(const char* field, const MaskSpan* mask, uint32_t offset) {
    uint32_t at = mask->begin, written = 0;
    while (at < mask->end) {
        uint32_t unit = unit_at(field, at);
        uint32_t characters = query_characters(field, at, unit);
        if (written + characters > offset) return at + (offset - written);
        at += unit;
        written += characters;
    }
    return at;
}

// The mask's query in a new heap block, or null when memory runs out.
char* new_mask_query(const char* field, const MaskSpan* mask) {
    char* query = static_cast<char*>(malloc(mask->end - mask->begin + 1));
    if (query) mask_query(field, mask, query);
    return query;
}

// A match reaches the path's end; one of length 0 counts, as it always did for the mask.
int reaches_end(const char* match, uint32_t length) {
    return length == 0 || match[length] == '\0';
}

// An including mask, as the one mask always was: its first match must reach the end.
int first_match_reaches_end(const PreparedQuery* query, const char* path, size_t length) {
    uint32_t match_length = 0;
    const char* match = match_read_only(query, path, length, &match_length);
    return match && reaches_end(match, match_length);
}

// An excluding mask: some match of it reaches the end, so that `*\\bin` also leaves out
// c:\binutils\x\bin. A match is tried from each start on. The run from `from` takes the
// first occurrence of the query's first literal at or after it, and a run from any start
// after `from` up to the byte before the match's start takes the same occurrence and so
// gives the same match: the next try begins there.
int some_match_reaches_end(const PreparedQuery* query, const char* path, size_t length) {
    size_t from = 0;
    while (from < length) {
        uint32_t match_length = 0;
        const char* match = match_read_only(query, path + from, length - from, &match_length);
        if (!match) return 0;
        if (reaches_end(match, match_length)) return 1;
        size_t start = static_cast<size_t>(match - path);
        from = start > from ? start : from + 1;
    }
    return 0;
}

// Whether an excluding mask of the list leaves out the `length` bytes of `path`.
int excluded(const MaskList* list, const char* path, size_t length) {
    for (uint32_t i = 0; i < list->count; i++) {
        const MaskEntry& entry = list->entries[i];
        if (entry.excluding && some_match_reaches_end(&entry.query, path, length)) return 1;
    }
    return 0;
}

}  // namespace

int next_mask(const char* field, uint32_t* at, MaskSpan* mask) {
    uint32_t next = *at;
    while (field[next]) {
        // One mask: up to the next `;` that no backslash escapes. Its first and last
        // units that are not spaces bound it.
        uint32_t first = UINT32_MAX, end = next, unit = 1;
        for (; field[next] && field[next] != ';'; next += unit) {
            unit = unit_at(field, next);
            if (unit == 1 && field[next] == ' ') continue;
            if (first == UINT32_MAX) first = next;
            end = next + unit;
        }
        if (field[next]) next++;   // the separator
        if (first == UINT32_MAX) continue;   // an empty mask
        mask->typed = first;
        mask->excluding = field[first] == '!';
        uint32_t begin = first + (mask->excluding ? 1 : 0);
        while (begin < end && field[begin] == ' ') begin++;
        mask->begin = begin;
        mask->end = end;
        *at = next;
        return 1;
    }
    *at = next;
    return 0;
}

void mask_query(const char* field, const MaskSpan* mask, char* query) {
    for (uint32_t at = mask->begin, unit; at < mask->end; at += unit) {
        unit = unit_at(field, at);
        if (query_characters(field, at, unit) == 1) {
            *query++ = field[at + unit - 1];   // the character, or the escaped semicolon
        } else {
            *query++ = field[at];
            *query++ = field[at + 1];
        }
    }
    *query = '\0';
}

MaskFaultKind find_mask_fault(const char* field, MaskFault* fault) {
    *fault = {};
    MaskSpan mask;
    for (uint32_t at = 0; next_mask(field, &at, &mask);) {
        fault->mask = mask;
        if (mask.excluding && mask.begin == mask.end) {
            fault->kind = MASK_FAULT_NOTHING_EXCLUDED;
            return fault->kind;
        }
        char* query = new_mask_query(field, &mask);
        QueryFaultKind kind = query ? find_query_fault(query, nullptr, &fault->query)
                                    : QUERY_FAULT_NO_MEMORY;
        free(query);
        if (kind == QUERY_FAULT_NO_MEMORY) {
            fault->kind = MASK_FAULT_NO_MEMORY;
            return fault->kind;
        }
        if (kind != QUERY_FAULT_NONE) {
            uint32_t start = field_offset(field, &mask, fault->query.position);
            uint32_t end =
                field_offset(field, &mask, fault->query.position + fault->query.length);
            fault->query.position = start;
            fault->query.length = end - start;
            fault->kind = MASK_FAULT_QUERY;
            return fault->kind;
        }
    }
    *fault = {};
    return MASK_FAULT_NONE;
}

MaskList* compile_mask_list(const char* field) {
    if (!field) field = "";
    MaskSpan mask;
    uint32_t count = 0;
    for (uint32_t at = 0; next_mask(field, &at, &mask);) count++;
    MaskList* list = static_cast<MaskList*>(calloc(1, sizeof(MaskList)));
    if (!list) return nullptr;
    list->entries = count ? static_cast<MaskEntry*>(calloc(count, sizeof(MaskEntry))) : nullptr;
    if (count && !list->entries) {
        free(list);
        return nullptr;
    }
    for (uint32_t at = 0; next_mask(field, &at, &mask);) {
        MaskEntry* entry = &list->entries[list->count++];
        entry->excluding = mask.excluding;
        list->includes += mask.excluding ? 0 : 1;
        char* query = new_mask_query(field, &mask);
        if (query) prepare_query(&entry->query, query, nullptr);
        free(query);
        if (!query || entry->query.query_error == ENOMEM) {
            release_mask_list(list);
            return nullptr;
        }
        // A fault, or a `!` with nothing after it.
        if (entry->query.query_error || entry->query.empty_query) list->faulty = 1;
    }
    return list;
}

void release_mask_list(MaskList* list) {
    if (!list) return;
    for (uint32_t i = 0; i < list->count; i++) release_query(&list->entries[i].query);
    free(list->entries);
    free(list);
}

int mask_list_takes_file(const MaskList* list, const char* path) {
    if (list->count == 0 || list->faulty) return 0;
    size_t length = strlen(path);
    int included = list->includes == 0;
    for (uint32_t i = 0; i < list->count && !included; i++) {
        const MaskEntry& entry = list->entries[i];
        if (!entry.excluding) included = first_match_reaches_end(&entry.query, path, length);
    }
    return included && !excluded(list, path, length);
}

int mask_list_leaves_out(const MaskList* list, const char* path) {
    if (list->faulty || list->includes == list->count) return 0;
    return excluded(list, path, strlen(path));
}
