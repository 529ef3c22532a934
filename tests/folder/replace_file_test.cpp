// A copy takes a file's place whole or not at all, and keeps the file's attributes.
#include "replace_file.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

int replace(const TempTree& tree, const char* copy, const char* target) {
    return replace_file(tree.path(copy).c_str(), tree.path(target).c_str());
}

TEST(ReplaceFile, CopyTakesThePlaceOfTheFileOrNothingChanges) {
    TempTree tree;
    tree.file("a.txt", "old bytes");
    tree.file("a.tmp", "new");
    ASSERT_EQ(replace(tree, "a.tmp", "a.txt"), 0);
    EXPECT_EQ(tree.read("a.txt"), "new");
    EXPECT_EQ(tree.read("a.tmp"), "<missing>");

    EXPECT_EQ(replace(tree, "nothing.tmp", "a.txt"), ENOENT);
    EXPECT_EQ(tree.read("a.txt"), "new");
    EXPECT_EQ(is_read_only(tree.path("nothing.tmp").c_str()), 0);

    // A read-only file is refused, even where the system would let the copy through.
#ifdef _WIN32
    SetFileAttributesA(tree.path("a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
#else
    chmod(tree.path("a.txt").c_str(), 0444);
#endif
    EXPECT_EQ(is_read_only(tree.path("a.txt").c_str()), 1);
    tree.file("a.tmp", "lost");
    EXPECT_EQ(replace(tree, "a.tmp", "a.txt"), EACCES);
    EXPECT_EQ(tree.read("a.txt"), "new");
}

TEST(ReplaceFile, AttributesAreKept) {
    TempTree tree;
    tree.file("f", "x");
    tree.file("f.tmp", "y");
#ifdef _WIN32
    SetFileAttributesA(tree.path("f").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(replace(tree, "f.tmp", "f"), 0);
    EXPECT_TRUE(GetFileAttributesA(tree.path("f").c_str()) & FILE_ATTRIBUTE_HIDDEN);
#else
    chmod(tree.path("f").c_str(), 0750);
    ASSERT_EQ(replace(tree, "f.tmp", "f"), 0);
    struct stat status;
    ASSERT_EQ(stat(tree.path("f").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0750u);
#endif
    EXPECT_EQ(tree.read("f"), "y");
}

}  // namespace
