// A folder Replace as the user sees it: the search that counts and the question before
// any file changes, the undo with its report, and the kept copies that go when the
// window closes, when the next Replace is confirmed and after an undo.
#include <errno.h>

#include "folder_fixture.h"
#include "plural.h"
#include "report_order.h"
#include "search_helpers.h"
#include "undo_platform.h"

namespace {

const std::string RESTORE_HEADER = "Восстановлено из замены:\r\n";
const std::string NOT_REPLACED = " \tошибка удаления/переименования!: ";
const std::string STOPPED = " \tпоиск остановлен, файл не изменён!\r\n";

std::string restored(const std::string& path) { return path + " \tвосстановлен\r\n"; }

uint32_t no_temporary_folder(char* buffer, uint32_t size) {
    const char missing[] = "/missing/folder/";
    if (sizeof missing > size) return 0;
    memcpy(buffer, missing, sizeof missing);
    return sizeof missing - 1;
}

// Besides the fixture's files, one that a Replace leaves: it is read-only.
class FolderUndoTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        tree.file("ro.TXT", "кот");
        std::filesystem::permissions(tree.path("ro.TXT"),
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        a = tree.path("a.TXT");
        b = tree.path("sub/b.txt");
        ro = tree.path("ro.TXT");
    }
    const std::string& replace(const char* query, const char* replacement,
                               std::deque<int> answers) {
        memory.questions.clear();
        return search(query, replacement, "*.TXT", answers);
    }
    const std::string& undo() {
        EXPECT_TRUE(memory_window_command(&memory, IDM_UNDO_REPLACE));
        finish_walk();
        return editor_text(&memory);
    }
    std::string contents() const {
        return tree.read("a.TXT") + "|" + tree.read("sub/b.txt") + "|" + tree.read("c.log") +
               "|" + tree.read("ro.TXT");
    }
    // The undo folders in the temporary folder.
    std::vector<std::string> undo_folders() const {
        std::vector<std::string> folders;
        for (const std::string& entry : temporary_entries())
            if (std::count(entry.begin(), entry.end(), '/') == 1) folders.push_back(entry);
        return folders;
    }

    std::string a, b, ro;
};

// Нет leaves the search's report, which shows each change that the Replace would make,
// and every file as it was. The count and the preview leave out what the Replace would
// not rewrite (the read-only file).
TEST_F(FolderUndoTest, ReplaceAsksWithTheCountsAfterPreviewingEachChange) {
    const std::string search_report = replace("кот", "пёс", {ANSWER_NO});
    ASSERT_EQ(memory.questions.size(), 1u);
    EXPECT_EQ(memory.questions[0].text, "Заменить 3 совпадения в 2 файлах?");
    EXPECT_EQ(memory.questions[0].caption, "Подтверждение");
    EXPECT_TRUE(memory.questions[0].yes_no);
    EXPECT_TRUE(is_report(search_report, {found(a, 0, "строка 1: ‹кот› на ‹пёс› и кот") +
                                              found(a, 6, "строка 1: кот и ‹кот› на ‹пёс›"),
                                          found(ro, 0, "строка 1: ‹кот›"),
                                          found(b, 5, "строка 1: один ‹кот› на ‹пёс›")}))
        << search_report;
    EXPECT_EQ(contents(), "кот и кот|один кот|кот|кот");
    EXPECT_FALSE(memory.undo_replace_enabled);
    EXPECT_TRUE(temporary_entries().empty());

    // Да: the Replace's report takes the search's place.
    EXPECT_TRUE(is_report(replace("кот", "пёс", {ANSWER_YES}),
                          {replaced(a, 0, "строка 1: ‹пёс› и кот") + replaced(a, 6, "строка 1: кот и ‹пёс›"),
                           found(ro, 0, "строка 1: ‹кот›") + ro + NOT_REPLACED + std::to_string(EACCES) + "\r\n",
                           replaced(b, 5, "строка 1: один ‹пёс›")}))
        << editor_text(&memory);
    EXPECT_EQ(contents(), "пёс и пёс|один пёс|кот|кот");
    EXPECT_TRUE(memory.undo_replace_enabled);
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");

    // Nothing to rewrite: no question, and the report is the search's.
    EXPECT_EQ(replace("кот", "пёс", {ANSWER_YES}), REPORT_HEADER + found(ro, 0, "строка 1: ‹кот›"));
    EXPECT_EQ(replace("мышь", "пёс", {ANSWER_YES}), REPORT_HEADER);
    EXPECT_TRUE(memory.questions.empty());
}

