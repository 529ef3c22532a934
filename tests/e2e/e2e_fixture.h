// One end-to-end test: a working folder of its own, the program started in it, and
// the program ended afterwards whatever happened.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "program.h"
#include "window_ops.h"

constexpr char TITLE[] = "Поиск и замена по нечётким формулировкам";
constexpr char NOT_FOUND[] = "Соответствия не найдены!";
// MessageBoxA with a null caption, in a Russian Windows (and Wine).
constexpr char DEFAULT_CAPTION[] = "Ошибка";

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program in the test's folder; fails the test when no window comes.
    void start();
    HWND item(int id) const { return control(&program, id); }
    std::string text(int id) const { return text_of(item(id)); }
    std::string title() const;
    std::pair<DWORD, DWORD> editor_selection() const { return selection_of(item(IDC_EDITOR)); }

    std::string path(const std::string& name) const { return folder + "\\" + name; }
    void write_file(const std::string& name, const std::string& bytes) const;
    std::string read_file(const std::string& name) const;

    // Checks «В папке:» and fills the fields of a folder search (no replacement: the
    // field is left as it is).
    void fill_folder_search(const std::string& query, const char* replacement,
                            const std::string& folder, const std::string& mask);
    // Waits until a folder search has ended: both buttons read their own texts again.
    void finish_walk();

    // MF_GRAYED or 0 for one of the menu commands, read inside the program.
    UINT menu_state(int command);
    // Types into the editor, which gets the focus first (Esc). Typed keys reach the
    // program after messages posted to it meanwhile.
    void type_into_editor(const std::string& keys);
    // Waits for a message box of the main window and presses `button` (OK, or Yes, No
    // or Cancel of a question); its text, caption and buttons.
    MessageBoxSeen message_box(int button = IDOK);
    // The question before unsaved text is lost.
    static constexpr const char* SAVE_QUESTION = "Сохранить изменения?";

    Program program;
    std::string folder;
};

// Lines of `line` repeated up to `size` bytes in all: long texts for the edit control
// need line breaks (Wine's is slow on long lines).
std::string lines_of(size_t size, const std::string& line);
