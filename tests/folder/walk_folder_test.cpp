// The folder walker on real trees: flags, visitor codes, lists and error codes.
#include "folder.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

struct Visit {
    std::string path;  // relative to the tree's root, '/' between names
    int is_folder;
    int32_t file_count;
    int32_t folder_count;
};

std::string slashed(std::string path) {
    for (char& c : path)
        if (c == SEP) c = '/';
    return path;
}

// Records every call and answers what `answer` says (VISIT_CONTINUE by default).
struct Recorder {
    const TempTree* tree;
    std::vector<Visit> visits;
    std::function<int(const Visit&)> answer;
};

int record(const char* path, int is_folder, int32_t* file_count, int32_t* folder_count,
           void* user) {
    Recorder* recorder = static_cast<Recorder*>(user);
    std::string relative = path;
    size_t root = recorder->tree->root.size() + 1;
    relative = slashed(relative.size() > root ? relative.substr(root) : relative);
    recorder->visits.push_back({relative, is_folder, *file_count, *folder_count});
    return recorder->answer ? recorder->answer(recorder->visits.back()) : VISIT_CONTINUE;
}

std::vector<std::string> visited(const Recorder& recorder) {
    std::vector<std::string> out;
    for (const Visit& visit : recorder.visits) out.push_back(visit.path);
    return out;
}

std::string pattern(const TempTree& tree, const char* mask = "*") {
    return tree.root + SEP + mask;
}

uint16_t relative_base(const TempTree& tree) {
    return static_cast<uint16_t>(tree.root.size() + 1);
}

// a.txt, sub/b.txt, sub/deep/c.txt, two.dat
void make_sample(const TempTree& tree) {
    tree.file("a.txt", "a");
    tree.folder("sub");
    tree.file("sub/b.txt", "b");
    tree.folder("sub/deep");
    tree.file("sub/deep/c.txt", "c");
    tree.file("two.dat", "2");
}

TEST(WalkFolder, EmptyFolderGivesNoVisit) {
    TempTree tree;
    Recorder recorder{&tree, {}, nullptr};
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              0);
    EXPECT_TRUE(recorder.visits.empty());
}

TEST(WalkFolder, MissingStartFolderAndBadArguments) {
    TempTree tree;
    std::string missing = tree.root + SEP + "nothing" + SEP + "*";
    char* files = nullptr;
    char* folders = nullptr;
    EXPECT_EQ(walk_folder(missing.c_str(), 0, &files, &folders, 0, nullptr, nullptr),
              WALK_CODE_PATH_NOT_FOUND);
    EXPECT_EQ(files, nullptr);
    EXPECT_EQ(folders, nullptr);

    Recorder recorder{&tree, {}, nullptr};
    EXPECT_EQ(walk_folder(nullptr, 0, &files, nullptr, 0, nullptr, nullptr),
              WALK_CODE_BAD_ARGUMENTS);
    // Nothing to do: no list and no active visitor.
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, 0, nullptr, nullptr),
              WALK_CODE_BAD_ARGUMENTS);
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISITOR_OFF, record,
                          &recorder),
              WALK_CODE_BAD_ARGUMENTS);
    // List entries may not begin past the end of a path.
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree) + 1, &files, nullptr, 0,
                          nullptr, nullptr),
              WALK_CODE_BAD_ARGUMENTS);
    EXPECT_EQ(files, nullptr);
    EXPECT_TRUE(recorder.visits.empty());
}

TEST(WalkFolder, ListsWithBaseAndBothSeparators) {
    TempTree tree;
    tree.file("a.txt", "a");
    tree.folder("sub");
    tree.file("sub/b.txt", "b");

    char* files = nullptr;
    char* folders = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, &folders, 0,
                          nullptr, nullptr),
              0);
    std::string expected_files = std::string("a.txt\nsub") + SEP + "b.txt\n";
    std::string file_list = files;
    if (file_list != expected_files) {  // the platform may list the folder first
        EXPECT_EQ(file_list, std::string("sub") + SEP + "b.txt\na.txt\n");
    }
    EXPECT_STREQ(folders, "sub\n");
    free(files);
    free(folders);

    files = folders = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, &folders,
                          WALK_NUL_SEPARATOR, nullptr, nullptr),
              0);
    EXPECT_EQ(sorted(list_entries(files, 0)), (std::vector<std::string>{"a.txt", "sub/b.txt"}));
    EXPECT_EQ(memcmp(folders, "sub\0\0", 5), 0);
    free(files);
    free(folders);

    // base 0 keeps full paths.
    files = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), 0, &files, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(sorted(list_entries(files, '\n')),
              (std::vector<std::string>{slashed(tree.path("a.txt")),
                                        slashed(tree.path("sub/b.txt"))}));
    free(files);
}

