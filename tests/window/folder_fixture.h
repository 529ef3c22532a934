// Folder mode over a real temporary tree: the box checked, a few files with hits, and the
// searches pressed as the user presses them.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "temp_tree.h"
#include "window_fixture.h"

class FolderTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(start(), INIT_DONE);
        memory_window_click(&memory, IDC_IN_FOLDER);
        tree.folder("sub");
        tree.file("a.TXT", "кот и кот");
        tree.file("sub/b.txt", "один кот");
        tree.file("c.log", "кот");
        tree.file("sub/d.txt.bak", "кот");
        before = snapshot();
    }
    // Presses Find (replacement null) or Replace in folder mode, with `answers` to the
    // questions that come (by default a Replace is confirmed); the editor's text.
    const std::string& search(const std::string& query, const char* replacement = nullptr,
                              const std::string& mask = "*.TXT",
                              std::deque<int> answers = {ANSWER_YES}) {
        set_text(IDC_FIND_TEXT, query);
        if (replacement) set_text(IDC_REPLACE_TEXT, replacement);
        set_text(IDC_FOLDER, tree.root);
        set_text(IDC_MASK, mask);
        memory.question_answers = answers;
        memory_window_click(&memory, replacement ? IDC_REPLACE : IDC_FIND);
        finish_walk();
        memory.question_answers.clear();
        return editor_text(&memory);
    }
    // Every entry of the tree with its bytes.
    std::vector<std::string> snapshot() const {
        std::vector<std::string> all;
        for (const std::string& entry : tree.entries()) all.push_back(entry + "=" + tree.read(entry));
        return all;
    }

    TempTree tree;
    std::vector<std::string> before;
};
