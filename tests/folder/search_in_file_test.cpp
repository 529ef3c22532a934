// The file visitor on real files: the mask test, report lines byte for byte, hits and
// rewrites, and what happens when reading, writing or replacing fails. That the scan
// gives what a byte-by-byte scan gives on any file is scan_oracle_test's.
#include "folder.h"
#include "folder_platform.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace std::string_literals;

namespace {

const std::string CANNOT_OPEN = " /tневозможно открыть для чтения!\r\n";
const std::string READ_FAILED = " \tошибка чтения, файл не изменён!\r\n";
const std::string COPY_FAILED = " \tошибка записи копии, файл не изменён!\r\n";
const std::string NOT_REPLACED = " \tошибка удаления/переименования!: ";
const std::string CHANGED = " \tфайл изменился во время замены и оставлен как есть!\r\n";
const std::string LEFTOVER = " \tосталась копия от прежней замены, файл не изменён: ";
const std::string TOO_LONG = " \tслишком длинный путь для копии, файл не изменён!\r\n";
const std::string NO_COPY = " \tне удалось создать копию, файл не изменён!: ";
const std::string HARD_LINKED = " \tу файла есть другие имена (жёсткие ссылки), файл не изменён!\r\n";

std::string copy_of(const std::string& relative) { return relative + TEMP_SUFFIX; }

// Most cases run with the walk's thread alone and with pools of two and of eight threads.
class SearchInFile : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override { search_threads = GetParam(); }
    void TearDown() override { search_threads = 0; }
};

TEST_P(SearchInFile, MaskMustMatchUpToTheEndOfTheLowerCasedPath) {
    TempTree tree;
    tree.make({"Texts/", "Texts/A.TXT", "Texts/a.txt.bak", "Texts/Dir.txt/",
               "Texts/Dir.txt/b.txt", "Texts/plain"}, "hit");
    // The first .txt of Dir.txt/b.txt's path is its folder's.
    const std::string hit = "строка 1: ‹hit›";
    EXPECT_EQ(search_tree(tree, "hit", nullptr, "*.txt"), found(tree.path("Texts/A.TXT"), 0, hit));
    // "*.*" takes every path with a dot anywhere, the folders' included.
    std::string report = search_tree(tree, "hit", nullptr, "*.*");
    EXPECT_NE(report.find(found(tree.path("Texts/a.txt.bak"), 0, hit)), std::string::npos);
    EXPECT_NE(report.find(found(tree.path("Texts/Dir.txt/b.txt"), 0, hit)), std::string::npos);
    EXPECT_EQ(report.find(tree.path("Texts/plain")), std::string::npos);
    EXPECT_EQ(search_tree(tree, "hit", nullptr, ""), "");
    EXPECT_EQ(search_tree(tree, "hit", nullptr, "*50%"), "");  // malformed
}

