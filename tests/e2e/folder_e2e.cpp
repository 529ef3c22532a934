// Folder mode end to end: real trees with Cyrillic names (Windows-1251 here), the
// report read back from the editor and the files from the disk, the folder dialog, and
// a user's longer session.
#include "e2e_fixture.h"

#include <commctrl.h>
#include <string.h>

#include <memory>

#include "report_order.h"
#include "temp_tree.h"

namespace {

class Folder : public EndToEnd {
protected:
    // A tree whose files the mask "*ДОКУМЕНТЫ*.TXT" picks by a folder name and an
    // extension in other letter cases: only lower-casing by the Russian locale on both
    // sides lets it match.
    void SetUp() override {
        EndToEnd::SetUp();
        for (const char* folder : {"Документы", "Документы/Вложенная", "Прочее"}) tree.folder(folder);
        tree.file("Документы/Отчёт.TXT", "Кот и кот.\r\nкот!\r\n");
        tree.file("Документы/Вложенная/Заметки.txt", "кот Ёжика");
        tree.file("Документы/Письмо.doc", "кот");
        tree.file("Прочее/кот.txt", "кот");
        report_path = tree.path("Документы/Отчёт.TXT");
        notes_path = tree.path("Документы/Вложенная/Заметки.txt");
    }
    void check_the_box() {
        SendMessageA(item(IDC_IN_FOLDER), BM_CLICK, 0, 0);
        ASSERT_TRUE(wait_until([&] { return IsWindowEnabled(item(IDC_FOLDER)); }));
    }
    // Fills the fields and presses Find (no replacement) or Replace, which is confirmed
    // when it asks; returns when done.
    void search(const std::string& query, const char* replacement = nullptr,
                const std::string& mask = "*ДОКУМЕНТЫ*.TXT", bool asks = true) {
        fill_folder_search(query, replacement, tree.root, mask);
        send_command(&program, replacement ? IDC_REPLACE : IDC_FIND, BN_CLICKED);
        if (replacement && asks) message_box(IDYES);
        finish_walk();
    }
    // The report of Find "кот" over the tree, as blocks by file.
    std::vector<std::string> cat_report() const {
        return {found(report_path, 6, "строка 1: Кот и ‹кот›.") + found(report_path, 12, "строка 2: ‹кот›!"),
                found(notes_path, 0, "строка 1: ‹кот› Ёжика")};
    }
    std::vector<std::string> others() const {
        return {tree.read("Документы/Письмо.doc"), tree.read("Прочее/кот.txt")};
    }

    TempTree tree;   // on the prefix's C: drive (see the folder dialog's test)
    std::vector<std::unique_ptr<TempTree>> deeps;
    std::string report_path, notes_path;
};

TEST_F(Folder, FindAndReplaceOverATreeWithCyrillicNamesAndAMaskInCapitals) {
    write_file("readme.txt", "документ");
    start();
    check_the_box();
    for (int id : {IDC_FOLDER, IDC_BROWSE, IDC_MASK, IDC_MASK_LABEL})
        EXPECT_TRUE(IsWindowEnabled(item(id))) << id;

    search("кот");
    EXPECT_TRUE(is_report(text(IDC_EDITOR), cat_report())) << text(IDC_EDITOR);
    EXPECT_EQ(tree.read("Документы/Отчёт.TXT"), "Кот и кот.\r\nкот!\r\n");
    EXPECT_EQ(tree.read("Документы/Вложенная/Заметки.txt"), "кот Ёжика");
    EXPECT_EQ(title(), std::string(TITLE) + "*");
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(menu_state(IDM_SAVE_AS), 0u);

    search("кот", "пёсик");
    EXPECT_TRUE(is_report(text(IDC_EDITOR), {replaced(report_path, 6, "строка 1: Кот и ‹пёсик›.") +
                                                 replaced(report_path, 12, "строка 2: ‹пёсик›!"),
                                             replaced(notes_path, 0, "строка 1: ‹пёсик› Ёжика")}))
        << text(IDC_EDITOR);
    EXPECT_EQ(tree.read("Документы/Отчёт.TXT"), "Кот и пёсик.\r\nпёсик!\r\n");
    EXPECT_EQ(tree.read("Документы/Вложенная/Заметки.txt"), "пёсик Ёжика");
    EXPECT_EQ(others(), std::vector<std::string>({"кот", "кот"}));
    EXPECT_EQ(tree.entries(),
              sorted({"Документы", "Документы/Вложенная", "Документы/Вложенная/Заметки.txt",
                      "Документы/Письмо.doc", "Документы/Отчёт.TXT", "Прочее", "Прочее/кот.txt"}));

    // Unchecked, the buttons work on the editor again.
    SendMessageA(item(IDC_IN_FOLDER), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_FOLDER)));
    EXPECT_EQ(text(IDC_FOLDER), tree.root);
    set_text(item(IDC_FIND_TEXT), "Найдено");
    select_range(item(IDC_EDITOR), 0, 0);
    send_command(&program, IDC_FIND, BN_CLICKED);
    EXPECT_EQ(editor_selection(), std::make_pair(DWORD(0), DWORD(7)));
    EXPECT_EQ(close_program(&program), 0);
}

