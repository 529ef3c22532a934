// The program's start, its window as laid out, resizing, keyboard navigation and exit.
#include "e2e_fixture.h"

namespace {

using Startup = EndToEnd;

TEST_F(Startup, ShowsTheReadmeInTheFocusedEditorUnmarked) {
    const std::string readme = "Это readme.txt: строка одна\r\nand a line with a lone LF\nend";
    write_file("readme.txt", readme);
    start();
    EXPECT_EQ(text(IDC_EDITOR), readme);
    EXPECT_EQ(focused_control(&program), IDC_EDITOR);
    EXPECT_EQ(title(), TITLE);
    EXPECT_EQ(text(IDC_MASK), "*.*");
    EXPECT_EQ(menu_state(IDM_OPEN), 0u);
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(menu_state(IDM_SAVE_AS), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(menu_state(IDM_UNDO_REPLACE), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(close_program(&program), 0);
}

TEST_F(Startup, WithoutReadmeTheEditorIsEmptyAndNotFocused) {
    start();
    EXPECT_EQ(text(IDC_EDITOR), "");
    int focus = focused_control(&program);
    EXPECT_NE(focus, IDC_EDITOR);
    EXPECT_EQ(text(IDC_MASK), "*.*");
    EXPECT_EQ(close_program(&program), 0);
}

// The template itself is checked in resources_test; here, what the running window has.
TEST_F(Startup, TheFolderControlsStartDisabledAndTheEditorFillsTheWindow) {
    start();
    const int enabled[] = {IDC_FIND_TEXT, IDC_FIND, IDC_REPLACE_TEXT, IDC_REPLACE, IDC_IN_FOLDER,
                           IDC_EDITOR};
    for (int id : enabled) EXPECT_TRUE(IsWindowEnabled(item(id))) << id;
    const int disabled[] = {IDC_FOLDER, IDC_BROWSE, IDC_MASK, IDC_MASK_LABEL};
    for (int id : disabled) EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    EXPECT_EQ(IsDlgButtonChecked(program.window, IDC_IN_FOLDER), 0u);
    // The editor fills the client area below the top rows, full width.
    RECT client = client_rect(program.window);
    RECT editor = window_rect(item(IDC_EDITOR));
    POINT corner = {client.right, client.bottom};
    ClientToScreen(program.window, &corner);
    EXPECT_EQ(editor.right, corner.x);
    EXPECT_EQ(editor.bottom, corner.y);
}

TEST_F(Startup, TheEditorFollowsEveryResizeButMinimising) {
    start();
    HWND editor = item(IDC_EDITOR);
    auto size_of = [](RECT rect) { return std::make_pair(rect.right - rect.left, rect.bottom - rect.top); };
    auto before = size_of(window_rect(editor));
    auto client_before = size_of(client_rect(program.window));
    RECT outer = window_rect(program.window);
    SetWindowPos(program.window, nullptr, 0, 0, outer.right - outer.left + 120,
                 outer.bottom - outer.top + 90, SWP_NOMOVE | SWP_NOZORDER);
    auto client_after = size_of(client_rect(program.window));
    ASSERT_NE(client_after, client_before);
    auto expected = std::make_pair(before.first + client_after.first - client_before.first,
                                   before.second + client_after.second - client_before.second);
    EXPECT_TRUE(wait_until([&] { return size_of(window_rect(editor)) == expected; }));

    ShowWindow(program.window, SW_MAXIMIZE);
    EXPECT_TRUE(wait_until([&] { return IsZoomed(program.window); }));
    auto client_max = size_of(client_rect(program.window));
    EXPECT_EQ(size_of(window_rect(editor)),
              std::make_pair(expected.first + client_max.first - client_after.first,
                             expected.second + client_max.second - client_after.second));
    ShowWindow(program.window, SW_RESTORE);
    EXPECT_TRUE(wait_until([&] { return size_of(window_rect(editor)) == expected; }));

    ShowWindow(program.window, SW_MINIMIZE);
    EXPECT_TRUE(wait_until([&] { return IsIconic(program.window); }));
    ShowWindow(program.window, SW_RESTORE);
    EXPECT_TRUE(wait_until([&] { return !IsIconic(program.window); }));
    EXPECT_EQ(size_of(window_rect(editor)), expected);
}

TEST_F(Startup, TabMovesBetweenFieldsButGoesIntoTheEditor) {
    write_file("readme.txt", "text");
    start();
    press_keys(&program, {VK_CONTROL, 'F'});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND_TEXT; }));
    press_keys(&program, {VK_TAB});
    EXPECT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND; }));
    press_keys(&program, {VK_ESCAPE});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    select_range(item(IDC_EDITOR), 0, 0);
    press_keys(&program, {VK_TAB});
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "\ttext"; }));
    EXPECT_EQ(focused_control(&program), IDC_EDITOR);
}

// Closing with unsaved changes asks first: Esc and Cancel keep the window and the text,
// No closes without saving, Yes saves (here through Save As: the start-up text has no
// file of its own) and then closes. The exit code stays 0.
TEST_F(Startup, ClosingWithUnsavedChangesAsksFirst) {
    write_file("readme.txt", "text");
    start();
    // Typed keys come after posted messages: the close waits until all have arrived.
    type_into_editor("changed ");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "changed text"; }));
    auto still_open = [&] {
        send_command(&program, IDM_FOCUS_EDITOR);   // handled after the close was
        return IsWindow(program.window) && text(IDC_EDITOR) == "changed text" &&
               title() == std::string(TITLE) + "*";
    };
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    HWND box = wait_owned_dialog(&program);
    ASSERT_NE(box, nullptr);
    press_keys(&program, {VK_ESCAPE});   // to the box, which has the keyboard
    ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
    EXPECT_TRUE(still_open());
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    MessageBoxSeen seen = message_box(IDCANCEL);
    EXPECT_EQ(seen.text, SAVE_QUESTION);
    EXPECT_EQ(seen.caption, TITLE);
    EXPECT_EQ(seen.buttons, "&Да|&Нет|Отмена|");
    EXPECT_TRUE(still_open());
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    message_box(IDNO);
    EXPECT_EQ(wait_exit(&program), 0);
    EXPECT_EQ(read_file("readme.txt"), "text");

    start();
    type_into_editor("saved ");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "saved text"; }));
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    message_box(IDYES);
    ASSERT_TRUE(answer_file_dialog(&program, path("saved.txt")));
    EXPECT_EQ(wait_exit(&program), 0);
    EXPECT_EQ(read_file("saved.txt"), "saved text");
    EXPECT_EQ(read_file("readme.txt"), "text");
}

// A start-up text too large for memory ends the program with code 5.
TEST_F(Startup, NoMemoryForTheStartupTextExitsWithFive) {
    HANDLE file = CreateFileA(path("readme.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LONG high = 0;
    SetFilePointer(file, 0x7FFFFFF0, &high, FILE_BEGIN);   // sparse: no bytes written
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::string command = "\"" + driver_paths.program + "\"";
    ASSERT_TRUE(CreateProcessA(driver_paths.program.c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                               nullptr, folder.c_str(), &startup, &program.process));
    EXPECT_EQ(wait_exit(&program), 5);
    DeleteFileA(path("readme.txt").c_str());
}

}  // namespace
