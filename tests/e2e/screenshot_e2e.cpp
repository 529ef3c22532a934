// A picture of the running window for the README (docs/window.png).
#include "e2e_fixture.h"

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
    EXPECT_TRUE(take_screenshot(&program));
    EXPECT_EQ(close_program(&program), 0);
}

}  // namespace
