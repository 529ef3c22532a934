// Documents in UTF-8 and UTF-16: shown in the ANSI code page, written back byte for byte
// in their own encoding, named in the title.
#include "window_fixture.h"

namespace {

// "Привет мир €" in the editor's code page, and in each encoding with its mark, and "!".
constexpr char ANSI_TEXT[] = "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0 \x88";

struct EncodedFile {
    const char* tag;   // as the title shows it
    std::string mark;
    std::string text;
    std::string bang;
};

const EncodedFile FILES[] = {
    {" [UTF-8]", "\xEF\xBB\xBF",
     "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80 \xE2\x82\xAC", "!"},
    {" [UTF-16 LE]", "\xFF\xFE",
     std::string("\x1F\x04\x40\x04\x38\x04\x32\x04\x35\x04\x42\x04 \0\x3C\x04\x38\x04\x40\x04 \0\xAC\x20", 24),
     std::string("!\0", 2)},
    {" [UTF-16 BE]", "\xFE\xFF",
     std::string("\x04\x1F\x04\x40\x04\x38\x04\x32\x04\x35\x04\x42\0 \x04\x3C\x04\x38\x04\x40\0 \x20\xAC", 24),
     std::string("\0!", 2)},
};

class DocumentEncodingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(start(), INIT_DONE);
    }
    void type_at_start(const char* keys) {
        memory.focus = IDC_EDITOR;
        memory_window_select(&memory, 0, 0);
        memory_window_type(&memory, keys);
    }
};

TEST_F(DocumentEncodingTest, OpenAndSaveKeepTheEncodingAndTheMarkByteForByte) {
    for (const EncodedFile& file : FILES) {
        for (const std::string& mark : {file.mark, std::string()}) {
            SCOPED_TRACE(file.tag + std::string(mark.empty() ? " without mark" : " with mark"));
            // Enough text that the encoding shows without a mark too.
            std::string bytes = mark + file.text + file.text;
            std::string edited = mark + file.bang + file.text + file.text;
            write_file("a.txt", bytes);
            open("a.txt");
            EXPECT_EQ(editor_text(&memory), std::string(ANSI_TEXT) + ANSI_TEXT);
            EXPECT_EQ(memory.title, TITLE + std::string(file.tag));
            EXPECT_TRUE(memory.messages.empty());
            ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
            EXPECT_EQ(read_file("a.txt"), bytes);

            type_at_start("!");
            EXPECT_EQ(memory.title, TITLE + std::string(file.tag) + "*");
            ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
            EXPECT_EQ(read_file("a.txt"), edited);
            EXPECT_EQ(memory.title, TITLE + std::string(file.tag));
            answer_file("b.txt");
            ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
            EXPECT_EQ(read_file("b.txt"), edited);
        }
    }
}

TEST_F(DocumentEncodingTest, TheTagGoesWithAnAnsiFileOrAFolderSearch) {
    write_file("utf8.txt", FILES[0].mark + FILES[0].text);
    write_file("ansi.txt", ANSI_TEXT);
    write_file("binary.txt", std::string("\xEF\xBB\0", 3));
    open("utf8.txt");
    ASSERT_EQ(memory.title, TITLE + std::string(" [UTF-8]"));
    open("ansi.txt");
    EXPECT_EQ(memory.title, TITLE);
    EXPECT_EQ(editor_text(&memory), ANSI_TEXT);
    // A binary file is shown as it is, up to its zero byte, with no tag.
    open("binary.txt");
    EXPECT_EQ(memory.title, TITLE);
    EXPECT_EQ(editor_text(&memory), "\xEF\xBB");
    EXPECT_EQ(last_message().caption, "Внимание");

    open("utf8.txt");
    std::filesystem::create_directory(path("tree"));
    memory_window_click(&memory, IDC_IN_FOLDER);
    set_text(IDC_FOLDER, path("tree"));
    set_text(IDC_FIND_TEXT, "nothing here");
    memory_window_click(&memory, IDC_FIND);
    finish_walk();
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");   // the report's header marks it
    answer_file("report.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("report.txt"), editor_text(&memory));   // in ANSI
}

TEST_F(DocumentEncodingTest, CharactersWithoutAnAnsiFormWarnAndKeepTheFileFromBeingSaved) {
    // "é Ж 😀" in UTF-8 with a mark.
    const std::string bytes = "\xEF\xBB\xBF\xC3\xA9 \xD0\x96 \xF0\x9F\x98\x80";
    write_file("a.txt", "a");
    open("a.txt");
    write_file("wide.txt", bytes);
    open("wide.txt");
    EXPECT_EQ(editor_text(&memory), "? \xC6 ?");
    EXPECT_EQ(last_message().caption, "Внимание");
    EXPECT_NE(last_message().text.find("«?»"), std::string::npos);
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_TRUE(memory.save_as_enabled);
    EXPECT_EQ(memory.title, TITLE);
    type_at_start("!");
    command(IDM_SAVE);   // even sent anyway, it writes nothing
    EXPECT_EQ(read_file("wide.txt"), bytes);
    EXPECT_EQ(read_file("a.txt"), "a");
    answer_file("copy.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("copy.txt"), "!? \xC6 ?");
}

TEST_F(DocumentEncodingTest, NoMemoryForTheEncodedBytesLeavesTheFileAndTheMarker) {
    write_file("a.txt", FILES[1].mark + FILES[1].text);
    open("a.txt");
    type_at_start("!");
    fail_allocations_after(1);   // the editor's text, then nothing
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
    EXPECT_EQ(last_message().text, NO_MEMORY);
    EXPECT_EQ(read_file("a.txt"), FILES[1].mark + FILES[1].text);
    EXPECT_EQ(memory.title, TITLE + std::string(" [UTF-16 LE]*"));
}

}  // namespace
