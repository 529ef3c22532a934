// One line that tells what a call of the engine gave, so that cases read as tables:
// "2+3" is a match at offset 2 of length 3, "none" no match, "errno 11" a failure.
// The helpers check on the way that places the engine must not write keep their values.
#pragma once

#include "heap.h"
#include "query.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdlib.h>
#include <string>

constexpr uint32_t UNTOUCHED = 0xDEADBEEF;

// match_query with or without captures, or match_prepared over at most `limit` bytes
// with a `prepared` query (no captures) in place of `query`. With
// captures, a match lists them as "name@start+length"; otherwise " (table)" says a table
// was handed over, " (cleared)" that the caller's pointer was set to null, " (untouched)"
// that it was not written.
inline std::string match(const char* text, const char* query, bool with_captures = false,
                         PreparedQuery* prepared = nullptr, size_t limit = 0) {
    static char mark;
    CaptureTable* const untouched = reinterpret_cast<CaptureTable*>(&mark);
    CaptureTable* table = untouched;
    uint32_t length = UNTOUCHED;
    errno = -1;
    CaptureTable** captures = with_captures ? &table : nullptr;
    const char* found = prepared ? match_prepared(prepared, text, limit, &length)
                                 : match_query(text, query, &length, captures);
    std::string out = found   ? std::to_string(found - text) + "+" + std::to_string(length)
                      : errno ? "errno " + std::to_string(errno)
                              : "none";
    if (!found && length != UNTOUCHED) out += " length " + std::to_string(length);
    if (!with_captures) return out;
    if (table == untouched) return out + " (untouched)";
    if (!table) return out + " (cleared)";
    // Shrunk to its count, unless a test made the heap refuse.
    size_t shrunk = offsetof(CaptureTable, entries) + table->count * sizeof(CaptureEntry);
    EXPECT_TRUE(table->byte_size == shrunk || heap_fails);
    if (!found) out += " (table)";
    for (uint32_t i = 0; found && i < table->count; i++) {
        const CaptureEntry& c = table->entries[i];
        out += std::string(" ") + c.name + "@" + std::to_string(c.start - text) + "+" +
               std::to_string(c.length);
    }
    free_table(table);
    return out;
}

// replace_query (or replace_prepared over at most `limit` bytes with a `prepared` query
// and template): "offset+length replacement", or "none" / "errno N", after which none of
// the three places may have been written.
inline std::string replace(const char* text, const char* query, const char* replacement_template,
                           PreparedQuery* prepared = nullptr, size_t limit = 0) {
    static char untouched[] = "untouched";
    uint32_t match_length = UNTOUCHED, replacement_length = UNTOUCHED;
    char* replacement = untouched;
    errno = -1;
    const char* found =
        prepared ? replace_prepared(prepared, text, limit, &match_length, &replacement,
                                    &replacement_length)
                 : replace_query(text, query, replacement_template, &match_length, &replacement,
                                 &replacement_length);
    if (!found) {
        EXPECT_TRUE(match_length == UNTOUCHED && replacement == untouched &&
                    replacement_length == UNTOUCHED);
        return errno ? "errno " + std::to_string(errno) : "none";
    }
    EXPECT_EQ(replacement[replacement_length], '\0');
    std::string out = std::to_string(found - text) + "+" + std::to_string(match_length) + " " +
                      std::string(replacement, replacement_length);
    free(replacement);
    return out;
}

inline std::string repeat(const std::string& piece, int times) {
    std::string out;
    while (times-- > 0) out += piece;
    return out;
}
