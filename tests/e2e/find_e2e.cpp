// Find and Replace in the editor through the buttons, and the editor's text limit.
#include "e2e_fixture.h"

namespace {

class Find : public EndToEnd {
protected:
    void start_with(const std::string& text) {
        write_file("readme.txt", text);
        start();
    }
    // Presses Find or Replace and waits until the program is done with it; a message
    // box must not appear.
    void press(int button) { send_command(&program, button, BN_CLICKED); }
    void replace(const std::string& query, const std::string& replacement) {
        set_text(item(IDC_FIND_TEXT), query);
        set_text(item(IDC_REPLACE_TEXT), replacement);
        press(IDC_REPLACE);
    }
    using Range = std::pair<DWORD, DWORD>;
};

TEST_F(Find, FindWalksThroughTheMatchesAndSaysWhenThereAreNoMore) {
    start_with("one two one two one");
    set_text(item(IDC_FIND_TEXT), "one");
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(0, 3));
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(8, 11));
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(16, 19));
    EXPECT_FALSE(has_owned_dialog(&program));
    post_command(&program, IDC_FIND, BN_CLICKED);
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.text, NOT_FOUND);
    EXPECT_EQ(seen.caption, DEFAULT_CAPTION);
    EXPECT_EQ(editor_selection(), Range(16, 19));   // no wrapping around
    EXPECT_EQ(title(), TITLE);
}

TEST_F(Find, TheFocusComesBackAfterTheMessage) {
    start_with("abc");
    set_text(item(IDC_FIND_TEXT), "zzz");
    press_keys(&program, {VK_CONTROL, 'F'});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND_TEXT; }));
    post_command(&program, IDC_FIND, BN_CLICKED);
    EXPECT_EQ(message_box().text, NOT_FOUND);
    EXPECT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND_TEXT; }));
    select_range(item(IDC_FIND_TEXT), 3, 3);
    type_text(&program, "!");
    EXPECT_TRUE(wait_until([&] { return text(IDC_FIND_TEXT) == "zzz!"; }));
}

// A malformed query is named, not taken for no match; the editor stays as it was.
TEST_F(Find, AMalformedQueryIsToldWithItsPlace) {
    start_with("text 50%");
    select_range(item(IDC_EDITOR), 1, 2);
    set_text(item(IDC_FIND_TEXT), "50%");
    post_command(&program, IDC_FIND, BN_CLICKED);
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.caption, "Ошибка");
    EXPECT_EQ(seen.text.rfind("В запросе знак % в позиции 3 не закрыт", 0), 0u) << seen.text;
    EXPECT_EQ(text(IDC_EDITOR), "text 50%");
    EXPECT_EQ(editor_selection(), Range(1, 2));
    EXPECT_EQ(title(), TITLE);
}

// «Учитывать регистр» (checked at start) and «Слово целиком», clicked, are read by each
// press of Find and of Replace.
TEST_F(Find, TheOptionBoxesDecideWhatFindAndReplaceTake) {
    start_with("ТОООО ооо2 ООО ооо");
    EXPECT_EQ(IsDlgButtonChecked(program.window, IDC_MATCH_CASE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(program.window, IDC_WHOLE_WORD), BST_UNCHECKED);
    set_text(item(IDC_FIND_TEXT), "ооо");
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(6, 9));
    SendMessageA(item(IDC_MATCH_CASE), BM_CLICK, 0, 0);
    select_range(item(IDC_EDITOR), 0, 0);
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(1, 4));   // inside ТОООО
    SendMessageA(item(IDC_WHOLE_WORD), BM_CLICK, 0, 0);
    select_range(item(IDC_EDITOR), 0, 0);
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(11, 14));
    replace("ооо", "АО");   // from the selection's end: the last word
    EXPECT_EQ(text(IDC_EDITOR), "ТОООО ооо2 ООО АО");
    EXPECT_EQ(editor_selection(), Range(15, 17));
    SendMessageA(item(IDC_MATCH_CASE), BM_CLICK, 0, 0);
    select_range(item(IDC_EDITOR), 0, 0);
    replace("ООО", "АО");
    EXPECT_EQ(text(IDC_EDITOR), "ТОООО ооо2 АО АО");
    EXPECT_FALSE(has_owned_dialog(&program));
}

