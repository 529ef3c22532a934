// The file visitor on real files: the mask test, report lines byte for byte, hits and
// rewrites, and what happens when reading, writing or replacing fails.
#include "folder.h"
#include "folder_platform.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdio.h>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const std::string CANNOT_OPEN = " /tневозможно открыть для чтения!\r\n";
const std::string READ_FAILED = " \tошибка чтения, файл не изменён!\r\n";
const std::string COPY_FAILED = " \tошибка записи копии, файл не изменён!\r\n";
const std::string NOT_REPLACED = " \tошибка удаления/переименования!: ";

std::string copy_name(const std::string& relative) {
    return relative + TEMP_SUFFIX;
}

TEST(SearchInFile, MaskMustMatchUpToTheEndOfTheLowerCasedPath) {
    TempTree tree;
    tree.folder("Texts");
    tree.file("Texts/A.TXT", "hit");
    tree.file("Texts/a.txt.bak", "hit");
    tree.folder("Texts/Dir.txt");
    tree.file("Texts/Dir.txt/b.txt", "hit");  // the first .txt of its path is a folder's
    tree.file("Texts/plain", "hit");
    std::string report = search_tree(tree, "hit", nullptr, "*.txt");
    EXPECT_EQ(report, found(tree.path("Texts/A.TXT"), 0));

    // "*.*" takes every path with a dot anywhere, the folders' included.
    report = search_tree(tree, "hit", nullptr, "*.*");
    EXPECT_NE(report.find(found(tree.path("Texts/a.txt.bak"), 0)), std::string::npos);
    EXPECT_NE(report.find(found(tree.path("Texts/Dir.txt/b.txt"), 0)), std::string::npos);
    EXPECT_EQ(report.find(tree.path("Texts/plain")), std::string::npos);

    EXPECT_EQ(search_tree(tree, "hit", nullptr, ""), "");
    EXPECT_EQ(search_tree(tree, "hit", nullptr, "*50%"), "");  // malformed
}

TEST(SearchInFile, HitsDoNotOverlapAndPrefixesRestart) {
    TempTree tree;
    tree.file("f", "aaaa");
    EXPECT_EQ(search_file(tree.path("f"), "aa"), found(tree.path("f"), 0) + found(tree.path("f"), 2));
    tree.file("f", "aab");
    EXPECT_EQ(search_file(tree.path("f"), "ab"), found(tree.path("f"), 1));
    tree.file("f", "ababab");  // adjacent hits
    EXPECT_EQ(search_file(tree.path("f"), "ab"),
              found(tree.path("f"), 0) + found(tree.path("f"), 2) + found(tree.path("f"), 4));
    tree.file("f", "no prefix here");
    EXPECT_EQ(search_file(tree.path("f"), "xyz"), "");
    EXPECT_EQ(search_file(tree.path("f"), "xyz", "q"), "");
    EXPECT_EQ(tree.read("f"), "no prefix here");
    EXPECT_FALSE(tree.exists(copy_name("f")));
    // A candidate without a match resumes right behind the prefix: "ab*d" at 0 fails, and
    // the "ab" inside the first one's span is never a candidate of its own.
    tree.file("f", "abab-d");
    EXPECT_EQ(search_file(tree.path("f"), "ab*d"), found(tree.path("f"), 0));
    tree.file("f", "aaab");
    EXPECT_EQ(search_file(tree.path("f"), "aa*b"), found(tree.path("f"), 0));
}

TEST(SearchInFile, EscapeInTheFirstLiteral) {
    TempTree tree;
    tree.file("f", "xQx\ty");
    EXPECT_EQ(search_file(tree.path("f"), "x\\ty"), found(tree.path("f"), 2));
    EXPECT_EQ(search_file(tree.path("f"), "x\\ty", "Z"), replaced(tree.path("f"), 2));
    EXPECT_EQ(tree.read("f"), "xQZ");
}

TEST(SearchInFile, ReplacementsOfOtherLengthsShiftTheRest) {
    TempTree tree;
    tree.file("f", "one cat, two cats, a catalogue");
    EXPECT_EQ(search_file(tree.path("f"), "cat", "lion"),
              replaced(tree.path("f"), 4) + replaced(tree.path("f"), 13) +
                  replaced(tree.path("f"), 21));
    EXPECT_EQ(tree.read("f"), "one lion, two lions, a lionalogue");
    EXPECT_EQ(search_file(tree.path("f"), "lion", "ox"), replaced(tree.path("f"), 4) +
                                                          replaced(tree.path("f"), 14) +
                                                          replaced(tree.path("f"), 23));
    EXPECT_EQ(tree.read("f"), "one ox, two oxs, a oxalogue");
    // Only the last match shrinks: nothing stale may follow it.
    tree.file("g", "keep keep long-word");
    search_file(tree.path("g"), "long-word", "w");
    EXPECT_EQ(tree.read("g"), "keep keep w");
    // An empty replacement deletes every match.
    search_file(tree.path("f"), "ox", "");
    EXPECT_EQ(tree.read("f"), "one , two s, a alogue");
    EXPECT_FALSE(tree.exists(copy_name("f")));
}

