// What is wrong with a query or template, and where: the faults that matching and
// replacing fail on, found without a text, each at its place as typed.
#include "outcome.h"

namespace {

struct FaultCase {
    const char* query;
    const char* replacement_template;   // null: Find
    QueryFaultKind kind;
    int in_template;
    uint32_t position, length;
};

std::string describe(const FaultCase& c) {
    return std::string("query ") + c.query + " template " +
           (c.replacement_template ? c.replacement_template : "(none)");
}

TEST(QueryFault, KindAndPlaceAsTyped) {
    const std::string parts_255 = repeat("*a", 255), parts_256 = repeat("*a", 256);
    const std::string pieces_256 = repeat("%a%x", 256);
    const FaultCase cases[] = {
        {"", nullptr, QUERY_FAULT_NONE, 0, 0, 0},
        {"", R"(\)", QUERY_FAULT_LONE_BACKSLASH, 1, 0, 1},   // the template, even so
        {R"(a\*b%%\x41\q)", "", QUERY_FAULT_NONE, 0, 0, 0},
        {"ab%cd", nullptr, QUERY_FAULT_UNCLOSED_NAME, 0, 2, 1},
        {"%x%ab%", nullptr, QUERY_FAULT_UNCLOSED_NAME, 0, 5, 1},
        {R"(ab\)", nullptr, QUERY_FAULT_LONE_BACKSLASH, 0, 2, 1},
        {R"(ab\\\*c)", nullptr, QUERY_FAULT_LONE_BACKSLASH, 0, 4, 1},   // the * is not escaped
        {R"(a\x4*b)", nullptr, QUERY_FAULT_SHORT_HEX, 0, 1, 3},
        {R"(*\x)", nullptr, QUERY_FAULT_SHORT_HEX, 0, 1, 2},
        {parts_255.c_str(), nullptr, QUERY_FAULT_NONE, 0, 0, 0},
        {parts_256.c_str(), nullptr, QUERY_FAULT_TOO_MANY_PARTS, 0, 510, 1},
        {"a%x-y%c", nullptr, QUERY_FAULT_NONE, 0, 0, 0},   // Find asks for no names
        {"a%x-y%c", "z", QUERY_FAULT_BAD_NAME, 0, 1, 5},
        {"%%", "%%", QUERY_FAULT_NONE, 0, 0, 0},
        {"%a b%", R"(\)", QUERY_FAULT_BAD_NAME, 0, 0, 5},   // the query first
        {"x", R"(abc\)", QUERY_FAULT_LONE_BACKSLASH, 1, 3, 1},
        {"x", R"(\x4)", QUERY_FAULT_SHORT_HEX, 1, 0, 3},
        {"x", "%a b%", QUERY_FAULT_BAD_NAME, 1, 0, 5},
        {"x", R"(\n\x41%a-b)", QUERY_FAULT_BAD_NAME, 1, 6, 4},   // a reference at the end
        {"x", R"(x\x25a b)", QUERY_FAULT_BAD_NAME, 1, 1, 7},   // opened by an escape
        {"x", R"(\q%я%)", QUERY_FAULT_BAD_NAME, 1, 2, 3},
        {"x", pieces_256.c_str(), QUERY_FAULT_TOO_MANY_PARTS, 1, 1020, 1},
    };
    for (const FaultCase& c : cases) {
        QueryFault fault;
        fault.kind = QUERY_FAULT_NO_MEMORY;   // every field is written
        EXPECT_EQ(find_query_fault(c.query, c.replacement_template, &fault), c.kind) << describe(c);
        EXPECT_EQ(fault.kind, c.kind) << describe(c);
        if (c.kind == QUERY_FAULT_NONE) continue;
        EXPECT_EQ(fault.in_template, c.in_template) << describe(c);
        EXPECT_EQ(fault.position, c.position) << describe(c);
        EXPECT_EQ(fault.length, c.length) << describe(c);

        // The engine fails on exactly these, whatever the text.
        std::string outcome = c.replacement_template
                                  ? replace("text", c.query, c.replacement_template)
                                  : match("text", c.query);
        EXPECT_EQ(outcome.rfind("errno ", 0), 0u) << describe(c) << ": " << outcome;
    }
}

}  // namespace