// Find reports each hit at its offset; Replace reports the same offsets (in the file as
// it was) and leaves the file rewritten, with no copy behind. Each line also tells the
// hit's line, and its text: the matched one, or the replacement written.
TEST_P(SearchInFile, HitsAndRewrites) {
    struct Hit {
        long long offset;
        std::string found;      // its line field in Find's report
        std::string replaced;   // and in Replace's
    };
    struct Case {
        std::string content;
        const char* query;
        const char* replacement;
        std::vector<Hit> hits;
        std::string rewritten;
    };
    const std::string dots = std::string(39, '.') + "…" + std::string(19, '.');
    const Case cases[] = {
        {"aaaa", "aa", "b", {{0, "строка 1: ‹aa›aa", "строка 1: ‹b›aa"}, {2, "строка 1: aa‹aa›", "строка 1: aa‹b›"}},
         "bb"},  // hits never overlap
        {"aab", "ab", "X", {{1, "строка 1: a‹ab›", "строка 1: a‹X›"}}, "aX"},  // the second a begins a new occurrence
        {"ababab", "ab", "",
         {{0, "строка 1: ‹ab›abab", "строка 1: ‹›abab"},
          {2, "строка 1: ab‹ab›ab", "строка 1: ab‹›ab"},
          {4, "строка 1: abab‹ab›", "строка 1: abab‹›"}},
         ""},  // adjacent; an empty replacement deletes
        {"abab-d", "ab*d", "Z", {{0, "строка 1: ‹abab-d›", "строка 1: ‹Z›"}}, "Z"},  // a candidate's span holds no candidate
        {"xQx\ty", "x\\ty", "Z", {{2, "строка 1: xQ‹x y›", "строка 1: xQ‹Z›"}}, "xQZ"},  // an escape in the first literal
        {"one cat, two cats, a catalogue", "cat", "lion",
         {{4, "строка 1: one ‹cat›, two cats, a catalogue", "строка 1: one ‹lion›, two cats, a catalogue"},
          {13, "строка 1: one cat, two ‹cat›s, a catalogue", "строка 1: one cat, two ‹lion›s, a catalogue"},
          {21, "строка 1: one cat, two cats, a ‹cat›alogue", "строка 1: one cat, two cats, a ‹lion›alogue"}},
         "one lion, two lions, a lionalogue"},
        {"keep keep long-word", "long-word", "w",
         {{10, "строка 1: keep keep ‹long-word›", "строка 1: keep keep ‹w›"}}, "keep keep w"},  // nothing stale after
        {"key=1;\nkey=22;\n", "key=%v%;", "value(%v%);",
         {{0, "строка 1: ‹key=1;›", "строка 1: ‹value(1);›"}, {7, "строка 2: ‹key=22;›", "строка 2: ‹value(22);›"}},
         "value(1);\nvalue(22);\n"},
        // A match lies within the 65,536 bytes from its candidate on.
        {"a" + std::string(65534, '.') + "b", "a*b", "", {{0, "строка 1: ‹a" + dots + "b›", "строка 1: ‹›"}}, ""},
        {"a" + std::string(65535, '.') + "b", "a*b", "", {}, "a" + std::string(65535, '.') + "b"},
        {"no prefix here", "xyz", "q", {}, "no prefix here"},
        {"text with 50% off", "50%", "x", {}, "text with 50% off"},  // malformed query
        {"text", "", "x", {}, "text"},
    };
    TempTree tree;
    std::string path = tree.path("f");
    for (const Case& c : cases) {
        std::string find, rewrite;
        for (const Hit& hit : c.hits) {
            find += found(path, hit.offset, hit.found);
            rewrite += replaced(path, hit.offset, hit.replaced);
        }
        tree.file("f", c.content);
        EXPECT_EQ(search(path, c.query), find) << c.query;
        EXPECT_EQ(search(path, c.query, c.replacement), rewrite) << c.query;
        EXPECT_EQ(tree.read("f"), c.rewritten) << c.query;
        EXPECT_EQ(tree.read(copy_of("f")), "<missing>");
    }
    EXPECT_EQ(search(path, "text", "\\"), "");  // a template that does not decode
    EXPECT_EQ(tree.read("f"), "text");
}

// Without a literal prefix as typed (a query that begins with a backslash) the
// candidates are the occurrences of the query's leading literal as the engine decodes
// it; only a query with no leading literal at all tries a window at every offset.
TEST_P(SearchInFile, QueryWithoutLiteralPrefix) {
    TempTree tree;
    std::string f = tree.path("f");
    tree.file("f", "xxAbcyyAbc\tAb");
    const std::string abc_2 = found(f, 2, "строка 1: xx‹Abc›yyAbc Ab");
    const std::string abc_7 = found(f, 7, "строка 1: xxAbcyy‹Abc› Ab");
    EXPECT_EQ(search(f, "\\x41bc"), abc_2 + abc_7);
    EXPECT_EQ(search(f, "\\tA"), found(f, 10, "строка 1: xxAbcyyAbc‹ A›b"));
    EXPECT_EQ(search(f, "\\x41b*\\t"), found(f, 2, "строка 1: xx‹AbcyyAbc ›Ab"));
    EXPECT_EQ(search(f, "\\x41\\0c"), abc_2 + abc_7);  // compared up to the zero
    EXPECT_EQ(search(f, "\\x4"), "");  // does not decode: never a hit
    EXPECT_EQ(search(f, "yy", nullptr, nullptr, "*", 99),
              found(f, 5, "строка 1: xxAbc‹yy›Abc Ab"));  // a prefix past the end
    EXPECT_EQ(search(f, "\\x41bc", "-"), replaced(f, 2, "строка 1: xx‹-›yyAbc Ab") +
                                             replaced(f, 7, "строка 1: xxAbcyy‹-› Ab"));
    EXPECT_EQ(tree.read("f"), "xx-yy-\tAb");
    tree.file("f", "abcabc");
    EXPECT_EQ(search(f, "*c"), found(f, 2, "строка 1: ab‹c›abc") + found(f, 5, "строка 1: abcab‹c›"));
    EXPECT_EQ(search(f, "??c"), found(f, 0, "строка 1: ‹abc›abc") + found(f, 3, "строка 1: abc‹abc›"));
}

