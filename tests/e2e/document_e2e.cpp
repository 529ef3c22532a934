// Open, Save and Save As through the real file dialog, the menu states and the
// keyboard commands.
#include "e2e_fixture.h"

namespace {

class Document : public EndToEnd {
protected:
    using Range = std::pair<DWORD, DWORD>;
    void open(const std::string& name) {
        press_keys(&program, {VK_CONTROL, 'O'});
        open_dialog_answered(name);
    }
    void open_dialog_answered(const std::string& name) {
        ASSERT_TRUE(answer_file_dialog(&program, path(name)));
    }
    bool marked() const { return title() == std::string(TITLE) + "*"; }
};

TEST_F(Document, OpenSaveAsAndSaveGoThroughTheFileDialog) {
    const std::string content = "Первая строка\r\nвторая строка\r\n";
    write_file("a.txt", content);
    write_file("readme.txt", "");   // the editor has the focus
    start();
    open("a.txt");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == content; }));
    EXPECT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    EXPECT_EQ(menu_state(IDM_SAVE), 0u);
    EXPECT_EQ(menu_state(IDM_SAVE_AS), 0u);
    EXPECT_EQ(title(), TITLE);

    select_range(item(IDC_EDITOR), 0, 0);
    type_into_editor("Новое: ");
    ASSERT_TRUE(wait_until([&] { return marked(); }));
    press_keys(&program, {VK_CONTROL, VK_SHIFT, 'S'});
    ASSERT_TRUE(answer_file_dialog(&program, path("b.txt")));
    EXPECT_TRUE(wait_until([&] { return title() == TITLE; }));
    EXPECT_EQ(read_file("b.txt"), "Новое: " + content);
    EXPECT_EQ(read_file("a.txt"), content);

    // Save still writes the file that Open loaded.
    type_into_editor("!");
    ASSERT_TRUE(wait_until([&] { return marked(); }));
    press_keys(&program, {VK_CONTROL, 'S'});
    EXPECT_TRUE(wait_until([&] { return title() == TITLE; }));
    EXPECT_EQ(read_file("a.txt"), "Новое: !" + content);
    EXPECT_EQ(read_file("b.txt"), "Новое: " + content);
    EXPECT_EQ(close_program(&program), 0);
}

TEST_F(Document, MenuStatesAndKeyboardCommandsFollowTheDocument) {
    start();
    type_into_editor("abc");
    ASSERT_TRUE(wait_until([&] { return marked(); }));
    EXPECT_EQ(menu_state(IDM_SAVE_AS), 0u);
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    // Ctrl+S of a greyed Save does nothing; Ctrl+F behind it shows that it was taken.
    press_keys(&program, {VK_CONTROL, 'S'});
    press_keys(&program, {VK_CONTROL, 'F'});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND_TEXT; }));
    EXPECT_FALSE(has_owned_dialog(&program));
    EXPECT_TRUE(marked());

    set_text(item(IDC_FIND_TEXT), "query");
    press_keys(&program, {VK_CONTROL, 'A'});
    EXPECT_TRUE(wait_until([&] {
        return selection_of(item(IDC_FIND_TEXT)) == Range(0, 5);
    }));
    press_keys(&program, {VK_TAB});   // to the Find button, where Ctrl+A does nothing
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND; }));
    select_range(item(IDC_EDITOR), 1, 1);
    press_keys(&program, {VK_CONTROL, 'A'});
    press_keys(&program, {VK_ESCAPE});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    EXPECT_EQ(editor_selection(), Range(1, 1));
    press_keys(&program, {VK_CONTROL, 'A'});
    EXPECT_TRUE(wait_until([&] { return editor_selection() == Range(0, 3); }));

    // A cancelled Open changes nothing, even after its question was answered No.
    press_keys(&program, {VK_CONTROL, 'O'});
    EXPECT_EQ(message_box(IDNO).text, SAVE_QUESTION);
    HWND dialog = wait_owned_dialog(&program);
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(text(IDC_EDITOR), "abc");
    EXPECT_TRUE(marked());
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
}

// Open takes files of up to 16 MiB; one of 64 KiB goes into the editor at once.
TEST_F(Document, OpenTakesFilesUpTo16MiB) {
    const std::string largest = lines_of(65536, "строка файла на границе размера\r\n");
    write_file("largest.txt", largest);
    write_file("larger.txt", lines_of((16 << 20) + 1, "строка файла за границей размера\r\n"));
    write_file("readme.txt", "kept");
    start();
    open("larger.txt");
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.text,
              "Программа не умеет открывать файлы > 16Мб!\r\n"
              "Это ограничение не распространяется на поиск и замену в файлах");
    EXPECT_EQ(seen.caption, "Ограничение");
    EXPECT_EQ(text(IDC_EDITOR), "kept");
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    open("largest.txt");
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR).size() == largest.size(); }));
    EXPECT_TRUE(text(IDC_EDITOR) == largest);
    // Typing into it goes beyond the edit control's default limit too.
    select_range(item(IDC_EDITOR), 0, 0);
    type_into_editor("ж");
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR).size() == largest.size() + 1; }));
}