TEST(SearchInFile, CapturesAndWildcardsInReplace) {
    TempTree tree;
    tree.file("f", "key=1;\nkey=22;\n");
    EXPECT_EQ(search_file(tree.path("f"), "key=%v%;", "value(%v%);"),
              replaced(tree.path("f"), 0) + replaced(tree.path("f"), 7));
    EXPECT_EQ(tree.read("f"), "value(1);\nvalue(22);\n");
}

TEST(SearchInFile, WindowIsAtMost64KBAndEndsAtAZeroByte) {
    TempTree tree;
    std::string big(200000, '.');
    big[10] = 'a';
    tree.file("f", big);
    // A query ending in `*` replaces up to the window's end: 65,536 bytes from the candidate.
    EXPECT_EQ(search_file(tree.path("f"), "a*", "Z"), replaced(tree.path("f"), 10));
    EXPECT_EQ(tree.read("f"), big.substr(0, 10) + "Z" + big.substr(10 + 65536));

    std::string zero = "..a..." + std::string(1, '\0') + "tail";
    tree.file("g", zero);
    search_file(tree.path("g"), "a*", "Z");  // the "a" behind the zero byte is a hit too
    EXPECT_EQ(tree.read("g"), "..Z" + std::string(1, '\0') + "tZ");

    // A match longer than a window is never found.
    std::string distant(100000, '.');
    distant[5] = 'a';
    distant[5 + 65536] = 'b';
    tree.file("h", distant);
    EXPECT_EQ(search_file(tree.path("h"), "a*b"), "");
    distant[5 + 65535] = 'b';
    tree.file("h", distant);
    EXPECT_EQ(search_file(tree.path("h"), "a*b"), found(tree.path("h"), 5));
}

TEST(SearchInFile, HitsAcrossTheReadBlocks) {
    TempTree tree;
    std::string big(3 << 20, '-');
    for (size_t at : {size_t(0), size_t((1 << 20) - 3), size_t((2 << 20) - 1), big.size() - 6})
        big.replace(at, 6, "needle");
    tree.file("f", big);
    EXPECT_EQ(search_file(tree.path("f"), "needle"),
              found(tree.path("f"), 0) + found(tree.path("f"), (1 << 20) - 3) +
                  found(tree.path("f"), (2 << 20) - 1) +
                  found(tree.path("f"), static_cast<long long>(big.size()) - 6));
    search_file(tree.path("f"), "needle", "pin");
    std::string expected = big;
    for (size_t at = expected.find("needle"); at != std::string::npos; at = expected.find("needle"))
        expected.replace(at, 6, "pin");
    EXPECT_EQ(tree.read("f"), expected);
}

TEST(SearchInFile, ExistingCopyTurnsReplaceIntoSearch) {
    TempTree tree;
    tree.file("f.txt", "abc abc");
    tree.file(copy_name("f.txt"), "someone's");
    EXPECT_EQ(search_tree(tree, "abc", "x"),
              found(tree.path("f.txt"), 0) + found(tree.path("f.txt"), 4));
    EXPECT_EQ(tree.read("f.txt"), "abc abc");
    EXPECT_EQ(tree.read(copy_name("f.txt")), "someone's");

    // Find searches such a file like any other; Replace never rewrites it.
    tree.remove("f.txt");
    EXPECT_EQ(search_tree(tree, "some"), found(tree.path(copy_name("f.txt")), 0));
    EXPECT_EQ(search_tree(tree, "some", "x"), "");
    EXPECT_EQ(tree.read(copy_name("f.txt")), "someone's");
}

TEST(SearchInFile, EmptyAndMalformedQueries) {
    TempTree tree;
    tree.file("f", "text with 50% off");
    EXPECT_EQ(search_file(tree.path("f"), ""), "");
    EXPECT_EQ(search_file(tree.path("f"), "", "x"), "");
    EXPECT_EQ(search_file(tree.path("f"), "50%"), "");          // unclosed %
    EXPECT_EQ(search_file(tree.path("f"), "text", "\\"), "");   // template fails to decode
    EXPECT_EQ(tree.read("f"), "text with 50% off");
    EXPECT_FALSE(tree.exists(copy_name("f")));
}