TEST(WalkFolder, SharedListHoldsFilesAndFoldersInWalkOrder) {
    TempTree tree;
    make_sample(tree);
    char* list = nullptr;
    Recorder recorder{&tree, {}, nullptr};
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &list, &list,
                          WALK_VISIT_FILES, record, &recorder),
              0);
    EXPECT_EQ(list_entries(list, '\n'), visited(recorder));
    EXPECT_EQ(visited(recorder).size(), 6u);
    free(list);
}

TEST(WalkFolder, ListHandedInIsContinuedAtItsEnd) {
    TempTree tree;
    tree.file("a.txt", "a");
    char* files = static_cast<char*>(malloc(64));
    strcpy(files, "old\n");
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, nullptr, 0,
                          nullptr, nullptr),
              0);
    EXPECT_STREQ(files, "old\na.txt\n");
    free(files);

    files = static_cast<char*>(malloc(64));
    memcpy(files, "x\0y\0\0", 5);
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, nullptr,
                          WALK_NUL_SEPARATOR, nullptr, nullptr),
              0);
    EXPECT_EQ(memcmp(files, "x\0y\0a.txt\0\0", 11), 0);
    free(files);
}

// Depth first: each folder comes before its contents, and its whole sub-tree follows it
// before the next entry of its own folder.
TEST(WalkFolder, FoldersComeBeforeTheirSubTrees) {
    TempTree tree;
    make_sample(tree);
    tree.folder("other");
    tree.file("other/x.txt", "x");
    Recorder recorder{&tree, {}, nullptr};
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              0);
    std::vector<std::string> order = visited(recorder);
    EXPECT_EQ(sorted(order), tree.entries());
    for (size_t i = 0; i < order.size(); i++) {
        if (!recorder.visits[i].is_folder) continue;
        std::string inside = order[i] + "/";
        size_t j = i + 1;
        while (j < order.size() && order[j].compare(0, inside.size(), inside) == 0) j++;
        for (size_t k = j; k < order.size(); k++)
            EXPECT_NE(order[k].compare(0, inside.size(), inside), 0) << order[k];
    }
#ifndef _WIN32
    // Our own listing is sorted by name.
    EXPECT_EQ(order, (std::vector<std::string>{"a.txt", "other", "other/x.txt", "sub",
                                               "sub/b.txt", "sub/deep", "sub/deep/c.txt",
                                               "two.dat"}));
#endif
}

TEST(WalkFolder, CountsIncludeTheEntryBeingVisited) {
    TempTree tree;
    tree.file("a.txt", "a");
    tree.folder("sub");
    Recorder recorder{&tree, {}, nullptr};
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              0);
    ASSERT_EQ(recorder.visits.size(), 2u);
    for (const Visit& visit : recorder.visits) {
        if (visit.is_folder) EXPECT_EQ(visit.folder_count, 1);
        else EXPECT_EQ(visit.file_count, 1);
    }
}

TEST(WalkFolder, WithoutVisitFilesTheVisitorSeesOnlyFolders) {
    TempTree tree;
    make_sample(tree);
    Recorder recorder{&tree, {}, nullptr};
    char* files = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, nullptr, 0,
                          record, &recorder),
              0);
    EXPECT_EQ(sorted(visited(recorder)), (std::vector<std::string>{"sub", "sub/deep"}));
    EXPECT_EQ(sorted(list_entries(files, '\n')),
              (std::vector<std::string>{"a.txt", "sub/b.txt", "sub/deep/c.txt", "two.dat"}));
    free(files);
}

