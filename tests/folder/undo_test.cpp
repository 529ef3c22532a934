// The undo of a folder Replace on real trees: what is kept and where, every file put back
// byte for byte with its attributes, files changed or gone since left alone and named, a
// kept copy that does not match never written, the question when nothing can be kept,
// and nothing left behind but what is not this store's.
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
const std::string STOPPED = " \tпоиск остановлен, файл не изменён!\r\n";
const std::string CHANGED = " \tфайл изменился во время замены и оставлен как есть!\r\n";

std::string temporary;            // the temporary folder the tests give, with its separator
int kept_copies_allowed = -1;     // copies of files into it that succeed; -1: all

uint32_t test_temporary(char* buffer, uint32_t size) {
    if (temporary.size() >= size) return 0;
    memcpy(buffer, temporary.c_str(), temporary.size() + 1);
    return static_cast<uint32_t>(temporary.size());
}

int other_volume(const char*, const char*) { return EXDEV; }

// The temporary folder fills up.
int copy_until_full(const char* existing, const char* copy) {
    if (kept_copies_allowed < 0 || kept_copies_allowed-- > 0)
        return original_platform.copy_file(existing, copy);
    return ENOSPC;
}

// The user's answer to the question, and the walk's stop byte that a No sets.
int answer_go_on = 0;
int questions = 0;
uint8_t stop_byte = 0;

int ask(void*) {
    questions++;
    if (!answer_go_on) stop_byte = 1;
    return answer_go_on;
}

class Undo : public ::testing::Test {
protected:
    void SetUp() override {
        temporary = temp.root + SEP;
        undo_platform.temporary_folder = test_temporary;
        undo_platform.copy_file = copy_until_full;
        kept_copies_allowed = -1;
        questions = 0;
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
                         &report, &stop_byte, nullptr, 0, &undo};
        std::string pattern = tree.root + SEP + "*";
        search_folder_tree(&job, pattern.c_str());
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
    // What lies in the temporary folder.
    std::vector<std::string> kept() const { return temp.entries(); }
    std::string undo_folder() const {
        std::string folder = undo.folder ? undo.folder : "";
        return slashed(folder.substr(temporary.size(), folder.size() - temporary.size() - 1));
    }

    TempTree tree, temp;
    UndoStore undo = {};
};

std::string restored(const std::string& path) { return path + " \tвосстановлен\r\n"; }

