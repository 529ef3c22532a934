#include "e2e_fixture.h"

#include <stdio.h>

namespace {

void empty_folder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string file = folder + "\\" + entry.cFileName;
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file.c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

}  // namespace

void EndToEnd::SetUp() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    CreateDirectoryA("work", nullptr);
    folder = full_path(std::string("work\\") + test->test_suite_name() + "." + test->name());
    CreateDirectoryA(folder.c_str(), nullptr);
    empty_folder(folder);
    ZeroMemory(&program, sizeof program);
}

void EndToEnd::TearDown() {
    kill_program(&program);
}

void EndToEnd::start() {
    ASSERT_TRUE(start_program(&program, folder)) << "no window of " << driver_paths.program;
}

std::string EndToEnd::title() const {
    char buffer[512] = "";
    GetWindowTextA(program.window, buffer, sizeof buffer);
    return buffer;
}

void EndToEnd::write_file(const std::string& name, const std::string& bytes) const {
    FILE* file = fopen(path(name).c_str(), "wb");
    ASSERT_NE(file, nullptr) << path(name);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string EndToEnd::read_file(const std::string& name) const {
    FILE* file = fopen(path(name).c_str(), "rb");
    if (!file) return "(missing)";
    std::string bytes;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

void EndToEnd::fill_folder_search(const std::string& query, const char* replacement,
                                  const std::string& folder, const std::string& mask) {
    if (IsDlgButtonChecked(program.window, IDC_IN_FOLDER) != BST_CHECKED)
        SendMessageA(item(IDC_IN_FOLDER), BM_CLICK, 0, 0);
    set_text(item(IDC_FIND_TEXT), query);
    if (replacement) set_text(item(IDC_REPLACE_TEXT), replacement);
    set_text(item(IDC_FOLDER), folder);
    set_text(item(IDC_MASK), mask);
}

void EndToEnd::finish_walk() {
    ASSERT_TRUE(wait_until([&] {
        return text(IDC_FIND) == "Найти" && text(IDC_REPLACE) == "Заменить" &&
               IsWindowEnabled(item(IDC_FIND_TEXT));
    }, 120000)) << "the folder search does not end";
}

UINT EndToEnd::menu_state(int command) {
    MenuQuery query;
    if (!read_menu(&program, &query)) {
        ADD_FAILURE() << "the menu probe did not run";
        return 0xFFFF;
    }
    for (int i = 0; i < query.count && i < MENU_QUERY_ITEMS; i++)
        if (query.items[i].id == static_cast<UINT>(command)) return query.items[i].state & MF_GRAYED;
    ADD_FAILURE() << "no menu command " << command;
    return 0xFFFF;
}

void EndToEnd::type_into_editor(const std::string& keys) {
    press_keys(&program, {VK_ESCAPE});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    type_text(&program, keys);
}

MessageBoxSeen EndToEnd::message_box(int button) {
    MessageBoxSeen seen;
    if (!answer_box(wait_owned_dialog(&program), button, &seen)) ADD_FAILURE() << "no message box";
    return seen;
}

std::string lines_of(size_t size, const std::string& line) {
    std::string text;
    while (text.size() < size) text += line;
    text.resize(size);
    return text;
}
