// The question before unsaved text is lost: closing, Open and a folder search ask
// «Сохранить изменения?» when the title carries the marker, and go on only as answered.
// A folder report that the user has not changed goes without a question.
#include "temp_tree.h"
#include "window_fixture.h"

namespace {

constexpr char QUESTION[] = "Сохранить изменения?";

enum Way { CLOSE, OPEN, FOLDER_FIND };
constexpr Way WAYS[] = {CLOSE, OPEN, FOLDER_FIND};

class UnsavedTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(start(), INIT_DONE);
        tree.file("a.txt", "кот");
        write_file("opened.txt", "opened");
    }
    void type(const char* keys) {
        memory.focus = IDC_EDITOR;
        memory_window_type(&memory, keys);
    }
    void answer(int answer) { memory.question_answers.push_back(answer); }
    void answer_file(const std::string& name) { memory.file_answers.push_back({true, path(name)}); }
    void open(const std::string& name) {
        answer_file(name);
        memory_window_command(&memory, IDM_OPEN);
    }
    // One way of losing the editor's text; whether it went on.
    bool go(Way way) {
        switch (way) {
        case CLOSE: return window_close_requested(&state, &window) == 1;
        case OPEN: open("opened.txt"); return editor_text(&memory) == read_file("opened.txt");
        case FOLDER_FIND: break;
        }
        if (!memory_control(&memory, IDC_IN_FOLDER)->checked)
            memory_window_click(&memory, IDC_IN_FOLDER);
        set_text(IDC_FIND_TEXT, "кот");
        set_text(IDC_FOLDER, tree.root);
        set_text(IDC_MASK, "*");
        memory_window_click(&memory, IDC_FIND);
        bool started = state.walk != nullptr;
        finish_walk();
        memory_window_click(&memory, IDC_IN_FOLDER);
        return started;
    }
    bool marked() const { return memory.title == std::string(TITLE) + "*"; }

    TempTree tree;
};

TEST_F(UnsavedTest, WithoutTheMarkerNothingAsks) {
    for (Way way : WAYS) EXPECT_TRUE(go(way)) << way;
    EXPECT_TRUE(memory.questions.empty());
}

TEST_F(UnsavedTest, CancelLeavesEverythingAsItWasAndNoGoesOnWithoutSaving) {
    for (Way way : WAYS) {
        type("!");
        const std::string text = editor_text(&memory);
        memory.questions.clear();
        size_t dialogs = memory.dialog_calls.size();
        answer(ANSWER_CANCEL);
        EXPECT_FALSE(go(way)) << way;
        ASSERT_EQ(memory.questions.size(), 1u) << way;
        EXPECT_EQ(memory.questions[0].text, QUESTION);
        EXPECT_EQ(memory.questions[0].caption, TITLE);   // the title without the marker
        EXPECT_EQ(editor_text(&memory), text);
        EXPECT_TRUE(marked());
        EXPECT_EQ(memory.dialog_calls.size(), dialogs);   // not even Open's dialog

        answer(ANSWER_NO);
        EXPECT_TRUE(go(way)) << way;
        EXPECT_EQ(memory.questions.size(), 2u);
    }
    EXPECT_EQ(read_file("opened.txt"), "opened");
    EXPECT_EQ(files(), std::vector<std::string>{"opened.txt"});
}

// Yes saves where Save would, or through Save As when Save has no file to write (none
// opened, or a report in the editor); a failed or cancelled save keeps everything.
TEST_F(UnsavedTest, YesGoesOnOnlyOnceTheTextIsSaved) {
    type("new");
    answer(ANSWER_YES);
    memory.file_answers.push_back({false, ""});
    EXPECT_FALSE(go(CLOSE));
    ASSERT_EQ(memory.dialog_calls.size(), 1u);
    EXPECT_EQ(memory.dialog_calls[0].kind, FILE_DIALOG_SAVE_AS);
    EXPECT_TRUE(marked());
    answer(ANSWER_YES);
    answer_file("new.txt");
    EXPECT_TRUE(go(CLOSE));
    EXPECT_EQ(read_file("new.txt"), "new");
    EXPECT_FALSE(marked());

    open("opened.txt");
    type("re");
    std::filesystem::permissions(path("opened.txt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    answer(ANSWER_YES);
    EXPECT_FALSE(go(OPEN));
    EXPECT_EQ(last_message().caption, "Ошибка");
    EXPECT_EQ(editor_text(&memory), "reopened");
    memory.file_answers.clear();   // Open's dialog was never shown
    std::filesystem::permissions(path("opened.txt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    answer(ANSWER_YES);
    EXPECT_TRUE(go(FOLDER_FIND));
    EXPECT_EQ(read_file("opened.txt"), "reopened");

    // The report is not lost by Open, which keeps it: not even a changed one is asked about.
    type("!");
    EXPECT_TRUE(go(OPEN));
    EXPECT_EQ(read_file("opened.txt"), "reopened");
    EXPECT_EQ(memory.questions.size(), 4u);
    EXPECT_TRUE(memory.back_to_report_enabled);
}

// The report is the program's own output until the user changes it; the document that
// Open brings in afterwards starts unmarked.
TEST_F(UnsavedTest, AnUnchangedReportGoesWithoutAQuestion) {
    type("x");
    answer(ANSWER_NO);
    ASSERT_TRUE(go(FOLDER_FIND));
    EXPECT_TRUE(marked());
    EXPECT_TRUE(go(FOLDER_FIND));
    EXPECT_TRUE(go(CLOSE));
    EXPECT_TRUE(go(OPEN));
    EXPECT_FALSE(marked());
    EXPECT_EQ(memory.questions.size(), 1u);

    EXPECT_TRUE(go(FOLDER_FIND));
    memory_window_undo(&memory);   // a change of the user's, though it takes the lines away
    EXPECT_FALSE(go(CLOSE));
    EXPECT_EQ(memory.questions.size(), 2u);
}

}  // namespace