TEST_F(Undo, EveryFileComesBackByteForByteWithItsAttributes) {
    for (bool linked : {true, false}) {
        undo_discard(&undo);
        undo_platform.link_file = linked ? original_platform.link_file : other_volume;
        const std::string binary = std::string("кот\0\r\n\xFF", 7) + std::string(100000, 'x') + "кот";
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
        ASSERT_EQ(undo.count, 2u);
        // Only the rewritten files are kept, beside the list of what was replaced.
        const std::string folder = undo_folder();
        EXPECT_EQ(kept(), sorted({"fuzzyreplace-undo", folder, folder + "/1", folder + "/2",
                                  folder + "/list.txt"}));
        std::string list = temp.read(folder + "/list.txt");
        EXPECT_NE(list.find("\t" + tree.path("sub/b.bin") + "\r\n"), std::string::npos) << list;

        EXPECT_EQ(restore(), restored(tree.path("a.txt")) + restored(tree.path("sub/b.bin")));
        EXPECT_EQ(tree.read("a.txt"), "кот и кот");
        EXPECT_EQ(tree.read("sub/b.bin"), binary);
        EXPECT_EQ(tree.read("sub/c.txt"), "без совпадений");
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

// Files changed, gone or held by a copy since the Replace stay as they are, and so does
// every file whose kept copy is gone or not what was kept.
TEST_F(Undo, WhatCannotBeRestoredIsLeftAndNamed) {
    const char* names[] = {"edited", "gone", "in the way", "kept copy edited", "kept copy gone",
                           "same again"};
    for (const char* name : names) tree.file(name, "кот");
    replace("кот", "пёс");
    ASSERT_EQ(undo.count, 6u);
    tree.file("edited", "пёс!");
    tree.remove("gone");
    // The kept copies are numbered in the order of the Replace, which is the names' here.
    temp.file(undo_folder() + "/4", "кит");
    temp.remove(undo_folder() + "/5");
    tree.file(std::string("in the way") + TEMP_SUFFIX, "чужое");
    tree.file("same again", "пёс");   // rewritten with the same bytes: still the Replace's

    const std::string way = tree.path("in the way");
    EXPECT_EQ(restore(),
              tree.path("edited") + " \tизменён после замены, не восстановлен\r\n" +
                  tree.path("gone") + " \tфайл не найден, не восстановлен\r\n" + way +
                  " \tосталась копия от прежней замены, не восстановлен: " + way + TEMP_SUFFIX +
                  "\r\n" + tree.path("kept copy edited") +
                  " \tкопия для отмены повреждена или удалена, не восстановлен\r\n" +
                  tree.path("kept copy gone") +
                  " \tкопия для отмены повреждена или удалена, не восстановлен\r\n" +
                  restored(tree.path("same again")));
    EXPECT_EQ(tree.read("edited"), "пёс!");
    EXPECT_EQ(tree.read("kept copy edited"), "пёс");
    EXPECT_EQ(tree.read("kept copy gone"), "пёс");
    EXPECT_EQ(tree.read("in the way"), "пёс");
    EXPECT_EQ(tree.read("same again"), "кот");
    EXPECT_EQ(tree.read(std::string("in the way") + TEMP_SUFFIX), "чужое");
}

// Another program's undo folder, and anything else there, stays.
TEST_F(Undo, DiscardRemovesOnlyWhatTheStoreMade) {
    tree.file("a", "кот");
    replace("кот", "пёс");
    ASSERT_NE(undo.folder, nullptr);
    const std::string mine = undo_folder();
    undo_discard(&undo);
    EXPECT_EQ(kept(), std::vector<std::string>());
    EXPECT_EQ(undo.count, 0u);

    temp.make({"fuzzyreplace-undo/", "fuzzyreplace-undo/other/", "fuzzyreplace-undo/other/1"});
    replace("пёс", "кот");
    temp.file(undo_folder() + "/stranger", "");
    const std::string folder = undo_folder();
    undo_discard(&undo);
    EXPECT_EQ(kept(), sorted({"fuzzyreplace-undo", "fuzzyreplace-undo/other",
                              "fuzzyreplace-undo/other/1", folder, folder + "/stranger"}));
    EXPECT_EQ(tree.read("a"), "кот");
}

// A file changed between its scan and the keeping of its old content is left as it is,
// and what was kept of it goes.
TEST_F(Undo, AFileChangedBeforeItIsKeptStays) {
    undo_platform.link_file = [](const char* existing, const char*) {
        FILE* file = fopen(existing, "ab");
        fputs("!", file);
        fclose(file);
        return EXDEV;
    };
    tree.file("a", "кот");
    EXPECT_EQ(replace("кот", "пёс"), found(tree.path("a"), 0) + tree.path("a") + CHANGED);
    EXPECT_EQ(tree.read("a"), "кот!");
    EXPECT_EQ(undo.count, 0u);
    EXPECT_EQ(kept(), sorted({"fuzzyreplace-undo", undo_folder(), undo_folder() + "/list.txt"}));
}

// When a copy cannot be kept (a full disk, no temporary folder) the user is asked once:
// to go on without the undo, or to leave that file and the rest as they are. The files
// rewritten before stay covered.
TEST_F(Undo, WhenNothingCanBeKeptTheUserDecides) {
    struct Case {
        bool no_folder;   // else the folder fills up after the first kept copy
        int go_on;
    };
    for (Case c : {Case{false, 1}, Case{false, 0}, Case{true, 1}, Case{true, 0}}) {
        undo_discard(&undo);
        questions = 0;
        stop_byte = 0;
        answer_go_on = c.go_on;
        undo_platform.link_file = other_volume;
        kept_copies_allowed = 1;
        if (c.no_folder) temporary = temp.path("missing") + SEP;
        for (const char* name : {"a", "b", "c"}) tree.file(name, "кот");

        std::string report = replace("кот", "пёс");
        EXPECT_EQ(questions, 1);
        // The first file is kept, unless there is no folder to keep it in.
        const std::string rest = c.go_on ? "пёс" : "кот";
        const std::string first = c.no_folder ? rest : "пёс";
        EXPECT_EQ(tree.read("a") + tree.read("b") + tree.read("c"), first + rest + rest) << report;
        if (!c.go_on) {
            std::string b = tree.path(c.no_folder ? "a" : "b");
            EXPECT_NE(report.find(found(b, 0) + b + STOPPED), std::string::npos) << report;
        }
        EXPECT_EQ(undo.count, c.no_folder ? 0u : 1u);
        if (!c.no_folder) {
            EXPECT_EQ(restore(), restored(tree.path("a")));
            EXPECT_EQ(tree.read("a"), "кот");
        }
        temporary = temp.root + SEP;
    }
}

}  // namespace
