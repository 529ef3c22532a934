// The folder walker on real trees: flags, visitor codes, lists and error codes.
#include "folder.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace std::string_literals;

namespace {

using Names = std::vector<std::string>;

// The visitor's record of a walk. Its first byte is the cancel byte that the walker
// reads under WALK_CANCEL_BYTE.
struct Recorder {
    uint8_t cancel;
    const TempTree* tree;
    int (*answer)(const std::string& entry);  // VISIT_CONTINUE when null
    Names visits;                             // relative, folders with a trailing '/'
};

int record(const char* path, int is_folder, int32_t* file_count, int32_t* folder_count,
           void* user) {
    Recorder* recorder = static_cast<Recorder*>(user);
    std::string entry = slashed(std::string(path).substr(recorder->tree->root.size() + 1));
    if (is_folder) entry += '/';
    recorder->visits.push_back(entry);
    // The counts include the entry. Every folder met is visited, and every file too once
    // one is.
    int32_t folders = 0;
    for (const std::string& visit : recorder->visits) folders += visit.back() == '/';
    int32_t files = static_cast<int32_t>(recorder->visits.size()) - folders;
    EXPECT_TRUE(*folder_count == folders && (is_folder || *file_count == files)) << entry;
    return recorder->answer ? recorder->answer(entry) : VISIT_CONTINUE;
}

struct Walk {
    int32_t result;
    Names visits, files, folders;  // lists relative to the root
};

int no_visitor(const std::string&) { return VISIT_CONTINUE; }  // walk without one

// Walks the tree with both lists (or one `shared` list, in `files`), relative to the root.
Walk walk(const TempTree& tree, uint32_t flags, int (*answer)(const std::string&) = nullptr,
          const char* mask = "*", uint8_t cancel = 0, bool shared = false) {
    Recorder recorder{cancel, &tree, answer, {}};
    char* files = nullptr;
    char* folders = nullptr;
    std::string pattern = tree.root + SEP + mask;
    Walk out;
    out.result = walk_folder(pattern.c_str(), static_cast<uint16_t>(tree.root.size() + 1), &files,
                             shared ? &files : &folders, flags,
                             answer == no_visitor ? nullptr : record, &recorder);
    out.visits = recorder.visits;
    out.files = list_entries(files, '\n');
    out.folders = list_entries(folders, '\n');
    free(files);
    free(folders);
    return out;
}

// The sample tree, and what a walk of it visits.
const Names ALL_VISITS = {"a.txt", "sub/", "sub/b.txt", "sub/deep/", "sub/deep/c.txt", "two.dat"};
const Names ALL_FILES = {"a.txt", "sub/b.txt", "sub/deep/c.txt", "two.dat"};
const Names ALL_FOLDERS = {"sub", "sub/deep"};

int answer_255(const std::string&) { return 255; }  // low byte -1: goes on
int detach(const std::string&) { return VISIT_DETACH; }
int keep_sub_off_its_list(const std::string& entry) {
    return entry == "sub/" ? VISIT_NOT_LISTED : VISIT_CONTINUE;
}
int leave_sub_out(const std::string& entry) {
    return entry == "sub/" ? VISIT_LEAVE_OUT : VISIT_CONTINUE;
}

TEST(WalkFolder, FlagsAndVisitorCodes) {
    struct Case {
        const char* what;
        uint32_t flags;
        int (*answer)(const std::string&);
        Names visits, files, folders;
    };
    const Case cases[] = {
        {"every entry", WALK_VISIT_FILES, nullptr, ALL_VISITS, ALL_FILES, ALL_FOLDERS},
        {"folders only", 0, nullptr, {"sub/", "sub/deep/"}, ALL_FILES, ALL_FOLDERS},
        {"no recursion", WALK_VISIT_FILES | WALK_NO_RECURSION, nullptr, {"a.txt", "sub/", "two.dat"},
         {"a.txt", "two.dat"}, {"sub"}},
        {"not listed, still entered", WALK_VISIT_FILES, keep_sub_off_its_list, ALL_VISITS,
         ALL_FILES, {"sub/deep"}},
        {"left out: neither listed nor entered", WALK_VISIT_FILES, leave_sub_out,
         {"a.txt", "sub/", "two.dat"}, {"a.txt", "two.dat"}, {}},
        {"code 255", WALK_VISIT_FILES, answer_255, ALL_VISITS, ALL_FILES, ALL_FOLDERS},
    };
    TempTree tree;
    tree.make(ALL_VISITS);
    for (const Case& c : cases) {
        Walk got = walk(tree, c.flags, c.answer);
        EXPECT_EQ(got.result, 0) << c.what;
        EXPECT_EQ(sorted(got.visits), c.visits) << c.what;
        EXPECT_EQ(sorted(got.files), c.files) << c.what;
        EXPECT_EQ(sorted(got.folders), c.folders) << c.what;
    }
    // One list for files and folders holds them in walk order.
    Walk shared = walk(tree, WALK_VISIT_FILES, nullptr, "*", 0, true);
    for (std::string& visit : shared.visits)
        if (visit.back() == '/') visit.pop_back();
    EXPECT_EQ(shared.files, shared.visits);
#ifndef _WIN32
    // Depth first, each folder before its sub-tree (our own listing is sorted by name).
    EXPECT_EQ(walk(tree, WALK_VISIT_FILES).visits, ALL_VISITS);
#endif
}

int stop_at_b(const std::string& entry) { return entry == "sub/b.txt" ? VISIT_STOP : 0; }
int stop_at_b_258(const std::string& entry) { return entry == "sub/b.txt" ? 258 : 0; }

// VISIT_STOP (or any code whose low byte is 2) lists the entry, then ends every level.
// VISIT_DETACH lists the entry and switches the visitor off; the cancel byte is read only
// while no visitor is active, from the next entry on.
TEST(WalkFolder, StopDetachAndTheCancelByte) {
    struct Case {
        int (*answer)(const std::string&);
        uint32_t flags;
        uint8_t cancel;
        int32_t result;
        size_t visits, listed;
    };
    const Case cases[] = {
        {stop_at_b, WALK_VISIT_FILES, 0, WALK_CODE_OPERATION_ABORTED, 0, 0},
        {stop_at_b_258, WALK_VISIT_FILES, 0, WALK_CODE_OPERATION_ABORTED, 0, 0},
        {detach, WALK_VISIT_FILES, 0, 0, 1, 6},
        {detach, WALK_VISIT_FILES | WALK_CANCEL_BYTE, 1, WALK_CODE_OPERATION_ABORTED, 1, 1},
        {no_visitor, WALK_CANCEL_BYTE, 1, WALK_CODE_OPERATION_ABORTED, 0, 0},
        {no_visitor, WALK_CANCEL_BYTE, 0, 0, 0, 6},
    };
    TempTree tree;
    tree.make(ALL_VISITS);
    for (const Case& c : cases) {
        Walk got = walk(tree, c.flags, c.answer, "*", c.cancel);
        EXPECT_EQ(got.result, c.result);
        if (c.answer == stop_at_b || c.answer == stop_at_b_258) {
            EXPECT_EQ(got.visits.back(), "sub/b.txt");
            EXPECT_EQ(got.files.back(), "sub/b.txt");
        } else {
            EXPECT_EQ(got.visits.size(), c.visits);
            EXPECT_EQ(got.files.size() + got.folders.size(), c.listed);
        }
    }
}

// A walk's two lists, without a visitor: each list's bytes up to its closing NUL, the
// files' and the folders' apart by '|'. `files` may hand in a list to continue.
std::string lists(const std::string& pattern, uint16_t base, uint32_t flags,
                  char* files = nullptr) {
    char* folders = nullptr;
    EXPECT_EQ(walk_folder(pattern.c_str(), base, &files, &folders, flags, nullptr, nullptr), 0);
    bool nul = flags & WALK_NUL_SEPARATOR;  // then the list ends with an empty entry
    auto bytes = [nul](char* list) {
        size_t size = 0;
        while (list && (list[size] || (nul && size > 0 && list[size - 1]))) size++;
        std::string out(list ? list : "", size);
        free(list);
        return out;
    };
    return bytes(files) + "|" + bytes(folders);
}

TEST(WalkFolder, ListFormats) {
    TempTree tree;
    tree.make({"a.txt", "sub/", "sub/b.txt"});
    std::string pattern = tree.root + SEP + "*";
    std::string b = std::string("sub") + SEP + "b.txt";
    uint16_t base = static_cast<uint16_t>(tree.root.size() + 1);
    // The platform may list the folder first.
    std::string lf = lists(pattern, base, 0);
    EXPECT_TRUE(lf == "a.txt\n" + b + "\n|sub\n" || lf == b + "\na.txt\n|sub\n") << lf;
    std::string nul = lists(pattern, base, WALK_NUL_SEPARATOR);
    EXPECT_TRUE(nul == "a.txt\0"s + b + "\0|sub\0"s || nul == b + "\0a.txt\0|sub\0"s) << nul;
    EXPECT_EQ(lists(pattern, 0, WALK_NO_RECURSION), tree.path("a.txt") + "\n|" + tree.path("sub") + "\n");
    // A list handed in is continued at its end.
    EXPECT_EQ(lists(pattern, base, WALK_NO_RECURSION, strdup("old\n")), "old\na.txt\n|sub\n");
    char* block = static_cast<char*>(malloc(5));
    memcpy(block, "x\0y\0\0", 5);
    EXPECT_EQ(lists(pattern, base, WALK_NUL_SEPARATOR | WALK_NO_RECURSION, block),
              "x\0y\0a.txt\0|sub\0"s);
}

TEST(WalkFolder, ErrorCodes) {
    TempTree tree;
    Walk got = walk(tree, WALK_VISIT_FILES);  // an empty folder: nothing visited
    EXPECT_TRUE(got.result == 0 && got.visits.empty());
    got = walk(tree, 0, nullptr, (std::string("missing") + SEP + "*").c_str());
    EXPECT_EQ(got.result, WALK_CODE_PATH_NOT_FOUND);
    EXPECT_TRUE(got.files.empty() && got.folders.empty());  // handed back null
    char* files = nullptr;
    std::string pattern = tree.root + SEP + "*";
    EXPECT_EQ(walk_folder(nullptr, 0, &files, nullptr, 0, nullptr, nullptr),
              WALK_CODE_BAD_ARGUMENTS);
    // Nothing to do: no list and no active visitor.
    EXPECT_EQ(walk_folder(pattern.c_str(), 0, nullptr, nullptr, 0, nullptr, nullptr),
              WALK_CODE_BAD_ARGUMENTS);
    EXPECT_EQ(walk_folder(pattern.c_str(), 0, nullptr, nullptr, WALK_VISITOR_OFF, record, &tree),
              WALK_CODE_BAD_ARGUMENTS);
    // List entries may not begin past the end of a path.
    EXPECT_EQ(walk_folder(pattern.c_str(), static_cast<uint16_t>(tree.root.size() + 2), &files,
                          nullptr, 0, nullptr, nullptr),
              WALK_CODE_BAD_ARGUMENTS);
    EXPECT_EQ(files, nullptr);
}

TEST(WalkFolder, MaskLimitsEntriesAndSubFolders) {
    TempTree tree;
    // notes.txt matches but holds nothing that does (its level gives 2: the walk goes on);
    // sub does not match and is never entered.
    tree.make({"a.TXT", "b.dat", "notes.txt/", "notes.txt/inner.dat", "sub/", "sub/c.txt",
               "z.txt"});
    EXPECT_EQ(sorted(walk(tree, WALK_VISIT_FILES, nullptr, "*.txt").visits),
              (Names{"a.TXT", "notes.txt/", "z.txt"}));
    EXPECT_EQ(sorted(walk(tree, WALK_VISIT_FILES, nullptr, "?.*").visits),
              (Names{"a.TXT", "b.dat", "z.txt"}));
    // Nothing matches in the start folder itself: its code ends the walk.
    EXPECT_EQ(walk(tree, WALK_VISIT_FILES, nullptr, "*.none").result,
              WALK_CODE_FILE_NOT_FOUND);
}

// Names that merely begin with dots are entries like any other.
TEST(WalkFolder, OnlyDotAndDotDotAreSkipped) {
    TempTree tree;
    tree.make({".a", "..b"});
#ifndef _WIN32
    tree.make({"..."});  // Windows drops trailing dots from names
    EXPECT_EQ(walk(tree, WALK_VISIT_FILES).visits, (Names{"...", "..b", ".a"}));
#else
    EXPECT_EQ(sorted(walk(tree, WALK_VISIT_FILES).visits), (Names{"..b", ".a"}));
#endif
}

// A Replace renames its copies while the folder is being listed: an entry that vanished
// between its listing and its attribute query is passed over, not the rest of the folder.
const TempTree* vanishing_tree;

int remove_the_other_files(const std::string& entry) {
    if (entry.find('/') == std::string::npos) {
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            if (entry != name) vanishing_tree->remove(name);
    }
    return VISIT_CONTINUE;
}

TEST(WalkFolder, VanishedEntryIsPassedOver) {
    TempTree tree;
    tree.make({"a.txt", "b.txt", "c.txt", "d/", "d/e.txt"});
    vanishing_tree = &tree;
    Walk got = walk(tree, WALK_VISIT_FILES, remove_the_other_files);
    EXPECT_EQ(got.result, 0);
    Names visits = sorted(got.visits);
    ASSERT_EQ(visits.size(), 3u);
    EXPECT_EQ(visits[1], "d/");
    EXPECT_EQ(visits[2], "d/e.txt");
}

#ifndef _WIN32

// A folder that cannot be listed ends the whole walk with 5. Root may list anything, so
// the walk runs in a child process that has given up root.
TEST(WalkFolder, FolderThatCannotBeListedEndsTheWalk) {
    TempTree tree;
    tree.make({"a.txt", "b_locked/", "b_locked/x.txt", "c.txt"});
    chmod(tree.root.c_str(), 0755);
    chmod(tree.path("b_locked").c_str(), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(77);
        Walk got = walk(tree, WALK_VISIT_FILES);
        bool stopped_there = got.visits == Names{"a.txt", "b_locked/"};
        _exit(got.result == WALK_CODE_ACCESS_DENIED && stopped_there ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(tree.path("b_locked").c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot drop root to test an unlistable folder";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A linked folder is visited as a folder but never entered: no loops, nothing outside.
TEST(WalkFolder, LinkedFoldersAreNeverEntered) {
    TempTree tree;
    tree.make({"real/", "real/x.txt"});
    ASSERT_EQ(symlink(tree.root.c_str(), tree.path("real/loop").c_str()), 0);
    ASSERT_EQ(symlink("/", tree.path("outside").c_str()), 0);
    ASSERT_EQ(symlink("real/x.txt", tree.path("file_link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", tree.path("broken").c_str()), 0);
    EXPECT_EQ(walk(tree, WALK_VISIT_FILES).visits,
              (Names{"broken", "file_link", "outside/", "real/", "real/loop/", "real/x.txt"}));
}

// Paths longer than the platform allows are skipped, never overflowed, and the walk says
// so with 206 once it has walked everything else; a tree deeper than the folders that a
// walk keeps open is walked all the same.
TEST(WalkFolder, DeepTreesAndOverlongPaths) {
    TempTree tree;
    tree.file("short.txt");
    std::string name(100, 'n');
    char here[PATH_MAX];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(tree.root.c_str()), 0);
    for (int depth = 1; depth <= 45; depth++) {  // about 4,500 bytes deep
        ASSERT_EQ(mkdir(name.c_str(), 0755), 0);
        ASSERT_EQ(chdir(name.c_str()), 0);
        if (depth == 36) fclose(fopen("mid.txt", "wb"));
    }
    fclose(fopen("deep.txt", "wb"));
    ASSERT_EQ(chdir(here), 0);

    // Fewer descriptors than the tree has levels.
    struct rlimit saved, few;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    few = saved;
    few.rlim_cur = 40;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    Walk got = walk(tree, WALK_VISIT_FILES);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(got.result, WALK_CODE_FILENAME_EXCED_RANGE);
    EXPECT_EQ(got.visits.back(), "short.txt");
    size_t mid = 0;
    for (const std::string& visit : got.visits) {
        EXPECT_LT(visit.size(), 4096u);
        mid += visit.size() > 8 && visit.compare(visit.size() - 8, 8, "/mid.txt") == 0;
    }
    EXPECT_EQ(mid, 1u);
    std::string too_long = tree.root + "/" + std::string(5000, 'x') + "/*";
    Recorder recorder{0, &tree, nullptr, {}};
    EXPECT_EQ(walk_folder(too_long.c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              WALK_CODE_FILENAME_EXCED_RANGE);
}

#else

// MAX_PATH bounds every path: a file whose full path would not fit is skipped, and the
// walk ends with 206 once everything else was walked.
TEST(WalkFolder, DeepTreesAndOverlongPaths) {
    TempTree tree;
    std::string folder(200, 'n');
    tree.make({"short.txt", folder + "/"});
    std::wstring wide = L"\\\\?\\";
    for (char c : tree.path(folder) + SEP + std::string(60, 'f')) wide += static_cast<wchar_t>(c);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    Walk got = walk(tree, WALK_VISIT_FILES);
    EXPECT_EQ(got.result, WALK_CODE_FILENAME_EXCED_RANGE);
    EXPECT_EQ(sorted(got.visits), (Names{folder + "/", "short.txt"}));
    DeleteFileW(wide.c_str());
}

#endif

}  // namespace