// A query opening with a wildcard or a malformed one is refused before anything changes.
TEST_F(Folder, ARefusedQueryLeavesTheEditorAndTheFilesAsTheyWere) {
    write_file("readme.txt", "документ");
    start();
    check_the_box();
    set_text(item(IDC_FIND_TEXT), "*кот");
    set_text(item(IDC_FOLDER), tree.root);
    post_command(&program, IDC_REPLACE, BN_CLICKED);
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.text, "Недопустимый поисковый запрос!,\r\nнельзя *,?,% в начале строки!");
    EXPECT_EQ(seen.caption, "Ошибка");
    set_text(item(IDC_FIND_TEXT), "кот");
    set_text(item(IDC_REPLACE_TEXT), "%пёс%");
    post_command(&program, IDC_REPLACE, BN_CLICKED);
    seen = message_box();
    EXPECT_EQ(seen.caption, "Ошибка");
    EXPECT_EQ(seen.text.rfind("В тексте замены имя «%пёс%» в позиции 1 недопустимо", 0), 0u)
        << seen.text;
    EXPECT_EQ(text(IDC_EDITOR), "документ");
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(menu_state(IDM_SAVE_AS), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(title(), TITLE);
    EXPECT_EQ(tree.read("Документы/Отчёт.TXT"), "Кот и кот.\r\nкот!\r\n");
}

// The option boxes, clicked, are read by each press in folder mode: Find, the count that
// Replace asks with, and the Replace itself.
TEST_F(Folder, TheOptionBoxesHoldForFindTheQuestionAndReplace) {
    tree.file("Документы/Котик.txt", "котик КОТ");
    const std::string kitten_path = tree.path("Документы/Котик.txt");
    start();
    check_the_box();
    SendMessageA(item(IDC_MATCH_CASE), BM_CLICK, 0, 0);   // either case
    search("кот");
    EXPECT_TRUE(is_report(without_lines(text(IDC_EDITOR)),
                          {found(report_path, 0) + found(report_path, 6) + found(report_path, 12),
                           found(notes_path, 0), found(kitten_path, 0) + found(kitten_path, 6)}))
        << text(IDC_EDITOR);
    SendMessageA(item(IDC_WHOLE_WORD), BM_CLICK, 0, 0);   // and whole words: not «котик»
    fill_folder_search("кот", "пёс", tree.root, "*ДОКУМЕНТЫ*.TXT");
    send_command(&program, IDC_REPLACE, BN_CLICKED);
    EXPECT_EQ(message_box(IDYES).text, "Заменить 5 совпадений в 3 файлах?");
    finish_walk();
    EXPECT_EQ(tree.read("Документы/Отчёт.TXT"), "пёс и пёс.\r\nпёс!\r\n");
    EXPECT_EQ(tree.read("Документы/Котик.txt"), "котик пёс");
    SendMessageA(item(IDC_MATCH_CASE), BM_CLICK, 0, 0);   // letters as typed again
    search("ёжика");
    EXPECT_EQ(text(IDC_EDITOR), REPORT_HEADER);
    SendMessageA(item(IDC_MATCH_CASE), BM_CLICK, 0, 0);
    search("ёжика");
    EXPECT_TRUE(is_report(without_lines(text(IDC_EDITOR)), {found(notes_path, 4)})) << text(IDC_EDITOR);
    EXPECT_EQ(close_program(&program), 0);
}