TEST(WalkFolder, NoRecursionStaysInTheStartFolder) {
    TempTree tree;
    make_sample(tree);
    Recorder recorder{&tree, {}, nullptr};
    char* folders = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), nullptr, &folders,
                          WALK_VISIT_FILES | WALK_NO_RECURSION, record, &recorder),
              0);
    EXPECT_EQ(sorted(visited(recorder)), (std::vector<std::string>{"a.txt", "sub", "two.dat"}));
    EXPECT_STREQ(folders, "sub\n");
    free(folders);
}

TEST(WalkFolder, NotListedFolderIsStillEntered) {
    TempTree tree;
    make_sample(tree);
    Recorder recorder{&tree, {}, nullptr};
    recorder.answer = [](const Visit& visit) {
        return visit.path == "sub" ? VISIT_NOT_LISTED : VISIT_CONTINUE;
    };
    char* folders = nullptr;
    char* files = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, &folders,
                          WALK_VISIT_FILES, record, &recorder),
              0);
    EXPECT_STREQ(folders, (std::string("sub") + SEP + "deep\n").c_str());
    EXPECT_EQ(list_entries(files, '\n').size(), 4u);
    free(folders);
    free(files);
}

TEST(WalkFolder, StopListsTheEntryThenEndsEveryLevel) {
    for (int answer : {VISIT_STOP, 258}) {
        TempTree tree;
        make_sample(tree);
        Recorder recorder{&tree, {}, nullptr};
        recorder.answer = [answer](const Visit& visit) {
            return visit.path == "sub/b.txt" ? answer : VISIT_CONTINUE;
        };
        char* files = nullptr;
        EXPECT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, nullptr,
                              WALK_VISIT_FILES, record, &recorder),
                  WALK_CODE_OPERATION_ABORTED);
        EXPECT_EQ(visited(recorder).back(), "sub/b.txt");
        EXPECT_EQ(list_entries(files, '\n').back(), "sub/b.txt");
        free(files);
    }
}

TEST(WalkFolder, OtherCodesGoOnAndListTheEntry) {
    TempTree tree;
    make_sample(tree);
    Recorder recorder{&tree, {}, nullptr};
    recorder.answer = [](const Visit&) { return 255; };  // low byte -1
    char* files = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &files, nullptr,
                          WALK_VISIT_FILES, record, &recorder),
              0);
    EXPECT_EQ(recorder.visits.size(), 6u);
    EXPECT_EQ(list_entries(files, '\n').size(), 4u);
    free(files);
}

TEST(WalkFolder, DetachSwitchesTheVisitorOffAndArmsTheCancelByte) {
    TempTree tree;
    make_sample(tree);
    // The user pointer is the recorder, whose first byte is not 0: with the cancel byte
    // flag, the walk ends at the entry after the detach.
    struct Holder {
        uint8_t cancel;
        Recorder recorder;
    } holder{0, {&tree, {}, nullptr}};
    auto visit_holder = [](const char* path, int is_folder, int32_t* files, int32_t* folders,
                           void* user) {
        Holder* h = static_cast<Holder*>(user);
        record(path, is_folder, files, folders, &h->recorder);
        return VISIT_DETACH;
    };
    char* list = nullptr;
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &list, &list,
                          WALK_VISIT_FILES, visit_holder, &holder),
              0);
    EXPECT_EQ(holder.recorder.visits.size(), 1u);
    EXPECT_EQ(list_entries(list, '\n').size(), 6u);
    free(list);

    holder.recorder.visits.clear();
    holder.cancel = 1;
    list = nullptr;
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), relative_base(tree), &list, &list,
                          WALK_VISIT_FILES | WALK_CANCEL_BYTE, visit_holder, &holder),
              WALK_CODE_OPERATION_ABORTED);
    EXPECT_EQ(holder.recorder.visits.size(), 1u);
    EXPECT_EQ(list_entries(list, '\n').size(), 1u);  // the detaching entry only
    free(list);
}

