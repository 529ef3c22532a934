// Several masks in one field: which paths they take and leave out, the faults that the
// window names, and a walk that never lists a folder left out.
#include "folder.h"
#include "folder_platform.h"
#include "letter_case.h"
#include "mask_list.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <string.h>
#include <string>
#include <vector>

namespace {

// As the walk tests them: the field lower-cased by the window, the path by the visitor.
struct Verdict {
    bool taken;      // a file with this path is searched
    bool left_out;   // a folder with this path is not entered
};

Verdict judge(const char* field, const char* path) {
    std::string lowered_field = field, lowered_path = path;
    lower_case_1251(&lowered_field[0]);
    lower_case_1251(&lowered_path[0]);
    MaskList* list = compile_mask_list(lowered_field.c_str());
    EXPECT_NE(list, nullptr);
    if (!list) return {};
    Verdict verdict = {mask_list_takes_file(list, lowered_path.c_str()) != 0,
                       mask_list_leaves_out(list, lowered_path.c_str()) != 0};
    release_mask_list(list);
    return verdict;
}

TEST(MaskList, TakesAndLeavesOutPaths) {
    struct Case {
        const char* field;   // as typed
        const char* path;
        bool taken, left_out;
    };
    const Case cases[] = {
        // One mask keeps its meaning: the first match must reach the end.
        {"*.txt", R"(c:\texts\A.TXT)", true, false},
        {"*.txt", R"(c:\a.txt\b.txt)", false, false},
        {"*.*", R"(c:\dir.d\plain)", true, false},
        // Several includes.
        {"*.txt;*.csv", R"(c:\data\b.csv)", true, false},
        {"*.txt;*.csv", R"(c:\data\c.xml)", false, false},
        {"*.txt;*.csv", R"(c:\a.csv\b.doc)", false, false},
        // Includes with excludes: a file is taken by an include and by no exclude, whose
        // match may be any that reaches the end.
        {R"(*.*;!*.bak)", R"(c:\a.txt.bak)", false, true},
        {R"(*.*;!*.bak)", R"(c:\a.bak.txt)", true, false},
        {R"(*.*;!*.bak)", R"(c:\x.bak\a.bak)", false, true},
        {R"(*.txt;!*\\архив)", R"(c:\архив)", false, true},
        {R"(*.txt;!*\\архив)", R"(c:\архивы\архив)", false, true},
        {R"(*.txt;!*\\архив)", R"(c:\архив\архивы)", false, false},
        {R"(*.txt;!*\\архив)", R"(c:\архивы\a.txt)", true, false},
        {R"(*.*;!*\\bin)", R"(c:\binutils\x\bin)", false, true},
        {R"(*.*;!*\\.git;!*\\архив)", R"(c:\p\.git)", false, true},
        // Excludes alone take every other file.
        {"!*.bak", R"(c:\a.txt)", true, false},
        {"!*.bak", R"(c:\plain)", true, false},
        {"!*.bak", R"(c:\a.bak)", false, true},
        // A backslash escapes the next character, read left to right.
        {R"(*a\;b.txt)", R"(c:\a;b.txt)", true, false},
        {R"(*a\;b.txt)", R"(c:\b.txt)", false, false},
        {R"(*\\;*.csv)", R"(c:\x.csv)", true, false},
        // Spaces around masks, and empty masks, are ignored.
        {"  *.txt ;  *.csv  ", R"(c:\a.csv)", true, false},
        {" ! *.bak ; *.* ", R"(c:\a.bak)", false, true},
        {" ! *.bak ; *.* ", R"(c:\a.txt)", true, false},
        {";;*.txt;;", R"(c:\a.txt)", true, false},
        {";  ;", R"(c:\a.txt)", false, false},   // as the empty mask: nothing
        {"", R"(c:\a.txt)", false, false},
        // Russian names in any case (more in RussianNamesInAnyCase).
        {R"(*.txt;!*\\архив)", R"(c:\отчёты\архив)", false, true},
    };
    for (const Case& c : cases) {
        Verdict verdict = judge(c.field, c.path);
        EXPECT_EQ(verdict.taken, c.taken) << c.field << " " << c.path;
        EXPECT_EQ(verdict.left_out, c.left_out) << c.field << " " << c.path;
    }
}

// Russian letters are lower-cased by the code page's own table, on every platform.
TEST(MaskList, RussianNamesInAnyCase) {
    EXPECT_TRUE(judge(R"(*.txt;!*\\АРХИВ)", R"(C:\Отчёты\Архив)").left_out);
    EXPECT_FALSE(judge(R"(*.txt;!*\\АРХИВ)", R"(C:\Отчёты\Архивы)").left_out);
    EXPECT_TRUE(judge(R"(*\\ПИСЬМА\\*.TXT)", R"(c:\письма\Запрос.txt)").taken);
    EXPECT_FALSE(judge(R"(*\\ПИСЬМА\\*.TXT;!*ЗАПРОС*)", R"(c:\письма\Запрос.txt)").taken);
}

// A faulty mask takes nothing and leaves nothing out; a fault is named with the mask and
// its position in the whole field.
TEST(MaskList, FaultsAreFoundWhereTheyStandInTheField) {
    struct Case {
        const char* field;
        MaskFaultKind kind;
        QueryFaultKind query_kind;
        uint32_t typed, position, length;   // the mask, and the fault in the field
    };
    const Case cases[] = {
        {"!", MASK_FAULT_NOTHING_EXCLUDED, QUERY_FAULT_NONE, 0, 0, 0},
        {"*.txt; ! ;*.csv", MASK_FAULT_NOTHING_EXCLUDED, QUERY_FAULT_NONE, 7, 0, 0},
        {"*.txt;*50%", MASK_FAULT_QUERY, QUERY_FAULT_UNCLOSED_NAME, 6, 9, 1},
        {R"(a\;b;c\)", MASK_FAULT_QUERY, QUERY_FAULT_LONE_BACKSLASH, 5, 6, 1},
        {R"(\;x\)", MASK_FAULT_QUERY, QUERY_FAULT_LONE_BACKSLASH, 0, 3, 1},
        {R"(*.txt; !*\x4)", MASK_FAULT_QUERY, QUERY_FAULT_SHORT_HEX, 7, 9, 3},
        {R"(*\;%a;b\x4)", MASK_FAULT_QUERY, QUERY_FAULT_UNCLOSED_NAME, 0, 3, 1},
        {";; ;", MASK_FAULT_NONE, QUERY_FAULT_NONE, 0, 0, 0},
        {R"(*.txt;!*\\архив;\!x)", MASK_FAULT_NONE, QUERY_FAULT_NONE, 0, 0, 0},
    };
    for (const Case& c : cases) {
        MaskFault fault;
        EXPECT_EQ(find_mask_fault(c.field, &fault), c.kind) << c.field;
        if (c.kind == MASK_FAULT_NONE) continue;
        EXPECT_EQ(fault.mask.typed, c.typed) << c.field;
        EXPECT_EQ(fault.query.kind, c.query_kind) << c.field;
        if (c.kind == MASK_FAULT_QUERY) {
            EXPECT_EQ(fault.query.position, c.position) << c.field;
            EXPECT_EQ(fault.query.length, c.length) << c.field;
        }
        EXPECT_EQ(judge(c.field, R"(c:\a.txt)").taken, false) << c.field;
        EXPECT_EQ(judge(c.field, R"(c:\a.txt)").left_out, false) << c.field;
    }
}

// The walk's list is compiled once and only read: several threads may match with it at
// once (run under ThreadSanitizer, a write during matching shows as a race).
TEST(MaskList, OneListMatchedByThreadsAtOnce) {
    MaskList* list = compile_mask_list(R"(*.txt;*.csv;!*\\архив;!*.bak)");
    ASSERT_NE(list, nullptr);
    struct Case {
        const char* path;
        int taken, left_out;
    };
    const Case cases[] = {{R"(c:\a.txt)", 1, 0},     {R"(c:\архивы\архив)", 0, 1},
                          {R"(c:\b.csv.bak)", 0, 1}, {R"(c:\x\c.csv)", 1, 0},
                          {R"(c:\d.doc)", 0, 0}};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++) {
        threads.emplace_back([&] {
            for (int round = 0; round < 2000; round++)
                for (const Case& c : cases)
                    if (mask_list_takes_file(list, c.path) != c.taken ||
                        mask_list_leaves_out(list, c.path) != c.left_out)
                        wrong++;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
    release_mask_list(list);
}

// The folders that the walk lists, by the patterns that it hands the listing.
std::vector<std::string> listed;
int32_t (*platform_open)(const char*, uint16_t, Listing**, const char**);

int32_t recording_open(const char* pattern, uint16_t split, Listing** listing,
                       const char** name) {
    listed.push_back(slashed(std::string(pattern, split)));
    return platform_open(pattern, split, listing, name);
}

void collect_passed(void* user, const FolderEvent* event) {
    if (event->kind == FOLDER_FILE_PASSED)
        static_cast<std::vector<std::string>*>(user)->push_back(slashed(event->path));
}

// A folder left out is never listed, nor anything below it; one that cannot be listed
// costs nothing then.
TEST(MaskList, AWalkNeverListsAFolderLeftOut) {
    TempTree tree;
    tree.make({"a.txt", "b.csv", "c.doc", "архив/", "архив/d.txt", "архив/inner/",
               "архив/inner/e.txt", "архивы/", "архивы/архив/", "архивы/архив/f.txt",
               "архивы/g.txt"},
              "hit");
    const std::string mask = std::string("*.txt;*.csv;!*") + SEP + (SEP == '\\' ? "\\" : "") +
                             "архив";
    std::vector<std::string> passed;
    FolderJob job = {"hit",   nullptr, mask.c_str(), 3, collect_passed, &passed,
                     nullptr, nullptr, 0,            0, nullptr};
    platform_open = listing_ops.open;
    listing_ops.open = recording_open;
    listed.clear();
    std::string pattern = tree.root + SEP + "*";
    int32_t result = search_folder_tree(&job, pattern.c_str());
    listing_ops.open = platform_open;

    EXPECT_EQ(result, WALK_CODE_OK);
    const std::string root = slashed(tree.root);
    EXPECT_EQ(sorted(listed), sorted({root, root + "/архивы"}));
    EXPECT_EQ(sorted(passed), sorted({root + "/a.txt", root + "/b.csv", root + "/архивы/g.txt"}));
}

}  // namespace