TEST_F(FolderUndoTest, TheQuestionCountsInRussian) {
    const struct {
        uint64_t n;
        const char* hits;
        const char* files;
    } cases[] = {{1, "совпадение", "файле"},  {2, "совпадения", "файлах"},
                 {5, "совпадений", "файлах"}, {11, "совпадений", "файлах"},
                 {14, "совпадений", "файлах"}, {21, "совпадение", "файле"},
                 {104, "совпадения", "файлах"}, {111, "совпадений", "файлах"}};
    for (const auto& c : cases) {
        EXPECT_STREQ(plural(c.n, "совпадение", "совпадения", "совпадений"), c.hits) << c.n;
        EXPECT_STREQ(plural(c.n, "файле", "файлах", "файлах"), c.files) << c.n;
    }
}

// The undo's report replaces the editor's text, after the question about unsaved
// changes; then there is nothing more to undo, and nothing kept. (What it cannot restore
// is the folder tests'.)
TEST_F(FolderUndoTest, UndoRestoresWhatTheReplaceWrote) {
    replace("кот", "пёс", {ANSWER_YES});
    ASSERT_TRUE(memory.undo_replace_enabled);
    memory.focus = IDC_EDITOR;
    memory_window_type(&memory, "!");
    memory.question_answers = {ANSWER_CANCEL};
    EXPECT_TRUE(memory_window_command(&memory, IDM_UNDO_REPLACE));
    EXPECT_EQ(memory.questions.back().text, "Сохранить изменения?");
    EXPECT_EQ(contents(), "пёс и пёс|один пёс|кот|кот");

    memory.question_answers = {ANSWER_NO};
    EXPECT_TRUE(undo() == RESTORE_HEADER + restored(a) + restored(b) ||
                editor_text(&memory) == RESTORE_HEADER + restored(b) + restored(a))
        << editor_text(&memory);
    EXPECT_EQ(contents(), "кот и кот|один кот|кот|кот");
    EXPECT_FALSE(memory.undo_replace_enabled);
    EXPECT_TRUE(temporary_entries().empty());
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");
}

// The copies kept by one Replace go when the next one is confirmed (not when it is
// declined, nor after a Find) and when the window closes.
TEST_F(FolderUndoTest, KeptCopiesGoWithTheNextConfirmedReplaceAndTheWindow) {
    replace("кот", "пёс", {ANSWER_YES});
    const std::vector<std::string> first = undo_folders();
    ASSERT_EQ(first.size(), 1u);
    replace("пёс", "кот", {ANSWER_NO});
    search("пёс");
    EXPECT_EQ(undo_folders(), first);
    EXPECT_TRUE(memory.undo_replace_enabled);

    // Only the second Replace's copies: the undo gives back what it found.
    replace("пёс", "кот", {ANSWER_YES});
    EXPECT_EQ(undo_folders().size(), 1u);
    EXPECT_EQ(temporary_entries().size(), 5u) << "its folder, the list and two copies";
    EXPECT_EQ(contents(), "кот и кот|один кот|кот|кот");
    undo();
    EXPECT_EQ(contents(), "пёс и пёс|один пёс|кот|кот");

    replace("пёс", "кот", {ANSWER_YES});
    ASSERT_FALSE(temporary_entries().empty());
    EXPECT_EQ(window_close_requested(&state, &window), 1);
    window_destroyed(&state);   // as the window procedure does on WM_DESTROY
    EXPECT_TRUE(temporary_entries().empty());
}

// When nothing can be kept, the Replace asks once: Да goes on without the undo, Нет stops
// it as Stop does, leaving the file at hand as it was.
TEST_F(FolderUndoTest, WithoutRoomForCopiesTheUserChooses) {
    undo_platform.temporary_folder = no_temporary_folder;
    replace("кот", "пёс", {ANSWER_YES, ANSWER_NO});
    ASSERT_EQ(memory.questions.size(), 2u);
    EXPECT_EQ(memory.questions[1].text,
              "Не удалось сохранить копии для отмены. Заменить без возможности отмены?");
    EXPECT_TRUE(memory.questions[1].yes_no);
    EXPECT_EQ(contents(), "кот и кот|один кот|кот|кот");
    // So do the files whose copies waited to take their places (here b.txt, unless the
    // walk was stopped before it).
    const std::string report = editor_text(&memory);
    EXPECT_NE(report.find(found(a, 0, "строка 1: ‹кот› и кот") + found(a, 6, "строка 1: кот и ‹кот›") +
                          a + STOPPED),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("заменено"), std::string::npos) << report;
    EXPECT_FALSE(memory.undo_replace_enabled);

    replace("кот", "пёс", {ANSWER_YES, ANSWER_YES});
    EXPECT_EQ(memory.questions.size(), 2u);
    EXPECT_EQ(contents(), "пёс и пёс|один пёс|кот|кот");
    EXPECT_FALSE(memory.undo_replace_enabled);
}

}  // namespace
