// UTF-8 and UTF-16 documents through the real program: opened, edited and saved back in
// their own encoding, with the encoding in the title.
#include "e2e_fixture.h"

#include <vector>

#include "report_order.h"
#include "temp_tree.h"

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

// The same phrase in a tree of files in every encoding: Find finds it in each (the lines
// of files that are not ANSI name their encoding), Replace writes each back in its own
// encoding and leaves the binary file as it was.
TEST_F(Encoding, AFolderOfFilesInEveryEncodingIsSearchedAndRewritten) {
    TempTree tree;
    // «ООО «Ромашка»» in Windows-1251, UTF-8 (with and without a mark) and UTF-16 LE and BE.
    const std::string ansi = "Договор с ООО «Ромашка».";
    const std::string phrase8 = "\xD0\x9E\xD0\x9E\xD0\x9E \xC2\xAB\xD0\xA0\xD0\xBE\xD0\xBC"
                                "\xD0\xB0\xD1\x88\xD0\xBA\xD0\xB0\xC2\xBB";
    const std::string replaced8 = "\xD0\x90\xD0\x9E \xC2\xAB\xD0\xA0\xD0\xBE\xD0\xBC"
                                  "\xD0\xB0\xD1\x88\xD0\xBA\xD0\xB0\xC2\xBB";
    auto utf16 = [](const std::string& utf8, bool big_endian) {
        std::string out;   // the two-byte characters of these words, from their UTF-8
        for (size_t i = 0; i < utf8.size();) {
            unsigned char byte = static_cast<unsigned char>(utf8[i]);
            unsigned unit = byte < 0x80 ? byte : ((byte & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            i += byte < 0x80 ? 1 : 2;
            char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            out += big_endian ? std::string{high, low} : std::string{low, high};
        }
        return out;
    };
    const std::string lead8 = "\xD0\x94\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x80 \xD1\x81 ";
    struct File {
        const char* name;
        std::string before, after;
        long long offset;
        const char* tag;
        const char* around;   // the text around the phrase, in Windows-1251: "<before>|<after>"
    };
    const File files[] = {
        {"a.txt", ansi, "Договор с АО «Ромашка».", 10, "", "Договор с |."},
        {"b.txt", lead8 + phrase8 + ".", lead8 + replaced8 + ".", 18, " [UTF-8]", "Договор с |."},
        {"c.txt", "\xEF\xBB\xBF" + phrase8, "\xEF\xBB\xBF" + replaced8, 3, " [UTF-8]", "|"},
        {"d.txt", "\xFF\xFE" + utf16(lead8 + phrase8, false),
         "\xFF\xFE" + utf16(lead8 + replaced8, false), 2 + 20, " [UTF-16 LE]", "Договор с |"},
        {"e.txt", utf16(lead8 + phrase8, true), utf16(lead8 + replaced8, true), 20, " [UTF-16 BE]",
         "Договор с |"},
    };
    const std::string binary = std::string("\x01\0", 2) + ansi;
    for (const File& file : files) tree.file(file.name, file.before);
    tree.file("f.bin", binary);
    start();
    SendMessageA(item(IDC_IN_FOLDER), BM_CLICK, 0, 0);
    for (const char* replacement : {static_cast<const char*>(nullptr), "АО «Ромашка»"}) {
        set_text(item(IDC_FIND_TEXT), "ООО «Ромашка»");
        if (replacement) set_text(item(IDC_REPLACE_TEXT), replacement);
        set_text(item(IDC_FOLDER), tree.root);
        set_text(item(IDC_MASK), "*");
        send_command(&program, replacement ? IDC_REPLACE : IDC_FIND, BN_CLICKED);
        // The binary file's hit is not counted: 5 in 5 files.
        if (replacement) {
            EXPECT_EQ(message_box(IDYES).text, "Заменить 5 совпадений в 5 файлах?");
        }
        finish_walk();
        // Each line shows the phrase (or what took its place) in Windows-1251.
        std::vector<std::string> blocks;
        for (const File& file : files) {
            std::string around = file.around;
            std::string before = around.substr(0, around.find('|')), after = around.substr(around.find('|') + 1);
            blocks.push_back(replacement
                                 ? replaced(tree.path(file.name), file.offset,
                                            "строка 1: " + before + "‹АО «Ромашка»›" + after, file.tag)
                                 : found(tree.path(file.name), file.offset,
                                         "строка 1: " + before + "‹ООО «Ромашка»›" + after, file.tag));
        }
        std::string bin = found(tree.path("f.bin"), 12, "строка 1: ··Договор с ‹ООО «Ромашка»›.");
        if (replacement) bin += tree.path("f.bin") + " \tдвоичный файл, не изменён\r\n";
        blocks.push_back(bin);
        EXPECT_TRUE(is_report(text(IDC_EDITOR), blocks)) << text(IDC_EDITOR);
    }
    for (const File& file : files) EXPECT_TRUE(tree.read(file.name) == file.after) << file.name;
    EXPECT_TRUE(tree.read("f.bin") == binary);
    EXPECT_EQ(close_program(&program), 0);
}

}  // namespace
