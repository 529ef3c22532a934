// A copy takes a file's place whole or not at all.
#include "replace_file.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string temp_folder() {
#ifdef _WIN32
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    std::string folder = std::string(base) + "replace_file_test";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
#else
    char pattern[] = "/tmp/replace_file_testXXXXXX";
    return std::string(mkdtemp(pattern)) + "/";
#endif
}

void write_file(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), file);
    ASSERT_EQ(flush_to_disk(file), 0);
    fclose(file);
}

std::string read_file(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return "<missing>";
    std::string bytes;
    int c;
    while ((c = fgetc(file)) != EOF) bytes += static_cast<char>(c);
    fclose(file);
    return bytes;
}

void make_read_only(const std::string& path, bool read_only) {
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    chmod(path.c_str(), read_only ? 0444 : 0644);
#endif
}

TEST(ReplaceFile, CopyTakesThePlaceOfAnExistingFile) {
    std::string folder = temp_folder();
    write_file(folder + "a.txt", "old bytes");
    write_file(folder + "a.txt.tmp", "new");
    ASSERT_EQ(replace_file((folder + "a.txt.tmp").c_str(), (folder + "a.txt").c_str()), 0);
    EXPECT_EQ(read_file(folder + "a.txt"), "new");
    EXPECT_EQ(read_file(folder + "a.txt.tmp"), "<missing>");
}

TEST(ReplaceFile, ReadOnlyTargetKeepsItsBytes) {
    std::string folder = temp_folder();
    write_file(folder + "ro.txt", "keep me");
    write_file(folder + "ro.txt.tmp", "lost");
    make_read_only(folder + "ro.txt", true);
    EXPECT_EQ(is_read_only((folder + "ro.txt").c_str()), 1);
    EXPECT_EQ(replace_file((folder + "ro.txt.tmp").c_str(), (folder + "ro.txt").c_str()), EACCES);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(read_file(folder + "ro.txt"), "keep me");
    EXPECT_EQ(read_file(folder + "ro.txt.tmp"), "lost");
    make_read_only(folder + "ro.txt", false);
    EXPECT_EQ(is_read_only((folder + "ro.txt").c_str()), 0);
}

TEST(ReplaceFile, MissingCopyFailsAndLeavesTheTarget) {
    std::string folder = temp_folder();
    write_file(folder + "b.txt", "still here");
    EXPECT_EQ(replace_file((folder + "nothing.tmp").c_str(), (folder + "b.txt").c_str()), ENOENT);
    EXPECT_EQ(read_file(folder + "b.txt"), "still here");
    EXPECT_EQ(is_read_only((folder + "nothing.tmp").c_str()), 0);
}

#ifndef _WIN32
TEST(ReplaceFile, PermissionBitsAreKept) {
    std::string folder = temp_folder();
    write_file(folder + "run.sh", "#!/bin/sh\n");
    chmod((folder + "run.sh").c_str(), 0750);
    write_file(folder + "run.sh.tmp", "#!/bin/sh\nexit 0\n");
    ASSERT_EQ(replace_file((folder + "run.sh.tmp").c_str(), (folder + "run.sh").c_str()), 0);
    struct stat status;
    ASSERT_EQ(stat((folder + "run.sh").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0750u);
}
#else
TEST(ReplaceFile, HiddenAttributeIsKept) {
    std::string folder = temp_folder();
    write_file(folder + "h.txt", "x");
    SetFileAttributesA((folder + "h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    write_file(folder + "h.txt.tmp", "y");
    ASSERT_EQ(replace_file((folder + "h.txt.tmp").c_str(), (folder + "h.txt").c_str()), 0);
    EXPECT_TRUE(GetFileAttributesA((folder + "h.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((folder + "h.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

}  // namespace
