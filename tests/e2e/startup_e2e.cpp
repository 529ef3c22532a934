// The program's start, its window as laid out, resizing, keyboard navigation and exit.
#include "e2e_fixture.h"

#include <vector>

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

// Widened, the query fields take the growth, the folder and mask fields share it and the
// buttons keep to the right edge; made as small as it lets itself be, the window keeps
// every control inside it and apart from the others.
TEST_F(Startup, TheFieldsGrowWithTheWindowAndNothingOverlapsAtItsSmallest) {
    start();
    auto in_client = [&](HWND control) {
        RECT rect = window_rect(control);
        MapWindowPoints(nullptr, program.window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    auto width = [&](int id) { return in_client(item(id)).right - in_client(item(id)).left; };
    auto to_right_edge = [&](int id) { return client_rect(program.window).right - in_client(item(id)).right; };
    // The editor is laid out last: once it fills the client area, so does everything.
    auto laid_out = [&] {
        RECT client = client_rect(program.window), editor = in_client(item(IDC_EDITOR));
        return editor.right == client.right && editor.bottom == client.bottom;
    };
    const int fields[] = {IDC_FIND_TEXT, IDC_REPLACE_TEXT, IDC_FOLDER, IDC_MASK};
    std::vector<LONG> before;
    for (int id : fields) before.push_back(width(id));
    LONG button_gap = to_right_edge(IDC_FIND);

    RECT outer = window_rect(program.window);
    SetWindowPos(program.window, nullptr, 0, 0, outer.right - outer.left + 200,
                 outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(wait_until([&] { return width(IDC_FIND_TEXT) == before[0] + 200 && laid_out(); }));
    EXPECT_EQ(width(IDC_REPLACE_TEXT), before[1] + 200);
    EXPECT_EQ(width(IDC_FOLDER) + width(IDC_MASK), before[2] + before[3] + 200);
    EXPECT_GT(width(IDC_FOLDER), before[2]);
    EXPECT_GT(width(IDC_MASK), before[3]);
    for (int id : {IDC_FIND, IDC_REPLACE}) EXPECT_EQ(to_right_edge(id), button_gap) << id;

    SetWindowPos(program.window, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(wait_until([&] { return client_rect(program.window).right < 500 && laid_out(); }));
    RECT client = client_rect(program.window);
    EXPECT_GT(client.right, 200);
    EXPECT_GT(client.bottom, 200);
    std::vector<HWND> children;   // those that show: others may share the editor's place
    for (HWND child = GetWindow(program.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) children.push_back(child);
    ASSERT_GE(children.size(), 14u);
    for (size_t i = 0; i < children.size(); i++) {
        RECT a = in_client(children[i]);
        int id = GetDlgCtrlID(children[i]);
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right && a.bottom <= client.bottom &&
                    a.right > a.left && a.bottom > a.top) << id;
        for (size_t k = i + 1; k < children.size(); k++) {
            RECT b = in_client(children[k]), overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &a, &b)) << id << " overlaps " << GetDlgCtrlID(children[k]);
        }
    }
    EXPECT_EQ(close_program(&program), 0);
}

// Alt+C and Alt+W toggle the options from the editor, whose focus and text stay.
TEST_F(Startup, AltCAndAltWToggleTheOptionsFromTheEditor) {
    write_file("readme.txt", "text");
    start();
    type_into_editor("");
    press_keys(&program, {VK_MENU, 'C'});
    EXPECT_TRUE(wait_until([&] { return IsDlgButtonChecked(program.window, IDC_MATCH_CASE) == BST_UNCHECKED; }));
    press_keys(&program, {VK_MENU, 'W'});
    EXPECT_TRUE(wait_until([&] { return IsDlgButtonChecked(program.window, IDC_WHOLE_WORD) == BST_CHECKED; }));
    press_keys(&program, {VK_MENU, 'C'});
    EXPECT_TRUE(wait_until([&] { return IsDlgButtonChecked(program.window, IDC_MATCH_CASE) == BST_CHECKED; }));
    EXPECT_EQ(focused_control(&program), IDC_EDITOR);
    EXPECT_EQ(text(IDC_EDITOR), "text");
    EXPECT_EQ(close_program(&program), 0);
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
