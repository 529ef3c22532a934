// The Find that comes before a Replace: its report is the Find's, and the files it counts
// are those, and with those hits, that the Replace then rewrites.
#include "folder.h"
#include "folder_platform.h"
#include "search_helpers.h"

#include <gtest/gtest.h>

#include <string.h>

#include <map>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Hits per file: from FOLDER_REWRITABLE in a counting Find, from the replaced hits of a
// Replace; and the report's lines.
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
    FolderJob job = {"кот", replacement, "*", 3, seen_sink, &seen, nullptr, nullptr, counting,
                     nullptr};
    std::string pattern = tree.root + SEP + "*";
    search_folder_tree(&job, pattern.c_str());
    return seen;
}

TEST(RewriteCount, CountsWhatTheReplaceRewrites) {
    TempTree tree;
    tree.file("plain", "кот и кот");
    tree.file("no hits", "пёс");
    tree.file("read-only", "кот");
    tree.file("leftover", "кот");
    tree.file(std::string("leftover") + TEMP_SUFFIX, "кот от прежней замены");
    tree.file("one", "кот");
    std::string deep = tree.long_path(PATH_LIMIT - strlen(TEMP_SUFFIX));
    tree.file(deep, "кот");
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
    EXPECT_EQ(counted.report, walk(tree, nullptr, 0).report) << "the report is the Find's";
    Seen replaced = walk(tree, "пёс", 0);
    EXPECT_EQ(replaced.hits, rewritten);
    EXPECT_EQ(tree.read("plain"), "пёс и пёс");
    EXPECT_EQ(walk(tree, nullptr, 1).hits.size(), 0u);
}

}  // namespace