// Enter in «Найти:» presses «Найти», in «Заменить на:» «Заменить»; in the editor it
// stays a line break.
TEST_F(Find, EnterInAFieldPressesItsButton) {
    start_with("one two one");
    set_text(item(IDC_REPLACE_TEXT), "three");
    press_keys(&program, {VK_CONTROL, 'F'});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND_TEXT; }));
    type_text(&program, "one\n");
    EXPECT_TRUE(wait_until([&] { return editor_selection() == Range(0, 3); }));
    press_keys(&program, {VK_RETURN});
    EXPECT_TRUE(wait_until([&] { return editor_selection() == Range(8, 11); }));
    press_keys(&program, {VK_TAB});
    press_keys(&program, {VK_TAB});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_REPLACE_TEXT; }));
    select_range(item(IDC_EDITOR), 0, 0);
    press_keys(&program, {VK_RETURN});
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "three two one"; }));
    EXPECT_EQ(text(IDC_FIND_TEXT), "one");
    EXPECT_EQ(text(IDC_REPLACE_TEXT), "three");
    press_keys(&program, {VK_ESCAPE});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    select_range(item(IDC_EDITOR), 5, 5);
    press_keys(&program, {VK_RETURN});
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "three\r\n two one"; }));
}

TEST_F(Find, OnlyTheEndOfTheSelectionCounts) {
    start_with("abcabcabc");
    select_range(item(IDC_EDITOR), 1, 4);
    set_text(item(IDC_FIND_TEXT), "abc");
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(6, 9));
}

TEST_F(Find, ALineBreakTypedInTheEditorIsCrLf) {
    start_with("");
    send_command(&program, IDM_FOCUS_EDITOR);
    type_text(&program, "ab\ncd");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "ab\r\ncd"; }));
    select_range(item(IDC_EDITOR), 0, 0);
    set_text(item(IDC_FIND_TEXT), "b\\r\\nc");
    press(IDC_FIND);
    EXPECT_EQ(editor_selection(), Range(1, 5));
}

TEST_F(Find, ReplaceSelectsWhatItInsertedMarksTheTitleAndCanBeUndone) {
    start_with("кот и пёс, кот");
    replace("кот", "мышь");
    EXPECT_EQ(text(IDC_EDITOR), "мышь и пёс, кот");
    EXPECT_EQ(editor_selection(), Range(0, 4));
    EXPECT_EQ(title(), std::string(TITLE) + "*");
    EXPECT_EQ(menu_state(IDM_SAVE_AS), 0u);
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    press(IDC_REPLACE);
    EXPECT_EQ(text(IDC_EDITOR), "мышь и пёс, мышь");
    EXPECT_EQ(editor_selection(), Range(12, 16));
    EXPECT_EQ(title(), std::string(TITLE) + "*");
    press_keys(&program, {VK_ESCAPE});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    press_keys(&program, {VK_CONTROL, 'Z'});
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "мышь и пёс, кот"; }));
}

TEST_F(Find, EmptyReplacementDeletesTheMatch) {
    start_with("xAy");
    replace("A", "");
    EXPECT_EQ(text(IDC_EDITOR), "xy");
    EXPECT_EQ(editor_selection(), Range(1, 1));
}

TEST_F(Find, CapturesGoBackIntoTheReplacement) {
    start_with("name=Иван;\r\n");
    replace("name=%v%;", "имя: %v%.");
    EXPECT_EQ(text(IDC_EDITOR), "имя: Иван.\r\n");
}

// The edit control takes no more than about 30,000 characters until the program lifts
// its limit: a replacement, typing and appending beyond it would silently lose text.
TEST_F(Find, ReplacementTypingAndAppendingGoBeyondTheDefaultTextLimit) {
    const std::string text_before = lines_of(29995, "строка текста, которая будет длиннее\r\n");
    start_with(text_before + "END");
    // One line: a single-line field keeps no line breaks.
    const std::string inserted = lines_of(300, "вставка за пределом в 30000 символов; ");
    replace("END", inserted);
    EXPECT_EQ(text(IDC_EDITOR).size(), text_before.size() + inserted.size());
    EXPECT_TRUE(text(IDC_EDITOR) == text_before + inserted);
    int32_t end = static_cast<int32_t>(text_before.size() + inserted.size());
    select_range(item(IDC_EDITOR), end, end);
    press_keys(&program, {VK_ESCAPE});
    type_text(&program, "ещё");
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR).size() == static_cast<size_t>(end) + 3; }));
    EXPECT_TRUE(text(IDC_EDITOR) == text_before + inserted + "ещё");
    // A line appended as the folder search appends its report lines.
    select_range(item(IDC_EDITOR), -1, 0);
    SendMessageA(item(IDC_EDITOR), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\r\nотчёт"));
    EXPECT_TRUE(text(IDC_EDITOR) == text_before + inserted + "ещё\r\nотчёт");
}

}  // namespace
