// A folder Replace end to end: the question before any file changes, and the undo that
// gives back every file byte for byte, with the kept copies in the user's temporary
// folder gone afterwards.
#include "e2e_fixture.h"

#include "report_order.h"
#include "temp_tree.h"

namespace {

class Undo : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        tree.folder("Письма");
        tree.file("Письма/Запрос.txt", "Уважаемый кот!\r\nкот, кот.\r\n");
        tree.file("Письма/Копия.txt", std::string("кот\x02\x01\xFF\r\n", 8) + lines_of(300000, "мышь\r\n"));
        tree.file("Справка.txt", "кот");
        tree.file("Пусто.txt", "пёс");
        SetFileAttributesA(tree.path("Справка.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        before = snapshot();
        start();
        fill_folder_search("кот", "пёс", tree.root, "*.txt");
    }
    std::vector<std::string> snapshot() const {
        std::vector<std::string> all;
        for (const std::string& entry : tree.entries()) all.push_back(entry + "=" + tree.read(entry));
        return all;
    }
    // Whether the program has an undo folder in the temporary folder that Wine gives it.
    bool keeps() const {
        char temporary[MAX_PATH];
        GetTempPathA(sizeof temporary, temporary);
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((std::string(temporary) + "fuzzyreplace-undo\\*-" +
                                      std::to_string(program.process.dwProcessId)).c_str(),
                                     &entry);
        if (find == INVALID_HANDLE_VALUE) return false;
        FindClose(find);
        return true;
    }
    MessageBoxSeen replace(int answer) {
        send_command(&program, IDC_REPLACE, BN_CLICKED);
        MessageBoxSeen seen = message_box(answer);
        finish_walk();
        return seen;
    }

    TempTree tree;
    std::vector<std::string> before;
};

TEST_F(Undo, ReplaceThenUndoGivesBackEveryFileByteForByte) {
    MessageBoxSeen seen = replace(IDYES);
    EXPECT_EQ(seen.text, "Заменить 5 совпадений в 3 файлах?");
    EXPECT_EQ(seen.caption, "Подтверждение");
    EXPECT_EQ(seen.buttons, "&Да|&Нет|");
    EXPECT_EQ(tree.read("Письма/Запрос.txt"), "Уважаемый пёс!\r\nпёс, пёс.\r\n");
    EXPECT_EQ(tree.read("Справка.txt"), "пёс");
    EXPECT_EQ(menu_state(IDM_UNDO_REPLACE), 0u);
    EXPECT_TRUE(keeps());

    send_command(&program, IDM_UNDO_REPLACE);
    finish_walk();
    const std::string report = text(IDC_EDITOR);
    const std::string header = "Восстановлено из замены:\r\n";
    ASSERT_EQ(report.rfind(header, 0), 0u) << report;
    EXPECT_TRUE(is_report(REPORT_HEADER + report.substr(header.size()),
                          {tree.path("Письма/Запрос.txt") + " \tвосстановлен\r\n",
                           tree.path("Письма/Копия.txt") + " \tвосстановлен\r\n",
                           tree.path("Справка.txt") + " \tвосстановлен\r\n"}))
        << report;
    EXPECT_TRUE(snapshot() == before);
    // The archive bit says that a file changed, which it did.
    EXPECT_EQ(GetFileAttributesA(tree.path("Справка.txt").c_str()) & ~FILE_ATTRIBUTE_ARCHIVE,
              DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(menu_state(IDM_UNDO_REPLACE), static_cast<UINT>(MF_GRAYED));
    EXPECT_FALSE(keeps());
    EXPECT_EQ(close_program(&program), 0);
}

// Нет leaves every file and the search's report, which shows each change that was
// asked about; the kept copies of a Replace go with the window.
TEST_F(Undo, ReplaceAnsweredNoLeavesTheTreeAsItWas) {
    replace(IDNO);
    EXPECT_TRUE(snapshot() == before);
    EXPECT_EQ(text(IDC_EDITOR).rfind(REPORT_HEADER + found(tree.path("Письма/Запрос.txt"), 10,
                                                           "строка 1: Уважаемый ‹кот› на ‹пёс›!"),
                                     0),
              0u)
        << text(IDC_EDITOR);
    EXPECT_EQ(menu_state(IDM_UNDO_REPLACE), static_cast<UINT>(MF_GRAYED));
    EXPECT_FALSE(keeps());

    replace(IDYES);
    EXPECT_TRUE(keeps());
    EXPECT_EQ(close_program(&program), 0);
    EXPECT_FALSE(keeps());
}

}  // namespace