TEST(WalkFolder, CancelByteWithoutVisitor) {
    TempTree tree;
    make_sample(tree);
    uint8_t cancel = 1;
    char* files = nullptr;
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), 0, &files, nullptr, WALK_CANCEL_BYTE, nullptr,
                          &cancel),
              WALK_CODE_OPERATION_ABORTED);
    EXPECT_EQ(files, nullptr);
    cancel = 0;
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), 0, &files, nullptr, WALK_CANCEL_BYTE, nullptr,
                          &cancel),
              0);
    EXPECT_EQ(list_entries(files, '\n').size(), 4u);
    free(files);
}

TEST(WalkFolder, MaskLimitsEntriesAndSubFolders) {
    TempTree tree;
    tree.file("a.TXT", "a");
    tree.file("b.dat", "b");
    tree.folder("notes.txt");  // matches, but holds nothing that does: its level gives 2
    tree.file("notes.txt/inner.dat", "i");
    tree.folder("sub");        // does not match: never entered
    tree.file("sub/c.txt", "c");
    tree.file("z.txt", "z");
    Recorder recorder{&tree, {}, nullptr};
    ASSERT_EQ(walk_folder(pattern(tree, "*.txt").c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES,
                          record, &recorder),
              0);
    EXPECT_EQ(sorted(visited(recorder)),
              (std::vector<std::string>{"a.TXT", "notes.txt", "z.txt"}));

    recorder.visits.clear();
    ASSERT_EQ(walk_folder(pattern(tree, "?.*").c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES,
                          record, &recorder),
              0);
    EXPECT_EQ(sorted(visited(recorder)), (std::vector<std::string>{"a.TXT", "b.dat", "z.txt"}));

    // Nothing matches in the start folder itself: its code ends the walk.
    EXPECT_EQ(walk_folder(pattern(tree, "*.none").c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES,
                          record, &recorder),
              WALK_CODE_FILE_NOT_FOUND);
}

TEST(WalkFolder, OnlyDotAndDotDotAreSkipped) {
    TempTree tree;
    tree.file(".a", "1");
    tree.file("..b", "2");
#ifndef _WIN32
    tree.file("...", "3");  // Windows drops trailing dots from names
#endif
    Recorder recorder{&tree, {}, nullptr};
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              0);
#ifndef _WIN32
    EXPECT_EQ(visited(recorder), (std::vector<std::string>{"...", "..b", ".a"}));
#else
    EXPECT_EQ(sorted(visited(recorder)), (std::vector<std::string>{"..b", ".a"}));
#endif
}

TEST(WalkFolder, PatternWithItsOnlySeparatorFirstStartsAtTheRoot) {
    TempTree tree;
    std::vector<std::string> paths;
    auto first_only = [](const char* path, int, int32_t*, int32_t*, void* user) {
        static_cast<std::vector<std::string>*>(user)->push_back(path);
        return VISIT_STOP;
    };
    std::string root_pattern = std::string(1, SEP) + "*";
    EXPECT_EQ(walk_folder(root_pattern.c_str(), 0, nullptr, nullptr, 0, first_only, &paths),
              WALK_CODE_OPERATION_ABORTED);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0][0], SEP);
    EXPECT_EQ(paths[0].find(SEP, 1), std::string::npos);
}

// A Replace renames its copies while the folder is being listed: an entry that vanished
// between its listing and its attribute query is passed over, not the rest of the folder.
TEST(WalkFolder, VanishedEntryIsPassedOver) {
    TempTree tree;
    tree.file("a.txt", "a");
    tree.file("b.txt", "b");
    tree.file("c.txt", "c");
    tree.folder("d");
    tree.file("d/e.txt", "e");
    Recorder recorder{&tree, {}, nullptr};
    recorder.answer = [&tree](const Visit& visit) {
        if (visit.path.find('/') == std::string::npos && !visit.is_folder) {
            for (const char* name : {"a.txt", "b.txt", "c.txt"})
                if (visit.path != name) tree.remove(name);
        }
        return VISIT_CONTINUE;
    };
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              0);
    std::vector<std::string> order = sorted(visited(recorder));
    EXPECT_EQ(order.size(), 3u);
    EXPECT_EQ(order[1], "d");
    EXPECT_EQ(order[2], "d/e.txt");
}

