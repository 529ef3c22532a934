// The search that comes before a Replace: it matches as the Replace does, and the files
// and hits that it counts and previews are those that the Replace then rewrites.
#include "folder.h"
#include "folder_platform.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <string.h>

#include <map>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Hits per file (counted, or replaced), the offsets of those previewed or replaced, and
// the report.
struct Seen {
    std::map<std::string, long long> hits;
    std::vector<long long> changed;
    std::string report;
};

void seen_sink(void* user, const FolderEvent* event) {
    Seen* seen = static_cast<Seen*>(user);
    if (event->kind == FOLDER_REWRITABLE) seen->hits[event->path] += event->offset;
    if (event->kind == FOLDER_HIT_REPLACED) seen->hits[event->path]++;
    if (event->kind == FOLDER_HIT_REPLACED || (event->kind == FOLDER_HIT_FOUND && event->excerpt.preview))
        seen->changed.push_back(event->offset);
    report_sink(&seen->report, event);
}

// The search before a Replace with `counting`, else the Replace; with `threads` scanning.
Seen walk(const TempTree& tree, const char* replacement, int counting, const char* query = "кот",
          uint32_t threads = 1) {
    Seen seen;
    FolderJob job = {query, replacement, "*", literal_prefix_length(query), seen_sink, &seen,
                     nullptr, nullptr, 0, counting, nullptr, 0};
    job.threads = threads;
    search_folder_tree(&job, (tree.root + SEP + "*").c_str());
    return seen;
}

// Neither counted nor rewritten: a read-only file, one with another name, one whose
// copy is left from before, one whose copy's path is too long, this program's own copy,
// a binary file and a link.
TEST(RewriteCount, CountsWhatTheReplaceRewrites) {
    TempTree tree;
    for (const char* name : {"plain", "read-only", "one", "leftover"}) tree.file(name, "кот и кот");
    tree.file(std::string("leftover") + TEMP_SUFFIX, "кот");
    tree.file("binary", std::string("кот\0", 4));
    tree.file(tree.long_path(PATH_LIMIT - strlen(TEMP_SUFFIX)), "кот");
#ifdef _WIN32
    SetFileAttributesA(tree.path("read-only").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateHardLinkA(tree.path("two").c_str(), tree.path("one").c_str(), nullptr));
#else
    chmod(tree.path("read-only").c_str(), 0444);
    ASSERT_EQ(link(tree.path("one").c_str(), tree.path("two").c_str()), 0);
    ASSERT_EQ(symlink("plain", tree.path("link").c_str()), 0);
#endif
    const std::map<std::string, long long> rewritten = {{tree.path("plain"), 2}};
    const std::string plain = tree.path("plain");
    const std::string report = walk(tree, "пёс", 1).report;
    for (uint32_t threads : THREAD_COUNTS) {
        Seen counted = walk(tree, "пёс", 1, "кот", threads);
        EXPECT_EQ(counted.hits, rewritten) << threads;
        EXPECT_EQ(counted.report, report) << threads;
    }
    // The files to be rewritten show the change, the others their hits as found.
    for (const std::string& line :
         {found(plain, 0, "строка 1: ‹кот› на ‹пёс› и кот"),
          found(plain, 6, "строка 1: кот и ‹кот› на ‹пёс›"),
          found(tree.path("read-only"), 0, "строка 1: ‹кот› и кот")})
        EXPECT_NE(report.find(line), std::string::npos) << line;
    EXPECT_EQ(walk(tree, "пёс", 0, "кот", 2).hits, rewritten);
    EXPECT_EQ(walk(tree, "пёс", 1, "кот", 2).hits.size(), 0u);
}

// With captures and a template, the hits that the search before a Replace counts and
// previews are the Replace's, hit for hit, where a Find would find others.
TEST(RewriteCount, TheSearchBeforeAReplaceMatchesAsTheReplace) {
    struct Case {
        const char* content;
        const char* query;
        const char* replacement;
    };
    const Case cases[] = {
        {"abab", "a%x%", "Z"},   // a Find takes the rest of the text into the capture
        {"key=1;\nkey=22;\n", "key=%v%;", "value(%v%);"},
        {"<a><bc>", "<%t%>", "[%t%]"},
        {"x1y x2 x3y", "x%n%y", "%n%"},
        {"кот и кот", "кот*", "пёс"},
    };
    TempTree tree;
    for (const Case& c : cases) {
        tree.file("f", c.content);
        Seen counted = walk(tree, c.replacement, 1, c.query);
        Seen replaced = walk(tree, c.replacement, 0, c.query);
        EXPECT_EQ(counted.changed, replaced.changed) << c.query;
        EXPECT_EQ(counted.hits, replaced.hits) << c.query;
    }
    tree.file("f", "abab");
    std::string f = tree.path("f");
    EXPECT_EQ(walk(tree, "Z", 1, "a%x%").report,
              found(f, 0, "строка 1: ‹a› на ‹Z›bab") + found(f, 2, "строка 1: ab‹a› на ‹Z›b"));
    EXPECT_EQ(walk(tree, nullptr, 0, "a%x%").report, found(f, 0, "строка 1: ‹abab›"));
}

}  // namespace