// Several masks: text files and tables, but nothing in a folder named архив, whatever
// the case of its letters; a mask that cannot be used is named before anything changes.
TEST_F(Folder, SeveralMasksAndAFolderLeftOut) {
    tree.file("Прочее/Таблица.csv", "кот;кот");
    tree.folder("архив");
    tree.file("архив/Старый.txt", "кот");
    tree.folder("Прочее/АРХИВ");
    tree.file("Прочее/АРХИВ/Копия.csv", "кот");
    const std::string mask = R"(*.txt; *.csv ;!*\\архив)";
    const std::string table = tree.path("Прочее/Таблица.csv"), cat = tree.path("Прочее/кот.txt");
    start();
    check_the_box();

    search("кот", nullptr, mask);
    EXPECT_TRUE(is_report(without_lines(text(IDC_EDITOR)),
                          {found(report_path, 6) + found(report_path, 12), found(notes_path, 0),
                           found(cat, 0), found(table, 0) + found(table, 4)}))
        << text(IDC_EDITOR);
    search("кот", "пёс", mask);
    EXPECT_TRUE(is_report(without_lines(text(IDC_EDITOR)), {replaced(report_path, 6) + replaced(report_path, 12),
                                             replaced(notes_path, 0), replaced(cat, 0),
                                             replaced(table, 0) + replaced(table, 4)}))
        << text(IDC_EDITOR);
    EXPECT_EQ(tree.read("Прочее/Таблица.csv"), "пёс;пёс");
    EXPECT_EQ(tree.read("Документы/Письмо.doc"), "кот");
    EXPECT_EQ(tree.read("архив/Старый.txt"), "кот");
    EXPECT_EQ(tree.read("Прочее/АРХИВ/Копия.csv"), "кот");

    fill_folder_search("пёс", nullptr, tree.root, "*.txt;!");
    post_command(&program, IDC_FIND, BN_CLICKED);
    MessageBoxSeen seen = message_box();
    EXPECT_EQ(seen.caption, "Ошибка");
    EXPECT_EQ(seen.text.rfind("Маска «!» в позиции 7 ничего не исключает", 0), 0u) << seen.text;
    EXPECT_EQ(text(IDC_EDITOR).substr(0, strlen(REPORT_HEADER)), REPORT_HEADER);
    EXPECT_NE(text(IDC_EDITOR).find("заменено"), std::string::npos);   // the last report stays
    EXPECT_EQ(close_program(&program), 0);
}

// A search over unsaved text asks first; a report that the user has not changed goes
// without a question, and every report can be saved with Save As.
TEST_F(Folder, ASearchAsksBeforeUnsavedTextGoes) {
    write_file("readme.txt", "документ");
    start();
    type_into_editor("мой ");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "мой документ"; }));
    check_the_box();
    set_text(item(IDC_FIND_TEXT), "кот");
    set_text(item(IDC_FOLDER), tree.root);
    set_text(item(IDC_MASK), "*ДОКУМЕНТЫ*.TXT");
    post_command(&program, IDC_FIND, BN_CLICKED);
    EXPECT_EQ(message_box(IDCANCEL).text, SAVE_QUESTION);
    send_command(&program, IDM_FOCUS_EDITOR);   // handled after Find was
    EXPECT_EQ(text(IDC_FIND), "Найти");
    EXPECT_EQ(text(IDC_EDITOR), "мой документ");

    post_command(&program, IDC_FIND, BN_CLICKED);
    message_box(IDYES);   // no file of its own: Save As
    ASSERT_TRUE(answer_file_dialog(&program, path("мой.txt")));
    finish_walk();
    EXPECT_TRUE(is_report(text(IDC_EDITOR), cat_report()));
    EXPECT_EQ(read_file("мой.txt"), "мой документ");

    search("кот");   // over an unchanged report, without a question
    EXPECT_EQ(menu_state(IDM_SAVE_AS), 0u);
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    select_range(item(IDC_EDITOR), 0, 0);
    type_into_editor("!");
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR).substr(0, 1) == "!"; }));
    set_text(item(IDC_REPLACE_TEXT), "пёс");
    post_command(&program, IDC_REPLACE, BN_CLICKED);
    message_box(IDNO);
    EXPECT_EQ(message_box(IDYES).text, "Заменить 3 совпадения в 2 файлах?");
    finish_walk();
    EXPECT_EQ(tree.read("Документы/Вложенная/Заметки.txt"), "пёс Ёжика");
    EXPECT_EQ(text(IDC_EDITOR).substr(0, strlen(REPORT_HEADER)), REPORT_HEADER);
    EXPECT_EQ(close_program(&program), 0);   // an unchanged report: no question
    EXPECT_EQ(read_file("мой.txt"), "мой документ");
}

