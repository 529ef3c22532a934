// The report's hits opened in the program: a double click on a line, F4 and Shift+F4
// within a file and across files, «К отчёту» (F7), a long file that goes in while the
// window answers, a file changed after the search, and a saved report opened again.
#include "e2e_fixture.h"
#include "report_order.h"

namespace {

class Navigate : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        CreateDirectoryA(files().c_str(), nullptr);
    }
    std::string files() const { return path("files"); }
    std::string file(const std::string& name) const { return files() + "\\" + name; }
    void write(const std::string& name, const std::string& bytes) { write_file("files\\" + name, bytes); }
    void search(const std::string& query, const char* replacement = nullptr) {
        fill_folder_search(query, replacement, files(), "*.txt");
        // Returns once the search has begun (a Replace's question comes after it).
        send_command(&program, replacement ? IDC_REPLACE : IDC_FIND, BN_CLICKED);
        if (replacement) {
            message_box(IDYES);
            EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR).find("заменено") != std::string::npos; }));
        }
        finish_walk();
        report = text(IDC_EDITOR);
    }
    // Where the report's line that begins as `line` does (its excerpt aside).
    int line_of(std::string line) const {
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.resize(line.size() - 2);
        size_t at = report.find(line);
        EXPECT_NE(at, std::string::npos) << line;
        return static_cast<int>(at);
    }
    // Whether the editor shows `content` whole with [start, end) selected.
    bool showing(const std::string& content, DWORD start, DWORD end) const {
        return title().rfind("Открытие", 0) != 0 && editor_selection() == std::make_pair(start, end) &&
               text(IDC_EDITOR) == content;
    }
    bool shows(const std::string& content, DWORD start, DWORD end) const {
        return wait_until([&] { return showing(content, start, end); });
    }
    void key(std::initializer_list<WORD> keys) { press_keys(&program, keys); }

    std::string report;
};

const std::string A = "кот и кот\r\nещё кот";
const std::string B = "один кот";

// Wine lists a folder's names in order: a.txt's hits, then b.txt's.
TEST_F(Navigate, DoubleClickF4ShiftF4AndBackToTheReport) {
    write("a.txt", A);
    write("b.txt", B);
    start();
    search("кот");
    double_click(item(IDC_EDITOR), line_of(found(file("a.txt"), 6)) + 3);
    ASSERT_TRUE(shows(A, 6, 9));
    EXPECT_EQ(title(), TITLE);
    EXPECT_FALSE(IsWindowVisible(item(IDC_KEPT_REPORT)));
    key({VK_F4});
    EXPECT_TRUE(shows(A, 15, 18));
    key({VK_F4});
    EXPECT_TRUE(shows(B, 5, 8));
    key({VK_F4});   // past the last hit line: a beep
    key({VK_SHIFT, VK_F4});
    EXPECT_TRUE(shows(A, 15, 18));
    EXPECT_EQ(menu_state(IDM_BACK_TO_REPORT), 0u);
    key({VK_F7});
    DWORD line = static_cast<DWORD>(line_of(found(file("a.txt"), 15)));
    EXPECT_TRUE(shows(report, line, line));
    EXPECT_EQ(menu_state(IDM_BACK_TO_REPORT), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(close_program(&program), 0);
}

// A hit in a 300 KB file is selected as the file goes in, the window answering all the
// while; a file changed since the search gets the caret at the position and a box.
TEST_F(Navigate, ALongFileAndAFileChangedAfterTheSearch) {
    std::string big = lines_of(300000, "строка длинного файла без совпадений\r\n") + "и кот";
    write("big.txt", big);
    write("c.txt", B);
    start();
    search("кот");
    write("c.txt", "ещё " + B);
    double_click(item(IDC_EDITOR), line_of(found(file("big.txt"), 300002)) + 3);
    int asked = 0, slow = 0;
    for (; !showing(big, 300002, 300005) && asked < 400; asked++) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(program.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &result)) slow++;
        Sleep(50);
    }
    EXPECT_TRUE(shows(big, 300002, 300005));
    EXPECT_EQ(slow, 0) << "of " << asked;
    key({VK_F4});
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.caption, "Переход");
    EXPECT_EQ(seen.text, "Файл изменился после поиска: совпадения на прежнем месте нет.");
    EXPECT_TRUE(shows("ещё " + B, 5, 5));
}

// A report saved and opened again leads to its hits: the query field's text is selected
// where it matches at the position.
TEST_F(Navigate, ASavedReportOpenedAgain) {
    write("b.txt", B);
    start();
    search("кот");
    post_command(&program, IDM_SAVE_AS);
    ASSERT_TRUE(answer_file_dialog(&program, path("отчёт.txt")));
    ASSERT_EQ(close_program(&program), 0);
    start();
    press_keys(&program, {VK_CONTROL, 'O'});
    ASSERT_TRUE(answer_file_dialog(&program, path("отчёт.txt")));
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == report; }));
    set_text(item(IDC_FIND_TEXT), "кот");
    double_click(item(IDC_EDITOR), line_of(found(file("b.txt"), 5)) + 3);
    EXPECT_TRUE(shows(B, 5, 8));
    key({VK_F7});
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == report; }));
}

// A «заменено» line selects what its Replace wrote, moved by the longer replacement
// before it in the same file.
TEST_F(Navigate, AReplacedHitAfterAnEarlierReplacementOfAnotherLength) {
    write("r.txt", "кот и кот");
    start();
    search("кот", "пёсик");
    double_click(item(IDC_EDITOR), line_of(replaced(file("r.txt"), 6)) + 3);
    EXPECT_TRUE(shows("пёсик и пёсик", 8, 13));
}

}  // namespace
