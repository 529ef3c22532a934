// The Find that comes before a Replace: its report is the Find's, and the files it counts
// are those, with those hits, that the Replace then rewrites.
#include "folder.h"
#include "folder_platform.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <string.h>

#include <map>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Hits per file (counted, or replaced), and the report.
struct Seen {
    std::map<std::string, long long> hits;
    std::string report;
};

void seen_sink(void* user, const FolderEvent* event) {
    Seen* seen = static_cast<Seen*>(user);
    if (event->kind == FOLDER_REWRITABLE) seen->hits[event->path] += event->offset;
    if (event->kind == FOLDER_HIT_REPLACED) seen->hits[event->path]++;
    report_sink(&seen->report, event);
}

Seen walk(const TempTree& tree, const char* replacement, int counting) {
    Seen seen;
    FolderJob job = {"кот", replacement, "*", 3, seen_sink, &seen, nullptr, nullptr, 0, counting,
                     nullptr, 0};
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
    Seen counted = walk(tree, nullptr, 1);
    EXPECT_EQ(counted.hits, rewritten);
    EXPECT_EQ(counted.report, walk(tree, nullptr, 0).report);
    EXPECT_EQ(walk(tree, "пёс", 0).hits, rewritten);
    EXPECT_EQ(walk(tree, nullptr, 1).hits.size(), 0u);
}

}  // namespace
