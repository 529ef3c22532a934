// The undo of a folder Replace on real trees: what is kept and where, every file put back
// byte for byte with its attributes, files changed or gone since and kept copies that do
// not match left alone and named, the question when nothing more can be kept, and nothing
// removed but what the store made.
#include "folder.h"
#include "folder_platform.h"
#include "search_helpers.h"
#include "undo.h"
#include "undo_platform.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

const UndoPlatform original_platform = undo_platform;
std::string temporary;          // the temporary folder the tests give, with its separator
int copies_allowed = -1;        // copies of files into it that succeed; -1: all
int answer_go_on = 0;           // the user's answer when nothing can be kept
int questions = 0;
uint8_t stop_byte = 0;          // the walk's, which a No sets

uint32_t test_temporary(char* buffer, uint32_t size) {
    if (temporary.size() >= size) return 0;
    memcpy(buffer, temporary.c_str(), temporary.size() + 1);
    return static_cast<uint32_t>(temporary.size());
}

int other_volume(const char*, const char*) { return EXDEV; }

int copy_until_full(const char* existing, const char* copy) {
    if (copies_allowed < 0 || copies_allowed-- > 0) return original_platform.copy_file(existing, copy);
    return ENOSPC;
}

int ask(void*) {
    questions++;
    if (!answer_go_on) stop_byte = 1;
    return answer_go_on;
}

std::string restored(const std::string& path) { return path + " \tвосстановлен\r\n"; }

// Run with each of THREAD_COUNTS.
class Undo : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        temporary = temp.root + SEP;
        undo_platform.temporary_folder = test_temporary;
        undo_platform.copy_file = copy_until_full;
        copies_allowed = -1;
        stop_byte = 0;
        undo.go_on_without = ask;
    }
    void TearDown() override {
        undo_discard(&undo);
        undo_platform = original_platform;
    }
    std::string replace(const char* query, const char* replacement) {
        std::string report;
        FolderJob job = {query, replacement, "*", literal_prefix_length(query), report_sink,
                         &report, &stop_byte, nullptr, 0, 0, &undo, 0};
        job.threads = GetParam();
        search_folder_tree(&job, (tree.root + SEP + "*").c_str());
        return report;
    }
    std::string restore() {
        std::string report;
        FolderJob job = {};
        job.sink = report_sink;
        job.sink_user = &report;
        undo_restore(&undo, &job);
        return report;
    }
    // The undo folder, relative to the temporary folder.
    std::string undo_folder() const {
        std::string folder = undo.folder ? undo.folder : "";
        return slashed(folder.substr(temporary.size(), folder.size() - temporary.size() - 1));
    }

    TempTree tree, temp;
    UndoStore undo = {};
};

