// A long folder search end to end: the window answers all along, shows its progress and
// the report as it grows, stops on Esc, closes cleanly during a Replace, and drops what
// the user asked for meanwhile instead of doing it afterwards.
#include "e2e_fixture.h"

#include <algorithm>
#include <vector>

#include "report_order.h"
#include "temp_tree.h"

namespace {

const std::string STOP_LINE = " \tпоиск остановлен, просмотрены не все файлы!\r\n";

class LongWalk : public EndToEnd {
protected:
    // Files that take long to read but little room on the disk: a hole, with `word` at
    // its start and at its end.
    void make_large_files(int count, int64_t size, const char* word = "кот") {
        for (int i = 0; i < count; i++) {
            std::string path = tree.path("f" + std::to_string(i) + ".txt");
            HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            DWORD written = 0;
            WriteFile(file, word, 3, &written, nullptr);
            LARGE_INTEGER end;
            end.QuadPart = size - 3;
            SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
            WriteFile(file, word, 3, &written, nullptr);
            CloseHandle(file);
        }
    }
    void start_search(const char* replacement) {
        start();
        fill_folder_search("кот", replacement, tree.root, "*.txt");
        send_command(&program, replacement ? IDC_REPLACE : IDC_FIND, BN_CLICKED);
    }
    bool walking() const { return text(replacing ? IDC_REPLACE : IDC_FIND) == "Стоп"; }
    // Whether the window handles a message within `limit_ms`, as the system asks it.
    bool answers(DWORD limit_ms) const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(program.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limit_ms,
                                   &result) != 0;
    }

    TempTree tree;
    bool replacing = false;
};

// The window answers within 200 ms every time it is asked; the title counts; report lines
// arrive before the end; Esc stops the walk within 500 ms and the report says so.
TEST_F(LongWalk, FindAnswersShowsProgressAndStopsOnEsc) {
    make_large_files(12, int64_t(1) << 30);
    start_search(nullptr);
    ASSERT_TRUE(walking());
    int asked = 0, slow = 0;
    bool progress = false, lines_early = false;
    while (walking() && !(progress && lines_early && asked >= 10)) {
        asked++;
        if (!answers(200)) slow++;
        progress |= title().rfind("Поиск… ", 0) == 0 && title().find("файл") != std::string::npos;
        lines_early |= text(IDC_EDITOR).find(found(tree.path("f0.txt"), 0, "строка 1: ‹кот›" +
                                                   std::string(40, '\xB7') + "…")) != std::string::npos;
        Sleep(50);
    }
    ASSERT_TRUE(walking()) << "the walk ended before it could be watched";
    EXPECT_EQ(slow, 0) << "of " << asked;
    EXPECT_TRUE(progress) << title();
    EXPECT_TRUE(lines_early);

    DWORD pressed = GetTickCount();
    press_keys(&program, {VK_ESCAPE});
    finish_walk();
    DWORD took = GetTickCount() - pressed;
    EXPECT_LE(took, 500u);
    const std::string report = text(IDC_EDITOR);
    EXPECT_EQ(report.substr(report.size() - (tree.root + STOP_LINE).size()), tree.root + STOP_LINE);
    EXPECT_EQ(title(), std::string(TITLE) + "*");
    EXPECT_EQ(close_program(&program), 0);
}

// The edit control takes time for every line; a report of many lines reaches it in
// shares, and the window answers between them. It lists 20,000 hits, and says how many
// there were in all.
TEST_F(LongWalk, AReportOfManyLinesKeepsTheWindowAnswering) {
    tree.file("many.txt", lines_of(4 * 30000, "кот\n"));
    start_search(nullptr);
    int asked = 0, slow = 0;
    while (walking()) {
        asked++;
        if (!answers(200)) slow++;
        Sleep(50);
    }
    EXPECT_EQ(slow, 0) << "of " << asked;
    const std::string report = text(IDC_EDITOR);
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 20002);
    const std::string bound =
        tree.root + " \tв отчёте первые 20000 совпадений из 30000, остальные не перечислены\r\n";
    EXPECT_EQ(report.substr(report.size() - bound.size()), bound);
    EXPECT_EQ(close_program(&program), 0);
}

// Closing the window during a Replace stops it at a safe point: exit code 0, every file
// either as it was or wholly rewritten, no copy left. Large files without a hit keep the
// walk going among the small ones that are rewritten, long enough for their lines to be
// shown while two threads scan the large files.
TEST_F(LongWalk, CloseDuringAReplaceLeavesEveryFileOldOrNew) {
    // A hit every 64 KB; both words are three bytes, so a rewritten file is the same
    // bytes with the other word.
    std::string content, rewritten;
    for (int block = 0; block < 16; block++) {
        std::string filler = lines_of(65536 - 15, "мышь и ещё мышь\r\n");
        content += "кот и ещё кот\r\n" + filler;
        rewritten += "пёс и ещё пёс\r\n" + filler;
    }
    // Listed before the large files (Wine lists a folder's names in order).
    for (int i = 0; i < 20; i++) tree.file("a" + std::to_string(i) + ".txt", content);
    make_large_files(16, int64_t(512) << 20, "мяу");
    replacing = true;
    start_search("пёс");
    message_box(IDYES);
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR).find("заменено") != std::string::npos; }));
    ASSERT_TRUE(walking()) << "the Replace ended before the close";
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(wait_exit(&program, 60000), 0);
    for (int i = 0; i < 20; i++) {
        std::string now = tree.read("a" + std::to_string(i) + ".txt");
        EXPECT_TRUE(now == content || now == rewritten) << i;
    }
    EXPECT_EQ(tree.entries().size(), 36u) << "a copy was left";
}

// A click on «Открыть», Ctrl+Shift+S and Alt+C given during a walk do nothing, then or
// later; the options' check boxes are greyed meanwhile, as the fields are.
TEST_F(LongWalk, InputDuringAWalkIsDroppedNotQueued) {
    make_large_files(6, int64_t(1) << 30);
    start_search(nullptr);
    ASSERT_TRUE(walking());
    for (int id : {IDC_MATCH_CASE, IDC_WHOLE_WORD}) EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    post_command(&program, IDM_OPEN);
    press_keys(&program, {VK_CONTROL, 'O'});
    press_keys(&program, {VK_CONTROL, VK_SHIFT, 'S'});
    press_keys(&program, {VK_MENU, 'C'});
    post_command(&program, IDM_SAVE_AS);
    EXPECT_FALSE(has_owned_dialog(&program));
    ASSERT_TRUE(walking()) << "the walk ended too soon to test this";
    press_keys(&program, {VK_ESCAPE});
    finish_walk();
    Sleep(500);
    EXPECT_FALSE(has_owned_dialog(&program));
    for (int id : {IDC_MATCH_CASE, IDC_WHOLE_WORD}) EXPECT_TRUE(IsWindowEnabled(item(id))) << id;
    EXPECT_EQ(IsDlgButtonChecked(program.window, IDC_MATCH_CASE), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(close_program(&program), 0);
}

}  // namespace