// Without a literal prefix as typed (a query that begins with a backslash) the
// candidates are the occurrences of the query's leading literal as the engine decodes
// it, so such a query finds what its plain spelling finds.
TEST(SearchInFile, QueryWithoutLiteralPrefix) {
    TempTree tree;
    tree.file("f", "xxAbcyyAbc\tAb");
    EXPECT_EQ(search_file(tree.path("f"), "\\x41bc"), search_file(tree.path("f"), "Abc"));
    EXPECT_EQ(search_file(tree.path("f"), "\\x41bc"),
              found(tree.path("f"), 2) + found(tree.path("f"), 7));
    EXPECT_EQ(search_file(tree.path("f"), "\\tA"), found(tree.path("f"), 10));
    EXPECT_EQ(search_file(tree.path("f"), "\\x41b*\\t"), found(tree.path("f"), 2));
    EXPECT_EQ(search_file(tree.path("f"), "\\x4"), "");  // does not decode: never a hit
    // Only a query with no leading literal at all (the window refuses these) tries a
    // window at every offset, moving on by one byte where none matches.
    tree.file("g", "abcabc");
    EXPECT_EQ(search_file(tree.path("g"), "*c"), found(tree.path("g"), 2) + found(tree.path("g"), 5));
    EXPECT_EQ(search_file(tree.path("g"), "??c"), found(tree.path("g"), 0) + found(tree.path("g"), 3));
    search_file(tree.path("f"), "\\x41bc", "-");
    EXPECT_EQ(tree.read("f"), "xx-yy-\tAb");
    // A prefix length beyond the query is taken as the whole query.
    EXPECT_EQ(search_file(tree.path("f"), "yy", nullptr, "*", 99), found(tree.path("f"), 3));
}