// Enter in the query field starts the search; in the replacement field it does nothing
// in folder mode, so that no key meant for a field rewrites files.
TEST_F(Folder, EnterStartsAFindButNeverAReplace) {
    start();
    check_the_box();
    set_text(item(IDC_FIND_TEXT), "кот");
    set_text(item(IDC_REPLACE_TEXT), "пёс");
    set_text(item(IDC_FOLDER), tree.root);
    set_text(item(IDC_MASK), "*ДОКУМЕНТЫ*.TXT");
    press_keys(&program, {VK_CONTROL, 'F'});
    press_keys(&program, {VK_TAB});
    press_keys(&program, {VK_TAB});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_REPLACE_TEXT; }));
    type_text(&program, "\n!");   // the field takes the "!" after the Enter is handled
    ASSERT_TRUE(wait_until([&] { return text(IDC_REPLACE_TEXT).back() == '!'; }));
    EXPECT_EQ(text(IDC_EDITOR), "");
    EXPECT_EQ(tree.read("Документы/Вложенная/Заметки.txt"), "кот Ёжика");
    press_keys(&program, {VK_CONTROL, 'F'});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND_TEXT; }));
    press_keys(&program, {VK_RETURN});
    ASSERT_TRUE(wait_until([&] { return !text(IDC_EDITOR).empty(); }));
    finish_walk();
    EXPECT_TRUE(is_report(text(IDC_EDITOR), cat_report()));
    EXPECT_EQ(tree.read("Документы/Вложенная/Заметки.txt"), "кот Ёжика");
}

TEST_F(Folder, AMissingFolderIsReported) {
    start();
    check_the_box();
    tree.remove("Прочее");
    set_text(item(IDC_FIND_TEXT), "кот");
    set_text(item(IDC_FOLDER), tree.path("Прочее"));
    send_command(&program, IDC_FIND, BN_CLICKED);
    finish_walk();
    EXPECT_EQ(text(IDC_EDITOR), std::string(REPORT_HEADER) + tree.path("Прочее") +
                                    " \tпапка не найдена, поиск не выполнен!\r\n");
}

// Replace checks each copy's full path against MAX_PATH before making it, and does not
// rewrite a file whose copy an earlier Replace left behind: its search counts neither, and
// with nothing else to rewrite it asks nothing and leaves the search's report.
TEST_F(Folder, CopiesPastThePathLimitAndLeftoverCopiesAreNotCounted) {
    const size_t suffix = strlen("$qor%tmp^rp$.tmp");
    std::vector<std::string> blocks;
    std::vector<std::string> files;
    for (size_t copy_length : {size_t(MAX_PATH - 2), size_t(MAX_PATH - 1), size_t(MAX_PATH)}) {
        TempTree* deep = new TempTree;   // one tree each: its folders make the length
        deeps.emplace_back(deep);
        std::string relative = deep->long_path(copy_length - suffix);
        deep->file(relative, "кот");
        std::string path = deep->path(relative);
        blocks.push_back(copy_length < MAX_PATH ? replaced(path, 0, "строка 1: ‹пёс›")
                                                : found(path, 0, "строка 1: ‹кот›"));
        files.push_back(path);
    }
    tree.file("Прочее/кот.txt$qor%tmp^rp$.tmp", "остаток");
    const std::string other = tree.path("Прочее/кот.txt");
    blocks.push_back(found(other, 0, "строка 1: ‹кот›"));
    start();
    check_the_box();
    for (size_t i = 0; i < files.size(); i++) {
        set_text(item(IDC_FIND_TEXT), "кот");
        set_text(item(IDC_REPLACE_TEXT), "пёс");
        set_text(item(IDC_FOLDER), deeps[i]->root);
        set_text(item(IDC_MASK), "*");
        send_command(&program, IDC_REPLACE, BN_CLICKED);
        if (i < 2) {
            EXPECT_EQ(message_box(IDYES).text, "Заменить 1 совпадение в 1 файле?");
        }
        finish_walk();
        EXPECT_EQ(text(IDC_EDITOR), REPORT_HEADER + blocks[i]) << i;
        EXPECT_EQ(deeps[i]->entries().back(), slashed(files[i].substr(deeps[i]->root.size() + 1)))
            << "no copy is left";
    }
    search("кот", "пёс", "*прочее*.txt", false);
    EXPECT_EQ(text(IDC_EDITOR), REPORT_HEADER + blocks[3]);
    EXPECT_FALSE(has_owned_dialog(&program));
    EXPECT_EQ(tree.read("Прочее/кот.txt"), "кот");
    EXPECT_EQ(tree.read("Прочее/кот.txt$qor%tmp^rp$.tmp"), "остаток");
}

