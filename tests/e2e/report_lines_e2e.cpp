// Each hit line of a folder report as the program writes it: the hit's line number and
// its text around the match, cut where the line is long, with line breaks, TABs and
// other control characters shown so that the report line stays one line; and, before a
// Replace asks, the change that it would make at each hit.
#include "e2e_fixture.h"

#include <vector>

#include "report_order.h"
#include "temp_tree.h"

namespace {

class ReportLines : public EndToEnd {
protected:
    // Makes the file and gives its line of the report, the hit being where `at` is.
    std::string file_with_hit(const std::string& name, const std::string& bytes,
                              const std::string& at, const std::string& line) {
        tree.file(name, bytes);
        return found(tree.path(name), static_cast<long long>(bytes.find(at)), line);
    }

    TempTree tree;
};

TEST_F(ReportLines, EachHitLineShowsItsLineAndTheTextAroundTheMatch) {
    const std::string b50 = lines_of(50, "б"), v50 = lines_of(50, "в");
    const std::string b40 = b50.substr(10), v40 = v50.substr(10);
    const std::vector<std::string> blocks = {
        file_with_hit("a.txt", "Договор поставки\r\nПоставщик кот и ёж, обязуется", "кот",
                      "строка 2: Поставщик ‹кот и ёж›, обязуется"),
        file_with_hit("b.txt", "начало\r\n" + b50 + "кот ёж" + v50 + "\r\nконец", "кот",
                      "строка 2: …" + b40 + "‹кот ёж›" + v40 + "…"),
        file_with_hit("c.txt", "раз\r\nкот\r\nёж!", "кот", "строка 2: ‹кот¶ёж›!"),
        file_with_hit("d.txt", "a\tкот\x01ёж\tb", "кот", "строка 1: a ‹кот·ёж› b"),
        file_with_hit("e.txt", "раз\nдва\nкот ёж", "кот", "строка 3: ‹кот ёж›"),
        file_with_hit("f.txt", "раз\rдва\rкот ёж", "кот", "строка 3: ‹кот ёж›"),
    };
    start();
    fill_folder_search("кот*ёж", nullptr, tree.root, "*.txt");
    send_command(&program, IDC_FIND, BN_CLICKED);
    finish_walk();
    EXPECT_TRUE(is_report(text(IDC_EDITOR), blocks)) << text(IDC_EDITOR);
    EXPECT_EQ(close_program(&program), 0);
}

// The question comes after a report that shows each change; files that the Replace would
// leave as they are (here a read-only one) show their hits as found.
TEST_F(ReportLines, AReplaceShowsEachChangeBeforeItAsks) {
    tree.file("a.txt", "кот и кот\r\nещё кот");
    tree.file("b.txt", "один кот");
    SetFileAttributesA(tree.path("b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string a = tree.path("a.txt"), b = tree.path("b.txt");
    start();
    fill_folder_search("кот", "пёс", tree.root, "*.txt");
    post_command(&program, IDC_REPLACE, BN_CLICKED);
    HWND box = wait_owned_dialog(&program);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(is_report(text(IDC_EDITOR), {found(a, 0, "строка 1: ‹кот› на ‹пёс› и кот") +
                                                 found(a, 6, "строка 1: кот и ‹кот› на ‹пёс›") +
                                                 found(a, 15, "строка 2: ещё ‹кот› на ‹пёс›"),
                                             found(b, 5, "строка 1: один ‹кот›")}))
        << text(IDC_EDITOR);
    MessageBoxSeen seen;
    ASSERT_TRUE(answer_box(box, IDYES, &seen));
    EXPECT_EQ(seen.text, "Заменить 3 совпадения в 1 файле?");
    finish_walk();
    EXPECT_EQ(tree.read("a.txt"), "пёс и пёс\r\nещё пёс");
    SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(close_program(&program), 0);
}

}  // namespace
