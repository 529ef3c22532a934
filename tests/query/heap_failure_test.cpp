// Each allocation of a call failing in turn: the call gives ENOMEM and hands nothing
// over, or, where only a shrink failed, gives what it gives without failure. The leak
// checker reports what any of these paths leaves behind.
#include "heap.h"
#include "outcome.h"

#include <functional>

namespace {

int countdown;
bool injected;

bool fail_counted(size_t) {
    if (countdown-- != 0) return false;
    injected = true;
    return true;
}

// Runs `call` with its first, second, ... heap call failing until one runs through with
// none; returns how many of those runs gave ENOMEM.
int fail_each_allocation(const std::function<std::string()>& call, const std::string& whole) {
    int failures = 0;
    for (int n = 0;; n++) {
        countdown = n;
        injected = false;
        heap_fails = fail_counted;
        std::string got = call();
        heap_fails = nullptr;
        if (got == "errno 12" || got == "errno 12 (untouched)" || got == "errno 12 (cleared)") failures++;
        else EXPECT_EQ(got, whole) << "heap call " << n << " failing";
        if (!injected) return failures;
    }
}

TEST(HeapFailure, MatchQuery) {
    auto call = [] { return match("..x123y\t.z..", "x%a%y\\t*z%b%", true); };
    // Two tables, two names, three literals.
    EXPECT_EQ(fail_each_allocation(call, "2+8 a@3+3 b@10+0"), 7);
}

TEST(HeapFailure, ReplaceQuery) {
    auto call = [] { return replace("..x123y..z..", "x%a%y*z", "<%a%>\\n%b%-%a%"); };
    // Decoding buffer, piece table, three names, three literals; two tables, a name and
    // three literals for the query; the replacement.
    EXPECT_EQ(fail_each_allocation(call, "2+8 <123>\n-123"), 15);
}

TEST(HeapFailure, PreparedReplace) {
    auto call = [] {
        PreparedQuery prepared;
        prepare_query(&prepared, "x%a%y*z", "<%a%>\\n%b%-%a%");
        std::string got = replace("..x123y..z..", nullptr, nullptr, &prepared, 12);
        release_query(&prepared);
        return got;
    };
    // As Replace, and one block for the query's finders and their memory.
    EXPECT_EQ(fail_each_allocation(call, "2+8 <123>\n-123"), 16);
}

TEST(HeapFailure, TableKeepsItsFullSizeWhenShrinkingFails) {
    heap_fails = [](size_t size) { return size == offsetof(CaptureTable, entries) + sizeof(CaptureEntry); };
    CaptureTable* table = nullptr;
    EXPECT_NE(match_query("ab", "a%x%b", nullptr, &table), nullptr);
    heap_fails = nullptr;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->count, 1u);
    EXPECT_EQ(table->byte_size, offsetof(CaptureTable, entries) + MAX_TABLE_ENTRIES * sizeof(CaptureEntry));
    free_table(table);
}

// A lack of memory is never taken for a fault of the query or template.
TEST(HeapFailure, FindQueryFault) {
    auto call = [](const char* query, const char* replacement_template) {
        QueryFault fault;
        QueryFaultKind kind = find_query_fault(query, replacement_template, &fault);
        return kind == QUERY_FAULT_NO_MEMORY ? std::string("errno 12")
                                             : "fault " + std::to_string(kind);
    };
    EXPECT_GT(fail_each_allocation([&] { return call("a%x%b", "%x%\\n"); }, "fault 0"), 0);
    EXPECT_GT(fail_each_allocation([&] { return call("a%x%b", "c%x y%"); }, "fault 5"), 0);
}

}  // namespace