TEST_F(Document, AFileWithAZeroByteOpensWithAWarningAndSaveGreyed) {
    write_file("zero.txt", std::string("shown\0hidden", 12));
    start();
    open("zero.txt");
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.caption, "Внимание");
    EXPECT_NE(seen.text.find("нулевой байт"), std::string::npos);
    EXPECT_EQ(text(IDC_EDITOR), "shown");
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(menu_state(IDM_SAVE_AS), 0u);
    EXPECT_EQ(read_file("zero.txt"), std::string("shown\0hidden", 12));
}

TEST_F(Document, AFailedSaveSaysSoAndKeepsTheFileAndTheMarker) {
    write_file("a.txt", "old bytes");
    start();
    open("a.txt");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "old bytes"; }));
    SetFileAttributesA(path("a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    type_into_editor("new ");
    ASSERT_TRUE(wait_until([&] { return marked(); }));
    press_keys(&program, {VK_CONTROL, 'S'});
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.caption, "Ошибка");
    EXPECT_NE(seen.text.find(path("a.txt")), std::string::npos) << seen.text;
    EXPECT_TRUE(marked());
    EXPECT_EQ(read_file("a.txt"), "old bytes");
    EXPECT_EQ(GetFileAttributesA(path("a.txt.fr$save").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Open with unsaved changes asks first: Cancel keeps everything, No opens without
// saving, Yes saves where Save writes and then opens.
TEST_F(Document, OpenAsksBeforeUnsavedTextGoes) {
    write_file("a.txt", "file a");
    write_file("b.txt", "file b");
    start();
    open("a.txt");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "file a"; }));
    select_range(item(IDC_EDITOR), 0, 0);
    type_into_editor("my ");
    ASSERT_TRUE(wait_until([&] { return marked(); }));
    press_keys(&program, {VK_CONTROL, 'O'});
    MessageBoxSeen seen = message_box(IDCANCEL);
    EXPECT_EQ(seen.text, SAVE_QUESTION);
    EXPECT_EQ(seen.caption, TITLE);
    send_command(&program, IDM_FOCUS_EDITOR);   // handled after Open was
    EXPECT_FALSE(has_owned_dialog(&program));
    EXPECT_EQ(text(IDC_EDITOR), "my file a");
    EXPECT_TRUE(marked());

    press_keys(&program, {VK_CONTROL, 'O'});
    message_box(IDNO);
    open_dialog_answered("b.txt");
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "file b"; }));
    EXPECT_FALSE(marked());
    EXPECT_EQ(read_file("a.txt"), "file a");

    select_range(item(IDC_EDITOR), 0, 0);
    type_into_editor("my ");
    ASSERT_TRUE(wait_until([&] { return marked(); }));
    press_keys(&program, {VK_CONTROL, 'O'});
    message_box(IDYES);
    open_dialog_answered("a.txt");
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "file a"; }));
    EXPECT_EQ(read_file("b.txt"), "my file b");
    EXPECT_EQ(close_program(&program), 0);   // nothing unsaved: no question
}

// Save As is the save dialog, titled so, and asks before it replaces a file.
TEST_F(Document, SaveAsAsksBeforeReplacingAFile) {
    write_file("old.txt", "old bytes");
    start();
    type_into_editor("new");
    ASSERT_TRUE(wait_until([&] { return marked(); }));
    press_keys(&program, {VK_CONTROL, VK_SHIFT, 'S'});
    HWND dialog = submit_file_dialog(&program, path("old.txt"));
    ASSERT_NE(dialog, nullptr);
    char caption[256] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Сохранить как");
    MessageBoxSeen seen;
    ASSERT_TRUE(answer_box(wait_dialog_owned_by(dialog), IDNO, &seen));
    EXPECT_EQ(seen.caption, "Сохранить как") << seen.text;   // the save dialog's own question
    ASSERT_TRUE(IsWindow(dialog));   // No: back to the dialog
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(read_file("old.txt"), "old bytes");
    EXPECT_TRUE(marked());

    press_keys(&program, {VK_CONTROL, VK_SHIFT, 'S'});
    dialog = submit_file_dialog(&program, path("old.txt"));
    ASSERT_TRUE(answer_box(wait_dialog_owned_by(dialog), IDYES, &seen));
    ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(wait_until([&] { return !marked(); }));
    EXPECT_EQ(read_file("old.txt"), "new");
}

}  // namespace
