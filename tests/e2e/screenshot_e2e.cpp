// Pictures of the running window for the README (docs/window.png, docs/folder-report.png).
#include "e2e_fixture.h"
#include "temp_tree.h"

namespace {

using Screenshot = EndToEnd;

TEST_F(Screenshot, OfTheWindowWithAFoundMatch) {
    write_file("readme.txt",
               "Поиск и замена по нечётким формулировкам.\r\n\r\n"
               "Запрос состоит из текста, звёздочек * (любые символы), вопросительных\r\n"
               "знаков ? (один символ и затем любые) и имён %имя%, которые запоминают\r\n"
               "найденное и могут войти в текст замены.\r\n\r\n"
               "Кнопка «Найти» выделяет следующее совпадение после выделения,\r\n"
               "кнопка «Заменить» заменяет его и выделяет вставленный текст.\r\n");
    start();
    set_text(item(IDC_FIND_TEXT), "звёздочек * (");
    set_text(item(IDC_REPLACE_TEXT), "знаков * (");
    send_command(&program, IDC_FIND, BN_CLICKED);
    ASSERT_NE(editor_selection().first, editor_selection().second);
    // The focus on the button: no blinking caret in the picture.
    press_keys(&program, {VK_CONTROL, 'F'});
    press_keys(&program, {VK_TAB});
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND; }));
    EXPECT_TRUE(take_screenshot(&program, "window.png"));
    EXPECT_EQ(close_program(&program), 0);
}

TEST_F(Screenshot, OfAFolderReport) {
    TempTree tree;
    tree.remove("");
    tree.root = "C:\\Документы";   // the same short name in every run, for the picture
    tree.folder("");
    for (const char* folder : {"Договоры", "Договоры/2023", "Письма"}) tree.folder(folder);
    const std::string contract =
        "Договор поставки\r\n\r\nПоставщик: ООО «Ромашка», в лице директора...\r\n"
        "Покупатель обязуется оплатить товар ООО «Ромашка» в течение 10 дней.\r\n";
    tree.file("Договоры/Поставка.TXT", contract);
    tree.file("Договоры/2023/Аренда.txt", "Арендодатель: ООО «Ромашка»\r\n");
    tree.file("Письма/Запрос.txt", "Уважаемые коллеги из ООО «Ромашка»!\r\n");
    tree.file("Письма/Скан.pdf", "ООО «Ромашка»");
    start();
    fill_folder_search("ООО «Ромашка»", "АО «Ромашка»", tree.root, "*.TXT");
    send_command(&program, IDC_REPLACE, BN_CLICKED);
    message_box(IDYES);
    finish_walk();
    ASSERT_EQ(tree.read("Письма/Запрос.txt"), "Уважаемые коллеги из АО «Ромашка»!\r\n");
    press_keys(&program, {VK_CONTROL, 'F'});
    press_keys(&program, {VK_TAB});   // to the Find button: no caret in the picture
    ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_FIND; }));
    EXPECT_TRUE(take_screenshot(&program, "folder-report.png"));
    EXPECT_EQ(close_program(&program), 0);
}

}  // namespace