// The report goes beyond the edit control's default limit of about 30,000 characters.
TEST_F(Folder, AReportLongerThanTheDefaultTextLimitIsWhole) {
    const int lines = 450;
    tree.file("Документы/Много.txt", lines_of(5 * lines, "кот\r\n"));
    start();
    check_the_box();
    search("кот", nullptr, "*много.txt");
    std::string expected;
    for (int line = 0; line < lines; line++)
        expected += found(tree.path("Документы/Много.txt"), 5 * line,
                          "строка " + std::to_string(line + 1) + ": ‹кот›");
    EXPECT_GT(expected.size(), 30000u);
    EXPECT_EQ(text(IDC_EDITOR).size(), expected.size() + strlen(REPORT_HEADER));
    EXPECT_TRUE(text(IDC_EDITOR) == REPORT_HEADER + expected);
}

// Wine's folder dialog has no edit box, so a folder is chosen in its tree view. The tree
// lies on C:, since Wine has been seen to ignore the starting folder on Z: (the Unix root).
TEST_F(Folder, TheFolderDialogOpensOnTheFieldAndGivesTheChosenFolder) {
    start();
    check_the_box();
    const std::string documents = tree.path("Документы");
    set_text(item(IDC_FOLDER), documents);
    auto browse = [&](int button, bool choose_child) {
        post_command(&program, IDC_BROWSE, BN_CLICKED);
        HWND dialog = wait_owned_dialog(&program);
        ASSERT_NE(dialog, nullptr);
        if (choose_child) {
            HWND view = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
            ASSERT_NE(view, nullptr);
            HTREEITEM selected = nullptr, child = nullptr;
            ASSERT_TRUE(wait_until([&] {
                selected = reinterpret_cast<HTREEITEM>(
                    SendMessageA(view, TVM_GETNEXTITEM, TVGN_CARET, 0));
                return selected != nullptr;
            }));
            SendMessageA(view, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(selected));
            child = reinterpret_cast<HTREEITEM>(
                SendMessageA(view, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(selected)));
            ASSERT_NE(child, nullptr);
            SendMessageA(view, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    };
    browse(IDCANCEL, false);
    EXPECT_EQ(text(IDC_FOLDER), documents);
    browse(IDOK, false);
    EXPECT_EQ(text(IDC_FOLDER), documents);
    browse(IDOK, true);   // its only sub-folder
    EXPECT_EQ(text(IDC_FOLDER), tree.path("Документы/Вложенная"));
    set_text(item(IDC_FIND_TEXT), "кот");
    send_command(&program, IDC_FIND, BN_CLICKED);
    finish_walk();
    EXPECT_EQ(text(IDC_EDITOR), REPORT_HEADER + found(notes_path, 0, "строка 1: ‹кот› Ёжика"));
}

// What a user does: edits and saves a letter, then replaces a word across the tree that
// holds it, all through the keyboard, saves the report, undoes in the editor and closes.
TEST_F(Folder, AUserSessionFromEditingToAReplaceAcrossTheTree) {
    const std::string letter = tree.path("Документы/Письмо.doc");
    start();
    press_keys(&program, {VK_CONTROL, 'O'});
    ASSERT_TRUE(answer_file_dialog(&program, letter));
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == "кот"; }));
    press_keys(&program, {VK_ESCAPE});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    press_keys(&program, {VK_END});
    type_text(&program, " и ещё кот\n");
    ASSERT_TRUE(wait_until([&] { return title() == std::string(TITLE) + "*"; }));
    press_keys(&program, {VK_CONTROL, 'S'});
    ASSERT_TRUE(wait_until([&] { return title() == TITLE; }));
    EXPECT_EQ(tree.read("Документы/Письмо.doc"), "кот и ещё кот\r\n");

    // Query, replacement, past the two options, the box (Space), the folder and the
    // mask, in tab order.
    press_keys(&program, {VK_CONTROL, 'F'});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND_TEXT; }));
    type_text(&program, "кот\t\tпёс\t\t\t\t");
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_IN_FOLDER; }));
    press_keys(&program, {VK_SPACE});
    ASSERT_TRUE(wait_until([&] { return IsWindowEnabled(item(IDC_FOLDER)); }));
    type_text(&program, "\t" + tree.path("Документы") + "\t\t");
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_MASK; }));
    press_keys(&program, {VK_CONTROL, 'A'});
    type_text(&program, "*.DOC");
    ASSERT_TRUE(wait_until([&] { return text(IDC_MASK) == "*.DOC"; }));
    EXPECT_EQ(text(IDC_FIND_TEXT), "кот");
    EXPECT_EQ(text(IDC_REPLACE_TEXT), "пёс");
    EXPECT_EQ(text(IDC_FOLDER), tree.path("Документы"));
    // Shift+Tab back to Replace, and Space presses it.
    press_keys(&program, {VK_SHIFT, VK_TAB});
    press_keys(&program, {VK_SHIFT, VK_TAB});
    press_keys(&program, {VK_SHIFT, VK_TAB});
    press_keys(&program, {VK_SHIFT, VK_TAB});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_REPLACE; }));
    press_keys(&program, {VK_SPACE});
    message_box(IDYES);
    const std::string report = REPORT_HEADER + replaced(letter, 0, "строка 1: ‹пёс› и ещё кот") +
                               replaced(letter, 10, "строка 1: кот и ещё ‹пёс›");
    finish_walk();
    ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == report; })) << text(IDC_EDITOR);
    EXPECT_EQ(tree.read("Документы/Письмо.doc"), "пёс и ещё пёс\r\n");
    EXPECT_EQ(tree.read("Документы/Отчёт.TXT"), "Кот и кот.\r\nкот!\r\n");

    // Save is greyed (Ctrl+S does nothing); Save As keeps the report.
    EXPECT_EQ(menu_state(IDM_SAVE), static_cast<UINT>(MF_GRAYED));
    press_keys(&program, {VK_CONTROL, VK_SHIFT, 'S'});
    ASSERT_TRUE(answer_file_dialog(&program, tree.path("отчёт о замене.txt")));
    ASSERT_TRUE(wait_until([&] { return title() == TITLE; }));
    EXPECT_EQ(tree.read("отчёт о замене.txt"), report);
    EXPECT_EQ(tree.read("Документы/Письмо.doc"), "пёс и ещё пёс\r\n");

    press_keys(&program, {VK_ESCAPE});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
    // The lines were appended one after another at the caret: one step for the undo,
    // which takes the whole report away and, pressed again, brings it back.
    press_keys(&program, {VK_CONTROL, 'Z'});
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR).empty(); })) << text(IDC_EDITOR);
    EXPECT_EQ(title(), std::string(TITLE) + "*");
    press_keys(&program, {VK_CONTROL, 'Z'});
    EXPECT_TRUE(wait_until([&] { return text(IDC_EDITOR) == report; })) << text(IDC_EDITOR);
    // Changed by the user, the report is the user's text: closing asks.
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(message_box(IDNO).text, SAVE_QUESTION);
    EXPECT_EQ(wait_exit(&program), 0);
    EXPECT_EQ(tree.read("отчёт о замене.txt"), report);
}

}  // namespace
