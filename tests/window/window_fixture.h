// A window logic under test: the in-memory window wired to window_command, run in a
// fresh current directory of its own (the start-up text is read from there).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "memory_window.h"
#include "window.h"

constexpr char TITLE[] = "Поиск и замена по нечётким формулировкам";
constexpr char NOT_FOUND[] = "Соответствия не найдены!";
constexpr char NO_MEMORY[] = "Недостаточно памяти для выполнения команды!";

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    InitResult start();
    // Ticks the window, as its timer does, until the folder search that runs has ended.
    void finish_walk();
    // Ticks the window until the text that goes into the editor in portions is whole.
    void finish_load();
    // A control's notification or a command, as the window procedure passes it on.
    CommandResult command(int id, int notification = 0);
    void set_text(int id, const std::string& text);
    const std::string& text(int id);
    // The editor's selection as [start, end).
    std::pair<int32_t, int32_t> selection();
    const MemoryMessage& last_message();
    // The file dialog's next answer: the file `name` of the test's folder.
    void answer_file(const std::string& name);
    // Open (Ctrl+O) with the file dialog answering `name`.
    void open(const std::string& name);

    std::string path(const std::string& name) const;
    void write_file(const std::string& name, const std::string& bytes) const;
    std::string read_file(const std::string& name) const;
    bool exists(const std::string& name) const;
    // The names in the working folder, sorted.
    std::vector<std::string> files() const;
    // What lies in the temporary folder that the window's undo is given, with '/'
    // between names, sorted.
    std::vector<std::string> temporary_entries() const;

    // The next `count` heap blocks of the window logic are given, then none.
    static void fail_allocations_after(int count);

    MemoryWindow memory;
    WindowState state;
    Window window;

private:
    static void dispatch(void* context, int id, int notification);
    static void double_clicked(void* context, int32_t position);
    std::filesystem::path folder_, previous_, temporary_;
};
