// UTF-8 and UTF-16 documents through the real program: opened, edited and saved back in
// their own encoding, with the encoding in the title.
#include "e2e_fixture.h"

namespace {

class Encoding : public EndToEnd {
protected:
    // Opens a file, types at the start of its text and saves it; the title must show
    // the tag throughout.
    void open_edit_save(const std::string& name, const std::string& tag,
                        const std::string& shown, const std::string& typed) {
        press_keys(&program, {VK_CONTROL, 'O'});
        ASSERT_TRUE(answer_file_dialog(&program, path(name)));
        ASSERT_TRUE(wait_until([&] { return text(IDC_EDITOR) == shown; })) << text(IDC_EDITOR);
        EXPECT_EQ(title(), TITLE + tag);
        press_keys(&program, {VK_ESCAPE});
        ASSERT_TRUE(wait_until([&] { return focused_control(&program) == IDC_EDITOR; }));
        select_range(item(IDC_EDITOR), 0, 0);
        type_text(&program, typed);
        ASSERT_TRUE(wait_until([&] { return title() == TITLE + tag + "*"; })) << title();
        press_keys(&program, {VK_CONTROL, 'S'});
        EXPECT_TRUE(wait_until([&] { return title() == TITLE + tag; })) << title();
    }
};

TEST_F(Encoding, Utf8AndUtf16DocumentsAreSavedBackInTheirOwnEncoding) {
    // "Привет, мир!" behind a UTF-8 mark; "Строка" in UTF-16 LE behind its mark.
    const std::string mark8 = "\xEF\xBB\xBF";
    const std::string utf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, "
                             "\xD0\xBC\xD0\xB8\xD1\x80!\r\n";
    const std::string mark16 = "\xFF\xFE";
    const std::string utf16("\x21\x04\x42\x04\x40\x04\x3E\x04\x3A\x04\x30\x04\r\0\n\0", 16);
    write_file("u8.txt", mark8 + utf8);
    write_file("u16.txt", mark16 + utf16);
    start();

    open_edit_save("u8.txt", " [UTF-8]", "Привет, мир!\r\n", "Ж");
    EXPECT_EQ(read_file("u8.txt"), mark8 + "\xD0\x96" + utf8);
    open_edit_save("u16.txt", " [UTF-16 LE]", "Строка\r\n", "Ж");
    EXPECT_EQ(read_file("u16.txt"), mark16 + std::string("\x16\x04", 2) + utf16);
    EXPECT_EQ(close_program(&program), 0);
}

}  // namespace