TEST(SearchInFile, FileThatCannotBeOpened) {
    TempTree tree;
    tree.file("f", "abc");
#ifdef _WIN32
    HANDLE held = CreateFileA(tree.path("f").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(search_tree(tree, "abc"), tree.path("f") + CANNOT_OPEN);
    CloseHandle(held);
#else
    ASSERT_EQ(symlink("nowhere", tree.path("broken").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.path("pipe").c_str(), 0644), 0);  // never read: it could block
    EXPECT_EQ(search_tree(tree, "abc"), tree.path("broken") + CANNOT_OPEN + found(tree.path("f"), 0) +
                                            tree.path("pipe") + CANNOT_OPEN);
#endif
}

// A read-only file is never replaced; its copy is removed and the failure reported.
TEST(SearchInFile, ReadOnlyFileKeepsItsBytes) {
    TempTree tree;
    tree.file("ro.txt", "abc");
#ifdef _WIN32
    SetFileAttributesA(tree.path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
#else
    chmod(tree.path("ro.txt").c_str(), 0444);
#endif
    EXPECT_EQ(search_tree(tree, "b", "X"), replaced(tree.path("ro.txt"), 1) +
                                               tree.path("ro.txt") + NOT_REPLACED +
                                               std::to_string(EACCES) + "\r\n");
    EXPECT_EQ(tree.read("ro.txt"), "abc");
    EXPECT_FALSE(tree.exists(copy_name("ro.txt")));
}

TEST(SearchInFile, ReplacedFileKeepsItsPermissionsOrAttributes) {
    TempTree tree;
    tree.file("f.sh", "echo old");
#ifdef _WIN32
    SetFileAttributesA(tree.path("f.sh").c_str(), FILE_ATTRIBUTE_HIDDEN);
    search_tree(tree, "old", "new");
    EXPECT_TRUE(GetFileAttributesA(tree.path("f.sh").c_str()) & FILE_ATTRIBUTE_HIDDEN);
#else
    chmod(tree.path("f.sh").c_str(), 0751);
    search_tree(tree, "old", "new");
    struct stat status;
    ASSERT_EQ(stat(tree.path("f.sh").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0751u);
#endif
    EXPECT_EQ(tree.read("f.sh"), "echo new");
}

// Replace renames copies into the folder that is being listed; no file may be missed.
TEST(SearchInFile, ReplaceRewritesEveryFileOfABusyFolder) {
    TempTree tree;
    for (int i = 0; i < 60; i++) tree.file("f" + std::to_string(i) + ".txt", "old old");
    search_tree(tree, "old", "new");
    for (int i = 0; i < 60; i++) EXPECT_EQ(tree.read("f" + std::to_string(i) + ".txt"), "new new");
    EXPECT_EQ(tree.entries().size(), 60u);
}

// Fault injection through the platform layer's table of file operations.
const FileOps original_ops = file_ops;

struct FailingFileOps {
    ~FailingFileOps() { file_ops = original_ops; }
};

int64_t fail_reads_from = 0;

int32_t read_failing(int file, int64_t offset, char* buffer, uint32_t size) {
    if (offset + size > fail_reads_from) {
        if (offset >= fail_reads_from) return -1;
        size = static_cast<uint32_t>(fail_reads_from - offset);
    }
    return original_ops.read_at(file, offset, buffer, size);
}

// A read error in the middle of a file must never let a shortened copy take its place.
TEST(SearchInFile, ReadErrorLeavesTheFileAsItWas) {
    TempTree tree;
    std::string content = "hit " + std::string(3 << 20, '.') + " hit";
    tree.file("f", content);
    FailingFileOps failing;
    fail_reads_from = 2 << 20;
    file_ops.read_at = read_failing;
    EXPECT_EQ(search_file(tree.path("f"), "hit", "HIT"),
              replaced(tree.path("f"), 0) + tree.path("f") + READ_FAILED);
    EXPECT_EQ(search_file(tree.path("f"), "hit"), found(tree.path("f"), 0) + tree.path("f") + READ_FAILED);
    file_ops = original_ops;
    EXPECT_EQ(tree.read("f"), content);
    EXPECT_FALSE(tree.exists(copy_name("f")));
}

// A copy that cannot be written (here: opened for reading only) ends the rewriting of the
// file: it stays as it was, the partial copy goes, later hits are reported as found.
FILE* create_unwritable(const char* path) {
    FILE* created = original_ops.create_copy(path);
    if (!created) return nullptr;
    fclose(created);
    return fopen(path, "rb");
}

TEST(SearchInFile, FailedWriteToTheCopyLeavesTheFileAsItWas) {
    TempTree tree;
    std::string content = "hit " + std::string(2 << 20, '.') + " hit";
    tree.file("f", content);
    FailingFileOps failing;
    file_ops.create_copy = create_unwritable;
    std::string report = search_file(tree.path("f"), "hit", "HIT");
    file_ops = original_ops;
    EXPECT_EQ(report.substr(report.size() - COPY_FAILED.size()), COPY_FAILED);
    EXPECT_NE(report.find(found(tree.path("f"), static_cast<long long>(content.size()) - 3)),
              std::string::npos);
    EXPECT_EQ(tree.read("f"), content);
    EXPECT_FALSE(tree.exists(copy_name("f")));
}

#ifndef _WIN32

// A full disk, as a limit on the size of the files that this process writes.
TEST(SearchInFile, FullDiskLeavesTheFileAsItWas) {
    TempTree tree;
    std::string content = "hit " + std::string(3 << 20, '.') + " hit";
    tree.file("f", content);
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 100000;
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string report = search_file(tree.path("f"), "hit", "HIT");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(report, replaced(tree.path("f"), 0) +
                          found(tree.path("f"), static_cast<long long>(content.size()) - 3) +
                          tree.path("f") + COPY_FAILED);
    EXPECT_EQ(tree.read("f"), content);
    EXPECT_FALSE(tree.exists(copy_name("f")));
}

// A link is searched, never rewritten: the link stays a link and its target unchanged.
TEST(SearchInFile, LinkIsSearchedNotRewritten) {
    TempTree tree;
    tree.folder("real");
    tree.file("real/target.txt", "abc");
    ASSERT_EQ(symlink("real/target.txt", tree.path("link.txt").c_str()), 0);
    std::string report = search_tree(tree, "b", "X");
    EXPECT_EQ(report, found(tree.path("link.txt"), 1) + replaced(tree.path("real/target.txt"), 1));
    struct stat status;
    ASSERT_EQ(lstat(tree.path("link.txt").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_FALSE(tree.exists(copy_name("link.txt")));
}

#endif

// Offsets past 2 GB are exact (the file is sparse, its copy is not).
TEST(SearchInFile, FilesOver2GB) {
    TempTree tree;
    const int64_t distant = (int64_t(1) << 31) + 12345;
    FILE* file = fopen(tree.path("big").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("needle", file);
#ifdef _WIN32
    ASSERT_EQ(_fseeki64(file, distant, SEEK_SET), 0);
#else
    ASSERT_EQ(fseeko(file, distant, SEEK_SET), 0);
#endif
    fputs("needle at the end", file);
    fclose(file);
    EXPECT_EQ(search_file(tree.path("big"), "needle"),
              found(tree.path("big"), 0) + found(tree.path("big"), distant));
    // Rewritten: the second hit moves by the first one's change of length.
    EXPECT_EQ(search_file(tree.path("big"), "needle", "pin"),
              replaced(tree.path("big"), 0) + replaced(tree.path("big"), distant));
    EXPECT_EQ(search_file(tree.path("big"), "pin at the end"),
              found(tree.path("big"), distant - 3));
    EXPECT_FALSE(tree.exists(copy_name("big")));
}

}  // namespace
