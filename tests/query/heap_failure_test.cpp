// Every allocation of a call failing in turn: the call gives ENOMEM and hands over
// nothing, or, when only a shrink failed, the same result as without failure. What leaks
// on any of these paths the leak checker reports.
#include "heap.h"
#include "query.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stddef.h>
#include <stdlib.h>
#include <string>

namespace {

int countdown;
bool injected;

bool fail_counted(size_t) {
    if (countdown-- != 0) return false;
    injected = true;
    return true;
}

// Arms the hook so that the `n`th heap call from now (0 = the next) fails.
struct FailNth {
    explicit FailNth(int n) {
        countdown = n;
        injected = false;
        heap_fails = fail_counted;
    }
    ~FailNth() { heap_fails = nullptr; }
};

const size_t FULL_CAPTURE_TABLE =
    offsetof(CaptureTable, entries) + MAX_TABLE_ENTRIES * sizeof(CaptureEntry);

TEST(HeapFailure, MatchQuery) {
    const char* text = "..x123y\t.z..";
    const char* query = "x%a%y\\t*z%b%";
    int failures = 0, kept_full_table = 0;
    for (int n = 0;; n++) {
        CaptureTable* table = reinterpret_cast<CaptureTable*>(1);
        uint32_t length = 0;
        const char* found;
        {
            FailNth arm(n);
            found = match_query(text, query, &length, &table);
        }
        if (!injected) {
            EXPECT_GT(n, 5);  // two tables, two names, literals and their shrinking
            free_table(table);
            break;
        }
        if (!found) {
            SCOPED_TRACE(n);
            EXPECT_EQ(errno, ENOMEM);
            // Either table failing leaves the place alone; any later failure clears it.
            EXPECT_TRUE(table == nullptr || table == reinterpret_cast<CaptureTable*>(1));
            failures++;
            continue;
        }
        // Only a shrink failed: the same match, the same captures.
        EXPECT_EQ(errno, 0);
        EXPECT_EQ(found, text + 2);
        EXPECT_EQ(length, 8u);
        ASSERT_EQ(table->count, 2u);
        EXPECT_STREQ(table->entries[0].name, "a");
        EXPECT_EQ(table->entries[0].length, 3);
        if (table->byte_size == FULL_CAPTURE_TABLE) {
            kept_full_table++;
        } else {
            EXPECT_EQ(table->byte_size, offsetof(CaptureTable, entries) + 2 * sizeof(CaptureEntry));
        }
        free_table(table);
    }
    EXPECT_GE(failures, 4);
    EXPECT_EQ(kept_full_table, 1);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(FULL_CAPTURE_TABLE, 3068u);
    }
}

TEST(HeapFailure, ReplaceQuery) {
    const char* text = "..x123y..z..";
    int failures = 0;
    for (int n = 0;; n++) {
        char* replacement = nullptr;
        uint32_t match_length = 0, replacement_length = 0;
        const char* found;
        {
            FailNth arm(n);
            found = replace_query(text, "x%a%y*z", "<%a%>\\n%b%-%a%", &match_length,
                                  &replacement, &replacement_length);
        }
        if (!found) {
            SCOPED_TRACE(n);
            EXPECT_TRUE(injected);
            EXPECT_EQ(errno, ENOMEM);
            EXPECT_EQ(replacement, nullptr);
            failures++;
            continue;
        }
        EXPECT_EQ(errno, 0);
        EXPECT_EQ(found, text + 2);
        EXPECT_EQ(match_length, 8u);
        EXPECT_EQ(std::string(replacement, replacement_length), "<123>\n-123");
        free(replacement);
        if (!injected) break;
    }
    // Decoding buffer, piece table, two names, three literals, two query tables, a name,
    // two literals, the replacement.
    EXPECT_GE(failures, 12);
}

}  // namespace