// What cannot be opened gives its line; on POSIX systems a broken link and a FIFO (never
// read: it could block), while a link to a file is searched but never rewritten.
TEST_P(SearchInFile, FilesThatCannotBeOpenedAndLinks) {
    TempTree tree;
    tree.make({"real/"});
    tree.file("real/f", "abc");
#ifdef _WIN32
    HANDLE held = CreateFileA(tree.path("real/f").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(search_tree(tree, "abc"), tree.path("real/f") + CANNOT_OPEN);
    CloseHandle(held);
#else
    ASSERT_EQ(symlink("nowhere", tree.path("broken").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.path("pipe").c_str(), 0644), 0);
    ASSERT_EQ(symlink("real/f", tree.path("link").c_str()), 0);
    EXPECT_EQ(search_tree(tree, "b", "X"),
              tree.path("broken") + CANNOT_OPEN + found(tree.path("link"), 1, "строка 1: a‹b›c") +
                  tree.path("pipe") + CANNOT_OPEN + replaced(tree.path("real/f"), 1, "строка 1: a‹X›c"));
    struct stat status;
    ASSERT_EQ(lstat(tree.path("link").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(tree.read("real/f"), "aXc");
    EXPECT_EQ(tree.read(copy_of("link")), "<missing>");
#endif
}

// Files that Replace leaves as they were.
TEST_P(SearchInFile, FilesThatReplaceLeavesAsTheyWere) {
    TempTree tree;
    std::string f = tree.path("f"), copy = tree.path(copy_of("f")), ro = tree.path("ro");
    tree.file("f", "abc abc");
    tree.file(copy_of("f"), "someone's");
    tree.file("ro", "abc");
#ifdef _WIN32
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    chmod(ro.c_str(), 0444);
#endif
    // A file whose copy exists already is only searched; both stay as they were, and a
    // line names the copy so that the user can remove it.
    EXPECT_EQ(search(f, "abc", "x"), found(f, 0, "строка 1: ‹abc› abc") +
                                         found(f, 4, "строка 1: abc ‹abc›") + f + LEFTOVER + copy + "\r\n");
    EXPECT_EQ(search(f, "zzz", "x"), f + LEFTOVER + copy + "\r\n");
    EXPECT_EQ(tree.read("f") + "|" + tree.read(copy_of("f")), "abc abc|someone's");
    // This program's own copies are searched by Find like any file, never rewritten.
    EXPECT_EQ(search(copy, "some"), found(copy, 0, "строка 1: ‹some›one's"));
    EXPECT_EQ(search(copy, "some", "x"), "");
    EXPECT_EQ(tree.read(copy_of("f")), "someone's");
    // A read-only file is never replaced: no copy is made, and a line says so.
    EXPECT_EQ(search(ro, "b", "X"),
              found(ro, 1, "строка 1: a‹b›c") + ro + NOT_REPLACED + std::to_string(EACCES) + "\r\n");
    EXPECT_EQ(tree.read("ro") + "|" + tree.read(copy_of("ro")), "abc|<missing>");

    // A file with another name: a copy would give one name new bytes and leave the
    // other with the old ones.
    tree.file("one", "abc");
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkA(tree.path("two").c_str(), tree.path("one").c_str(), nullptr));
#else
    ASSERT_EQ(link(tree.path("one").c_str(), tree.path("two").c_str()), 0);
#endif
    std::string one = tree.path("one");
    EXPECT_EQ(search(one, "b", "X"), found(one, 1, "строка 1: a‹b›c") + one + HARD_LINKED);
    EXPECT_EQ(tree.read("one") + "|" + tree.read("two"), "abc|abc");
    EXPECT_EQ(search(one, "zzz", "X"), "");   // nothing to say without a hit
}

// The copy's full path is checked against the platform's limit before anything is made:
// one character under and at the limit the file is rewritten, over it only searched.
TEST_P(SearchInFile, CopyPathsAtTheLimit) {
    TempTree tree;
    const size_t suffix = strlen(TEMP_SUFFIX);
    for (size_t copy_length : {PATH_LIMIT - 2, PATH_LIMIT - 1, PATH_LIMIT}) {
        std::string relative = tree.long_path(copy_length - suffix);
        std::string path = tree.path(relative);
        ASSERT_EQ(path.size() + suffix, copy_length);
        tree.file(relative, "a b a");
        bool fits = copy_length < PATH_LIMIT;
        EXPECT_EQ(search(path, "a", "c"),
                  fits ? replaced(path, 0, "строка 1: ‹c› b a") + replaced(path, 4, "строка 1: a b ‹c›")
                       : found(path, 0, "строка 1: ‹a› b a") + found(path, 4, "строка 1: a b ‹a›") +
                             path + TOO_LONG)
            << copy_length;
        EXPECT_EQ(tree.read(relative), fits ? "c b c" : "a b a");
        EXPECT_EQ(tree.read(copy_of(relative)), "<missing>");
        tree.remove(relative.substr(0, relative.find('/')));
    }
}

// Faults put in the place of the platform layer's file operations.
const FileOps original_ops = file_ops;

struct Faults {
    ~Faults() { file_ops = original_ops; }
};

int64_t fail_reads_from = 0;

int32_t read_failing(int file, int64_t offset, char* buffer, uint32_t size) {
    if (offset + size > fail_reads_from) {
        if (offset >= fail_reads_from) return -1;
        size = static_cast<uint32_t>(fail_reads_from - offset);
    }
    return original_ops.read_at(file, offset, buffer, size);
}

// A copy opened for reading only: its writes fail.
FILE* create_unwritable(const char* path) {
    FILE* created = original_ops.create_copy(path);
    if (!created) return nullptr;
    fclose(created);
    return fopen(path, "rb");
}

// A copy that cannot be made (a folder the user may not write to, here) leaves the file
// only searched, with a line that says why.
FILE* refuse_copy(const char*) {
    errno = EACCES;
    return nullptr;
}

// Another program writes the file after it was read and before the copy would take its
// place: what it wrote stays, the copy goes, and a line says so.
std::string changed_path;
int changed_how;

int change_then_describe(const char* path, FileIdentity* identity) {
    if (changed_how == 0) {
        FILE* file = fopen(path, "ab");
        fputs(" appended", file);
        fclose(file);
    } else if (changed_how == 1) {
        fclose(fopen(path, "wb"));
    } else {
        std::string other = changed_path + ".other";
        FILE* file = fopen(other.c_str(), "wb");
        fputs("a new file", file);   // as long as the old bytes, and no hit in it
        fclose(file);
#ifdef _WIN32
        MoveFileExA(other.c_str(), path, MOVEFILE_REPLACE_EXISTING);
#else
        rename(other.c_str(), path);
#endif
    }
    return original_ops.identity_of(path, identity);
}

TEST_P(SearchInFile, ChangesOfAnotherProgramAreNeverLost) {
    TempTree tree;
    std::string f = tree.path("f");
    changed_path = f;
    const char* after[] = {"ab abc abc appended", "", "a new file"};
    for (changed_how = 0; changed_how < 3; changed_how++) {
        tree.file("f", "ab abc abc");
        Faults faults;
        file_ops.identity_of = change_then_describe;
        EXPECT_EQ(search(f, "abc", "X"), found(f, 3, "строка 1: ab ‹abc› abc") +
                                             found(f, 7, "строка 1: ab abc ‹abc›") + f + CHANGED)
            << changed_how;
        EXPECT_EQ(tree.read("f"), after[changed_how]);
        EXPECT_EQ(tree.entries(), std::vector<std::string>{"f"});
    }
}

// The files of a walk are committed in groups: their copies pushed to the disk together
// beside the scan, then each taking its place in walk order. A failure in the middle of
// a group (a flush that fails, a file that another program changed) leaves that file as
// it was with no copy, and the report as for files committed one by one.
int flushes_to_fail_at;   // counted over every copy flushed

void flush_failing_one(FILE* const* streams, uint32_t count, int* errors) {
    original_ops.flush_copies(streams, count, errors);
    for (uint32_t i = 0; i < count; i++)
        if (flushes_to_fail_at-- == 0) errors[i] = EIO;
}

int change_one_then_describe(const char* path, FileIdentity* identity) {
    if (changed_path == path) {
        FILE* file = fopen(path, "ab");
        fputs("!", file);
        fclose(file);
    }
    return original_ops.identity_of(path, identity);
}

TEST_P(SearchInFile, FilesCommittedInGroupsWithFailuresInTheMiddle) {
    TempTree tree;
    const int files = 70;   // more than a group
    for (int i = 0; i < files; i++) tree.file("f" + std::to_string(100 + i), "a кот b");
    changed_path = tree.path("f120");
    Faults faults;
    flushes_to_fail_at = 2;
    file_ops.flush_copies = flush_failing_one;
    file_ops.identity_of = change_one_then_describe;
    std::string report = search_tree(tree, "кот", "пёс");

    // Which file's flush failed depends on the platform's listing order; the report says.
    size_t failed_at = report.find(COPY_FAILED);
    ASSERT_NE(failed_at, std::string::npos) << report;
    std::string failed = report.substr(0, failed_at);
    failed = failed.substr(failed.rfind('\n') + 1);
    std::vector<std::string> blocks;
    for (int i = 0; i < files; i++) {
        std::string name = "f" + std::to_string(100 + i), path = tree.path(name);
        if (path == failed) {
            blocks.push_back(found(path, 2, "строка 1: a ‹кот› b") + path + COPY_FAILED);
            EXPECT_EQ(tree.read(name), "a кот b");
        } else if (path == changed_path) {
            blocks.push_back(found(path, 2, "строка 1: a ‹кот› b") + path + CHANGED);
            EXPECT_EQ(tree.read(name), "a кот b!");
        } else {
            blocks.push_back(replaced(path, 2, "строка 1: a ‹пёс› b"));
            EXPECT_EQ(tree.read(name), "a пёс b") << name;
        }
    }
    std::string expected;
    for (const std::string& block : blocks) {
        expected += block;
        EXPECT_NE(report.find(block), std::string::npos) << block;   // each file's lines together
    }
#ifndef _WIN32
    EXPECT_EQ(report, expected);   // in the names' order, the walk's order here
#endif
    EXPECT_EQ(report.size(), expected.size());
    EXPECT_EQ(tree.entries().size(), size_t(files)) << "a copy was left";
}

TEST_P(SearchInFile, CopiesThatCannotBeMadeAreReported) {
    TempTree tree;
    std::string f = tree.path("f");
    tree.file("f", "abc");
    {
        Faults faults;
        file_ops.create_copy = refuse_copy;
        EXPECT_EQ(search(f, "b", "X"),
                  found(f, 1, "строка 1: a‹b›c") + f + NO_COPY + std::to_string(EACCES) + "\r\n");
    }
#ifndef _WIN32
    // A name too long for the file system: its copy's name is longer still.
    std::string name(250, 'n');
    tree.file(name, "abc");
    std::string path = tree.path(name);
    EXPECT_EQ(search(path, "b", "X"), found(path, 1, "строка 1: a‹b›c") + path + TOO_LONG);
#endif
    EXPECT_EQ(tree.read("f"), "abc");
}

// A Replace holds a file's hits until its copy has taken the file's place; past the
// bound it gives the file up rather than its memory: every hit is then reported as found.
struct Counted {
    uint64_t found = 0, replaced = 0;
    std::string last;
};

void count_events(void* user, const FolderEvent* event) {
    Counted* counted = static_cast<Counted*>(user);
    counted->found += event->kind == FOLDER_HIT_FOUND;
    counted->replaced += event->kind == FOLDER_HIT_REPLACED;
    if (event->kind == FOLDER_HIT_FOUND || event->kind == FOLDER_HIT_REPLACED) return;
    counted->last.clear();
    report_sink(&counted->last, event);
}

TEST(SearchInFileAlone, AFileWithMoreHitsThanCanBeHeldIsOnlySearched) {
    TempTree tree;
    std::string f = tree.path("f");
    for (uint32_t hits : {MAX_HELD_HITS, MAX_HELD_HITS + 1}) {
        tree.file("f", std::string(hits, 'a'));
        Counted counted;
        FolderJob job = {"a", "b", "*", 1, count_events, &counted, nullptr, nullptr, 0, 0, nullptr, 0};
        search_in_file(f.c_str(), 0, nullptr, nullptr, &job);
        bool held = hits <= MAX_HELD_HITS;
        EXPECT_EQ(counted.replaced, held ? hits : 0u);
        EXPECT_EQ(counted.found, held ? 0u : hits);
        EXPECT_EQ(counted.last,
                  held ? "" : f + " \tслишком много совпадений для замены, файл не изменён!\r\n");
        EXPECT_EQ(tree.read("f"), std::string(hits, held ? 'b' : 'a'));
    }
}

// A read error in the middle of a file must never let a shortened copy take its place;
// a failed write to the copy ends the rewriting of the file, later hits being reported as
// found. Either way the file stays as it was, the copy goes, and a line says so.
TEST_P(SearchInFile, FaultsLeaveTheFileAsItWas) {
    TempTree tree;
    std::string f = tree.path("f");
    std::string content = "hit " + std::string(3 << 20, '.') + " hit";
    long long last = static_cast<long long>(content.size()) - 3;
    tree.file("f", content);
    const std::string first_hit = found(f, 0, "строка 1: ‹hit› " + std::string(39, '.') + "…");
    const std::string last_hit = found(f, last, "строка 1: …" + std::string(39, '.') + " ‹hit›");
    {
        Faults faults;
        fail_reads_from = 2 << 20;
        file_ops.read_at = read_failing;
        EXPECT_EQ(search(f, "hit", "HIT"), first_hit + f + READ_FAILED);
        EXPECT_EQ(search(f, "hit"), first_hit + f + READ_FAILED);
    }
    {
        Faults faults;
        file_ops.create_copy = create_unwritable;
        std::string report = search(f, "hit", "HIT");
        EXPECT_EQ(report.substr(report.size() - (f + COPY_FAILED).size()), f + COPY_FAILED);
        EXPECT_NE(report.find(last_hit), std::string::npos);
    }
#ifndef _WIN32
    // A full disk, as a limit on the size of the files that this process writes.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 100000;
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string report = search(f, "hit", "HIT");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(report, first_hit + last_hit + f + COPY_FAILED);
#endif
    EXPECT_EQ(tree.read("f"), content);
    EXPECT_EQ(tree.read(copy_of("f")), "<missing>");
}

// A stop while a Replace is under way, whatever the threads: every file is old or new,
// no copy is left, and the report holds the files before the stop, one after another in
// walk order, each replaced whole or said to be left as it was, and nothing after them.
uint8_t stop_byte;

int32_t read_then_stop(int file, int64_t offset, char* buffer, uint32_t size) {
    if (offset >= (1 << 20)) __atomic_store_n(&stop_byte, 1, __ATOMIC_RELAXED);
    return original_ops.read_at(file, offset, buffer, size);
}

TEST_P(SearchInFile, AStopLeavesEveryFileOldOrNew) {
    TempTree tree;
    // A larger file now and then: the stop comes at its second block.
    const std::string small = "a кот b кот", big = "кот" + std::string(3 << 20, '.') + "кот";
    std::vector<std::string> names;
    for (int i = 0; i < 40; i++) {
        names.push_back("f" + std::to_string(100 + i));
        tree.file(names.back(), i % 12 == 11 ? big : small);
    }
    std::string report;
    {
        Faults faults;
        file_ops.read_at = read_then_stop;
        stop_byte = 0;
        FolderJob job = {"кот", "пёс", "*", 3, report_sink, &report, &stop_byte, nullptr, 0, 0, nullptr};
        job.threads = GetParam();
        EXPECT_EQ(search_folder_tree(&job, (tree.root + SEP + "*").c_str()),
                  WALK_CODE_OPERATION_ABORTED);
    }
    report = without_lines(report);   // which hits, not their lines
    std::string lines;
    bool ended = false;
    for (const std::string& path : walk_order(tree)) {
        std::string name = path.substr(tree.root.size() + 1), now = tree.read(name);
        bool is_big = now.size() > small.size() + 2;
        long long first = is_big ? 0 : 2, last = is_big ? static_cast<long long>(big.size()) - 3 : 8;
        std::string block;
        if (now == (is_big ? "пёс" + big.substr(3, big.size() - 6) + "пёс" : "a пёс b пёс")) {
            block = replaced(path, first) + replaced(path, last);
        } else {
            ASSERT_EQ(now, is_big ? big : small) << name;
            // Left: the hits found before the stop, and why it was left; or not reached.
            std::string stopped = path + " \tпоиск остановлен, файл не изменён!\r\n";
            for (std::string told : {found(path, first) + found(path, last) + stopped,
                                     found(path, first) + stopped})
                if (report.find(told) != std::string::npos) block = told;
        }
        EXPECT_FALSE(ended && !block.empty()) << name << " after a file not reached";
        ended = ended || block.empty();
        lines += block;
    }
    EXPECT_TRUE(ended) << "the stop came before the last file";
    EXPECT_EQ(report, lines);
    EXPECT_EQ(tree.entries(), names) << "a copy was left";
}

// Offsets past 2 GB are exact (the file is sparse, its copy is not).
TEST(SearchInFileAlone, FilesOver2GB) {
    TempTree tree;
    std::string big = tree.path("big");
    const int64_t distant = (int64_t(1) << 31) + 12345;
    // The rewritten copy is not sparse: it needs the whole 2 GB, and some room to spare.
    if (tree.free_bytes() < (5ull << 30)) GTEST_SKIP() << "less than 5 GB free for a 2 GB copy";
    FILE* file = fopen(big.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("needle", file);
#ifdef _WIN32
    ASSERT_EQ(_fseeki64(file, distant, SEEK_SET), 0);
#else
    ASSERT_EQ(fseeko(file, distant, SEEK_SET), 0);
#endif
    fputs("needle at the end", file);
    fclose(file);
    // Its hole reads as zero bytes: it is taken as bytes, as a binary file would not be
    // rewritten.
    const std::string zeros = "…" + std::string(40, '\xB7');   // shown as ·
    EXPECT_EQ(search_bytes(big, "needle"),
              found(big, 0, "строка 1: ‹needle›" + zeros.substr(1) + "…") +
                  found(big, distant, "строка 1: " + zeros + "‹needle› at the end"));
    // Rewritten: the second hit moves by the first one's change of length.
    EXPECT_EQ(search_bytes(big, "needle", "pin"),
              replaced(big, 0, "строка 1: ‹pin›" + zeros.substr(1) + "…") +
                  replaced(big, distant, "строка 1: " + zeros + "‹pin› at the end"));
    EXPECT_EQ(search_bytes(big, "pin at the end"),
              found(big, distant - 3, "строка 1: " + zeros + "‹pin at the end›"));
    EXPECT_EQ(tree.read(copy_of("big")), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(Threads, SearchInFile, ::testing::ValuesIn(THREAD_COUNTS));

}  // namespace
