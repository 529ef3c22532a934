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

    // Waits until a folder search has ended: both buttons read their own texts again.
    void finish_walk();

    // MF_GRAYED or 0 for one of the three menu commands, read inside the program.
    UINT menu_state(int command);
    // Waits for a message box and presses OK; its text and caption.
    MessageBoxSeen message_box();

    Program program;
    std::string folder;
};

// Lines of `line` repeated up to `size` bytes in all: long texts for the edit control
// need line breaks (Wine's is slow on long lines).
std::string lines_of(size_t size, const std::string& line);
