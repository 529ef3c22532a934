// Command dispatch and the keyboard commands.
#include "window_fixture.h"

namespace {

class CommandsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(start(), INIT_DONE);
    }
};

TEST_F(CommandsTest, FocusCommandsMoveTheFocusAndGoOnToDefaultProcessing) {
    set_text(IDC_FIND_TEXT, "query");
    MemoryControl* query = memory_control(&memory, IDC_FIND_TEXT);
    query->anchor = 1;
    query->caret = 3;
    EXPECT_EQ(command(IDM_FOCUS_FIND, 1), COMMAND_DEFAULT);
    EXPECT_EQ(memory.focus, IDC_FIND_TEXT);
    EXPECT_EQ(query->anchor, 1);   // its selection stays
    EXPECT_EQ(query->caret, 3);
    EXPECT_EQ(command(IDM_FOCUS_EDITOR, 1), COMMAND_DEFAULT);
    EXPECT_EQ(memory.focus, IDC_EDITOR);
}

TEST_F(CommandsTest, SelectAllActsOnTheFocusedEditFieldOnly) {
    set_text(IDC_FIND_TEXT, "query");
    set_text(IDC_EDITOR, "editor text");
    memory.focus = IDC_FIND;
    EXPECT_EQ(command(IDM_SELECT_ALL, 1), COMMAND_DEFAULT);
    EXPECT_EQ(selection(), std::make_pair(0, 0));
    EXPECT_EQ(memory_control(&memory, IDC_FIND_TEXT)->caret, 0);
    memory.focus = IDC_FIND_TEXT;
    command(IDM_SELECT_ALL, 1);
    EXPECT_EQ(memory_control(&memory, IDC_FIND_TEXT)->anchor, 0);
    EXPECT_EQ(memory_control(&memory, IDC_FIND_TEXT)->caret, 5);
    memory.focus = IDC_EDITOR;
    command(IDM_SELECT_ALL, 1);
    EXPECT_EQ(selection(), std::make_pair(0, 11));
}

// Alt+C and Alt+W toggle the options wherever the focus is; it stays there.
TEST_F(CommandsTest, OptionKeysToggleTheirCheckBoxAndLeaveTheFocus) {
    memory.focus = IDC_EDITOR;
    EXPECT_TRUE(memory_control(&memory, IDC_MATCH_CASE)->checked);
    EXPECT_FALSE(memory_control(&memory, IDC_WHOLE_WORD)->checked);
    EXPECT_EQ(command(IDM_TOGGLE_MATCH_CASE), COMMAND_DONE);
    EXPECT_EQ(command(IDM_TOGGLE_WHOLE_WORD), COMMAND_DONE);
    EXPECT_FALSE(memory_control(&memory, IDC_MATCH_CASE)->checked);
    EXPECT_TRUE(memory_control(&memory, IDC_WHOLE_WORD)->checked);
    command(IDM_TOGGLE_MATCH_CASE);
    EXPECT_TRUE(memory_control(&memory, IDC_MATCH_CASE)->checked);
    EXPECT_TRUE(memory_control(&memory, IDC_WHOLE_WORD)->checked);
    EXPECT_EQ(memory.focus, IDC_EDITOR);
}

TEST_F(CommandsTest, OtherNotificationsAndCommandsGoToDefaultProcessing) {
    set_text(IDC_EDITOR, "abc");
    set_text(IDC_FIND_TEXT, "b");
    const int BN_SETFOCUS = 6, EN_SETFOCUS = 0x100;
    EXPECT_EQ(command(IDC_FIND, BN_SETFOCUS), COMMAND_DEFAULT);
    EXPECT_EQ(command(IDC_EDITOR, EN_SETFOCUS), COMMAND_DEFAULT);
    EXPECT_EQ(command(IDC_FIND_TEXT, NOTIFY_CHANGED), COMMAND_DEFAULT);
    EXPECT_EQ(command(IDC_MASK, NOTIFY_CHANGED), COMMAND_DEFAULT);
    EXPECT_EQ(command(40099, 0), COMMAND_DEFAULT);
    EXPECT_EQ(selection(), std::make_pair(0, 0));
    EXPECT_EQ(memory.title, TITLE);
    EXPECT_TRUE(memory.messages.empty());
    EXPECT_EQ(command(IDC_FIND, NOTIFY_CLICKED), COMMAND_DONE);
    EXPECT_EQ(selection(), std::make_pair(1, 2));
    EXPECT_EQ(command(IDC_EDITOR, NOTIFY_CHANGED), COMMAND_DONE);
    EXPECT_EQ(state.modified, 1);
}

// Enter in a field presses the button beside it, except a folder Replace, which a key
// meant for a field must never start; Enter in the editor stays a line break.
TEST_F(CommandsTest, EnterInAFieldPressesItsButton) {
    set_text(IDC_EDITOR, "cat cat");
    set_text(IDC_FIND_TEXT, "cat");
    set_text(IDC_REPLACE_TEXT, "dog");
    memory.focus = IDC_FIND_TEXT;
    memory_window_type(&memory, "\n");
    EXPECT_EQ(selection(), std::make_pair(0, 3));
    memory.focus = IDC_REPLACE_TEXT;
    memory_window_type(&memory, "\n");
    EXPECT_EQ(editor_text(&memory), "cat dog");
    memory.focus = IDC_IN_FOLDER;
    EXPECT_EQ(command(ID_ENTER, NOTIFY_CLICKED), COMMAND_DONE);
    memory.focus = IDC_EDITOR;
    memory_window_select(&memory, 4, 4);
    memory_window_type(&memory, "\n");
    EXPECT_EQ(editor_text(&memory), "cat \r\ndog");
    EXPECT_TRUE(memory.messages.empty());

    // Folder mode: Enter in the query field starts a Find, in the replacement field nothing.
    memory_window_click(&memory, IDC_IN_FOLDER);
    set_text(IDC_FOLDER, path("missing"));
    memory.focus = IDC_REPLACE_TEXT;
    memory_window_type(&memory, "\n");
    EXPECT_EQ(state.walk, nullptr);
    EXPECT_TRUE(memory.questions.empty());
    memory.question_answers.push_back(ANSWER_NO);   // the edited text goes
    memory.focus = IDC_FIND_TEXT;
    memory_window_type(&memory, "\n");
    ASSERT_NE(state.walk, nullptr);
    EXPECT_EQ(text(IDC_FIND), "Стоп");
    finish_walk();
}

}  // namespace