// Kept as a hard link and as a copy (another volume): only the rewritten files, beside
// the list of what was replaced.
TEST_P(Undo, EveryFileComesBackByteForByteWithItsAttributes) {
    // Bytes of every sort but zero: a file with a zero byte is binary, never rewritten.
    const std::string binary = std::string("кот\x01\r\n\xFF", 7) + std::string(100000, 'x') + "кот";
    for (auto link : {original_platform.link_file, other_volume}) {
        undo_discard(&undo);
        undo_platform.link_file = link;
        tree.make({"sub/"});
        tree.file("a.txt", "кот и кот");
        tree.file("sub/b.bin", binary);
        tree.file("sub/c.txt", "без совпадений");
#ifdef _WIN32
        SetFileAttributesA(tree.path("a.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
        chmod(tree.path("a.txt").c_str(), 0640);
#endif
        replace("кот", "пёс");
        ASSERT_EQ(tree.read("a.txt"), "пёс и пёс");
        const std::string folder = undo_folder();
        EXPECT_EQ(temp.entries(), sorted({"fuzzyreplace-undo", folder, folder + "/1",
                                          folder + "/2", folder + "/list.txt"}));
        EXPECT_NE(temp.read(folder + "/list.txt").find("\t" + tree.path("sub/b.bin") + "\r\n"),
                  std::string::npos);

        EXPECT_EQ(restore(), restored(tree.path("a.txt")) + restored(tree.path("sub/b.bin")));
        EXPECT_EQ(tree.read("a.txt") + tree.read("sub/b.bin"), "кот и кот" + binary);
        EXPECT_EQ(tree.entries(), sorted({"a.txt", "sub", "sub/b.bin", "sub/c.txt"}));
#ifdef _WIN32
        // The archive bit says that a file changed, which it did.
        EXPECT_EQ(GetFileAttributesA(tree.path("a.txt").c_str()) & ~FILE_ATTRIBUTE_ARCHIVE,
                  DWORD(FILE_ATTRIBUTE_HIDDEN));
#else
        struct stat status;
        ASSERT_EQ(stat(tree.path("a.txt").c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0640u);
#endif
    }
}

// A UTF-8 and a UTF-16 file: what is kept and checked are the files' own bytes.
TEST_P(Undo, FilesInOtherEncodingsComeBackToo) {
    const std::string utf8 = "\xEF\xBB\xBF\xD0\xBA\xD0\xBE\xD1\x82!";                    // кот!
    const std::string utf16 = std::string("\xFF\xFE\x3A\x04\x3E\x04\x42\x04!\0", 10);   // кот!
    tree.file("u16.txt", utf16);
    tree.file("u8.txt", utf8);
    replace("кот", "пёс");
    ASSERT_NE(tree.read("u16.txt"), utf16);
    ASSERT_NE(tree.read("u8.txt"), utf8);
    EXPECT_EQ(restore(), restored(tree.path("u16.txt")) + restored(tree.path("u8.txt")));
    EXPECT_EQ(tree.read("u16.txt"), utf16);
    EXPECT_EQ(tree.read("u8.txt"), utf8);
}

// An empty replacement in a UTF-16 file writes nothing in the match's place: its new
// content's fingerprint is fed no bytes for it, and the undo still knows the file.
TEST_P(Undo, AnEmptyReplacementInUtf16ComesBackToo) {
    const std::string utf16 = std::string("\xFF\xFE\x3A\x04\x3E\x04\x42\x04!\0", 10);   // кот!
    tree.file("u16.txt", utf16);
    replace("кот", "");
    ASSERT_EQ(tree.read("u16.txt"), std::string("\xFF\xFE!\0", 4));
    EXPECT_EQ(restore(), restored(tree.path("u16.txt")));
    EXPECT_EQ(tree.read("u16.txt"), utf16);
}

// Files changed, gone or held by a copy since the Replace stay as they are, and so does
// every file whose kept copy is gone or not what was kept. The kept copies are numbered
// in the order of the Replace, which is the names' here.
TEST_P(Undo, WhatCannotBeRestoredIsLeftAndNamed) {
    const std::pair<const char*, const char*> files[] = {
        {"edited", " \tизменён после замены, не восстановлен\r\n"},
        {"gone", " \tфайл не найден, не восстановлен\r\n"},
        {"in the way", " \tосталась копия от прежней замены, не восстановлен: "},
        {"kept copy edited", " \tкопия для отмены повреждена или удалена, не восстановлен\r\n"},
        {"kept copy gone", " \tкопия для отмены повреждена или удалена, не восстановлен\r\n"},
        {"same again", " \tвосстановлен\r\n"},   // the same bytes as the Replace wrote
    };
    std::string expected;
    for (const auto& [name, line] : files) {
        tree.file(name, "кот");
        expected += tree.path(name) + line;
    }
    const std::string way = tree.path("in the way") + TEMP_SUFFIX;
    expected.insert(expected.find("не восстановлен: ") + strlen("не восстановлен: "), way + "\r\n");
    replace("кот", "пёс");
    tree.file("edited", "пёс!");
    tree.remove("gone");
    tree.file(std::string("in the way") + TEMP_SUFFIX, "чужое");
    temp.file(undo_folder() + "/4", "кит");
    temp.remove(undo_folder() + "/5");
    tree.file("same again", "пёс");

    EXPECT_EQ(restore(), expected);
    for (const char* name : {"in the way", "kept copy edited", "kept copy gone"})
        EXPECT_EQ(tree.read(name), "пёс") << name;
    EXPECT_EQ(tree.read("edited") + tree.read("same again") + tree.read(way.substr(tree.root.size() + 1)),
              "пёс!котчужое");
}

// A file changed between its scan and the keeping of its old content stays as it is,
// and what was kept of it goes. Another program's undo folder, and anything else that
// the store did not make, stays when the store is emptied.
TEST_P(Undo, OnlyWhatTheStoreMadeGoes) {
    undo_platform.link_file = [](const char* existing, const char*) {
        FILE* file = fopen(existing, "ab");
        fputs("!", file);
        fclose(file);
        return EXDEV;
    };
    tree.file("a", "кот");
    temp.make({"fuzzyreplace-undo/", "fuzzyreplace-undo/other/", "fuzzyreplace-undo/other/1"});
    EXPECT_EQ(replace("кот", "пёс"), found(tree.path("a"), 0, "строка 1: ‹кот›") + tree.path("a") +
                                         " \tфайл изменился во время замены и оставлен как есть!\r\n");
    EXPECT_EQ(tree.read("a"), "кот!");
    const std::string folder = undo_folder();
    temp.file(folder + "/stranger", "");
    undo_discard(&undo);
    EXPECT_EQ(temp.entries(), sorted({"fuzzyreplace-undo", "fuzzyreplace-undo/other",
                                      "fuzzyreplace-undo/other/1", folder, folder + "/stranger"}));
    temp.remove("fuzzyreplace-undo/other");
    temp.remove(folder);
    undo_platform.link_file = original_platform.link_file;
    replace("кот", "пёс");
    undo_discard(&undo);
    EXPECT_EQ(temp.entries(), std::vector<std::string>()) << "the empty folder of all goes too";
}

// When a copy cannot be kept (the disk is full) the user is asked once: to go on
// without the undo, or to leave that file and the rest as they are. The files rewritten
// before stay covered.
TEST_P(Undo, WhenNothingMoreCanBeKeptTheUserDecides) {
    undo_platform.link_file = other_volume;
    for (int go_on : {1, 0}) {
        undo_discard(&undo);
        questions = stop_byte = 0;
        answer_go_on = go_on;
        copies_allowed = 1;
        for (const char* name : {"a", "b", "c"}) tree.file(name, "кот");
        std::string report = replace("кот", "пёс");
        EXPECT_EQ(questions, 1);
        const std::string rest = go_on ? "пёс" : "кот";
        EXPECT_EQ(tree.read("a") + tree.read("b") + tree.read("c"), "пёс" + rest + rest) << report;
        const std::string b = tree.path("b");
        if (!go_on) {
            EXPECT_NE(report.find(found(b, 0, "строка 1: ‹кот›") + b +
                                  " \tпоиск остановлен, файл не изменён!\r\n"),
                      std::string::npos)
                << report;
        }
        EXPECT_EQ(restore(), restored(tree.path("a")));
        EXPECT_EQ(tree.read("a"), "кот");
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, Undo, ::testing::ValuesIn(THREAD_COUNTS));

}  // namespace