#ifndef _WIN32

// A folder that cannot be listed ends the whole walk with 5. Root may list anything, so
// the walk runs in a child process that has given up root.
TEST(WalkFolder, FolderThatCannotBeListedEndsTheWalk) {
    TempTree tree;
    tree.file("a.txt", "a");
    tree.folder("b_locked");
    tree.file("b_locked/x.txt", "x");
    tree.file("c.txt", "c");
    chmod(tree.root.c_str(), 0755);
    chmod(tree.path("b_locked").c_str(), 0);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(77);
        Recorder recorder{&tree, {}, nullptr};
        int32_t result = walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr,
                                     WALK_VISIT_FILES, record, &recorder);
        bool stopped_there = visited(recorder) == std::vector<std::string>{"a.txt", "b_locked"};
        _exit(result == WALK_CODE_ACCESS_DENIED && stopped_there ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(tree.path("b_locked").c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot drop root to test an unlistable folder";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(WalkFolder, LinkedFoldersAreNeverEntered) {
    TempTree tree;
    tree.folder("real");
    tree.file("real/x.txt", "x");
    ASSERT_EQ(symlink(tree.root.c_str(), tree.path("real/loop").c_str()), 0);
    ASSERT_EQ(symlink("/", tree.path("outside").c_str()), 0);
    ASSERT_EQ(symlink("real/x.txt", tree.path("file_link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", tree.path("broken").c_str()), 0);
    Recorder recorder{&tree, {}, nullptr};
    ASSERT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              0);
    EXPECT_EQ(visited(recorder), (std::vector<std::string>{"broken", "file_link", "outside",
                                                           "real", "real/loop", "real/x.txt"}));
    EXPECT_EQ(recorder.visits[2].is_folder, 1);  // a linked folder is a folder, not entered
    EXPECT_EQ(recorder.visits[1].is_folder, 0);
}

// Paths longer than the platform allows are skipped, never overflowed, and the walk
// says so with 206 once it has walked everything else.
TEST(WalkFolder, OverlongPathsAreSkippedWith206) {
    TempTree tree;
    tree.file("short.txt", "s");
    std::string name(200, 'n');
    std::string relative;
    char here[PATH_MAX];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(tree.root.c_str()), 0);
    for (int depth = 0; depth < 22; depth++) {  // about 4,400 bytes deep
        ASSERT_EQ(mkdir(name.c_str(), 0755), 0);
        ASSERT_EQ(chdir(name.c_str()), 0);
    }
    FILE* deep = fopen("deep.txt", "wb");
    ASSERT_NE(deep, nullptr);
    fclose(deep);
    ASSERT_EQ(chdir(here), 0);

    Recorder recorder{&tree, {}, nullptr};
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              WALK_CODE_FILENAME_EXCED_RANGE);
    EXPECT_EQ(visited(recorder).back(), "short.txt");
    for (const Visit& visit : recorder.visits) EXPECT_LT(visit.path.size(), 4096u);

    std::string too_long = tree.root + "/" + std::string(5000, 'x') + "/*";
    EXPECT_EQ(walk_folder(too_long.c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              WALK_CODE_FILENAME_EXCED_RANGE);
}

#else

// MAX_PATH bounds every path: a file whose full path would not fit is skipped, and the
// walk ends with 206 once everything else was walked.
TEST(WalkFolder, OverlongPathsAreSkippedWith206) {
    TempTree tree;
    tree.file("short.txt", "s");
    std::string folder(200, 'n');
    tree.folder(folder);
    std::wstring wide = L"\\\\?\\";
    for (char c : tree.path(folder) + SEP + std::string(60, 'f')) wide += static_cast<wchar_t>(c);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    Recorder recorder{&tree, {}, nullptr};
    EXPECT_EQ(walk_folder(pattern(tree).c_str(), 0, nullptr, nullptr, WALK_VISIT_FILES, record,
                          &recorder),
              WALK_CODE_FILENAME_EXCED_RANGE);
    EXPECT_EQ(sorted(visited(recorder)), (std::vector<std::string>{folder, "short.txt"}));
    DeleteFileW(wide.c_str());
}

#endif

}  // namespace
