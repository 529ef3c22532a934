// Find and Replace in the editor, on the real query engine.
#include "option_cases.h"
#include "window_fixture.h"

namespace {

class EditorFindTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(start(), INIT_DONE);
    }
    void find(const std::string& query) {
        set_text(IDC_FIND_TEXT, query);
        memory_window_click(&memory, IDC_FIND);
    }
    void replace(const std::string& query, const std::string& replacement) {
        set_text(IDC_FIND_TEXT, query);
        set_text(IDC_REPLACE_TEXT, replacement);
        memory_window_click(&memory, IDC_REPLACE);
    }
    using Range = std::pair<int32_t, int32_t>;
};

TEST_F(EditorFindTest, FindWalksThroughTheMatchesWithoutWrappingAround) {
    set_text(IDC_EDITOR, "one two one two one");
    find("one");
    EXPECT_EQ(selection(), Range(0, 3));
    find("one");
    EXPECT_EQ(selection(), Range(8, 11));
    find("one");
    EXPECT_EQ(selection(), Range(16, 19));
    EXPECT_TRUE(memory.messages.empty());
    EXPECT_GE(memory.caret_scrolls, 3);
    find("one");
    ASSERT_EQ(memory.messages.size(), 1u);
    EXPECT_EQ(last_message().text, NOT_FOUND);
    EXPECT_TRUE(last_message().default_caption);
    EXPECT_EQ(selection(), Range(16, 19));
    memory_window_select(&memory, 0, 0);
    find("one");
    EXPECT_EQ(selection(), Range(0, 3));
    EXPECT_EQ(memory.title, TITLE);   // finding changes nothing
}

TEST_F(EditorFindTest, OnlyTheEndOfTheSelectionCounts) {
    set_text(IDC_EDITOR, "abcabcabc");
    memory_window_select(&memory, 4, 1);   // selected backwards; the start lies inside
    find("abc");
    EXPECT_EQ(selection(), Range(6, 9));
}

TEST_F(EditorFindTest, WildcardsAndEscapesReachTheEngineAsTyped) {
    set_text(IDC_EDITOR, "key = value;\r\nnext");
    find("key*;");
    EXPECT_EQ(selection(), Range(0, 12));
    memory_window_select(&memory, 0, 0);
    find(";\\r\\nn");   // a line break is CR LF, named by both escapes
    EXPECT_EQ(selection(), Range(11, 15));
}

TEST_F(EditorFindTest, ALineBreakTypedInTheEditorIsCrLf) {
    memory.focus = IDC_EDITOR;
    memory_window_type(&memory, "ab\ncd");
    memory_window_select(&memory, 0, 0);
    find("b\\r\\nc");
    EXPECT_EQ(selection(), Range(1, 5));
}

TEST_F(EditorFindTest, NothingToSearchShowsTheMessage) {
    find("x");   // empty editor
    set_text(IDC_EDITOR, "text");
    find("");    // empty query
    memory_window_select(&memory, 4, 4);
    find("t");   // caret at the end
    ASSERT_EQ(memory.messages.size(), 3u);
    for (const MemoryMessage& message : memory.messages) {
        EXPECT_EQ(message.text, NOT_FOUND);
        EXPECT_TRUE(message.default_caption);
    }
    EXPECT_EQ(editor_text(&memory), "text");
}

TEST_F(EditorFindTest, ReplaceSelectsTheInsertedTextAndMarksTheDocument) {
    set_text(IDC_EDITOR, "cat dog cat");
    replace("cat", "mouse");
    EXPECT_EQ(editor_text(&memory), "mouse dog cat");
    EXPECT_EQ(selection(), Range(0, 5));
    // The change notification came back through the window logic during the replace.
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");
    EXPECT_TRUE(memory.save_as_enabled);
    replace("cat", "mouse");
    EXPECT_EQ(editor_text(&memory), "mouse dog mouse");
    EXPECT_EQ(selection(), Range(10, 15));
    replace("cat", "mouse");
    EXPECT_EQ(last_message().text, NOT_FOUND);
    EXPECT_EQ(editor_text(&memory), "mouse dog mouse");
}

TEST_F(EditorFindTest, ReplaceNeverMatchesInsideWhatItInserted) {
    set_text(IDC_EDITOR, "a-a");
    replace("a", "aa");
    EXPECT_EQ(selection(), Range(0, 2));
    replace("a", "aa");
    EXPECT_EQ(editor_text(&memory), "aa-aa");
    EXPECT_EQ(selection(), Range(3, 5));
    replace("a", "aa");
    EXPECT_EQ(last_message().text, NOT_FOUND);
}

TEST_F(EditorFindTest, EmptyReplacementDeletesTheMatch) {
    set_text(IDC_EDITOR, "xAy");
    replace("A", "");
    EXPECT_EQ(editor_text(&memory), "xy");
    EXPECT_EQ(selection(), Range(1, 1));
}

TEST_F(EditorFindTest, ReplacementPutsCapturesBackAndCanBeUndone) {
    set_text(IDC_EDITOR, "name=Иван;");
    replace("name=%v%;", "имя: %v%.");
    EXPECT_EQ(editor_text(&memory), "имя: Иван.");
    memory_window_undo(&memory);
    EXPECT_EQ(editor_text(&memory), "name=Иван;");
}

TEST_F(EditorFindTest, FindAndReplaceDifferOnAnUnusableCaptureName) {
    set_text(IDC_EDITOR, "a-b-c");
    find("a%x-y%c");   // no captures asked: the item acts as *
    EXPECT_EQ(selection(), Range(0, 5));
    memory_window_select(&memory, 0, 0);
    replace("a%x-y%c", "z");
    EXPECT_EQ(last_message().caption, "Ошибка");
    EXPECT_EQ(last_message().text,
              "В запросе имя «%x-y%» в позиции 2 недопустимо: в имени могут быть только "
              "латинские буквы и цифры.");
    EXPECT_EQ(editor_text(&memory), "a-b-c");
}

// A malformed query or replacement is named with its place, whatever the text (here one
// in which nothing would match), and the editor stays as it was.
TEST_F(EditorFindTest, AMalformedQueryOrReplacementIsToldNotTakenForNoMatch) {
    struct Case {
        const char* query;
        const char* replacement;   // null: Find
        const char* opening;       // how the message begins
    };
    std::string many;   // 256 parts
    for (int part = 0; part < 256; part++) many += "*a";
    const Case cases[] = {
        {"a%b", nullptr, "В запросе знак % в позиции 2 не закрыт"},
        {R"(ab\\\*)", nullptr, "В запросе обратная косая черта в позиции 5 "},
        {R"(x*\x4)", "y", R"(В запросе после \x в позиции 3 нет двух знаков)"},
        {"ok", R"(a\n%b c%)", "В тексте замены имя «%b c%» в позиции 4 недопустимо"},
        {many.c_str(), nullptr, "В запросе больше 255 частей"},
    };
    set_text(IDC_EDITOR, "text");
    memory_window_select(&memory, 1, 2);
    for (const Case& c : cases) {
        memory.messages.clear();
        if (c.replacement) replace(c.query, c.replacement);
        else find(c.query);
        ASSERT_EQ(memory.messages.size(), 1u) << c.query;
        EXPECT_EQ(last_message().caption, "Ошибка") << c.query;
        EXPECT_EQ(last_message().text.rfind(c.opening, 0), 0u) << last_message().text;
        EXPECT_EQ(editor_text(&memory), "text");
        EXPECT_EQ(selection(), Range(1, 2));
    }
}

// The two boxes as the user clicks them, read at each press; the search starts at the
// selection's end, and the character before it counts for whole word.
TEST_F(EditorFindTest, FindAndReplaceFollowTheOptionBoxes) {
    EXPECT_TRUE(memory_control(&memory, IDC_MATCH_CASE)->checked);
    EXPECT_FALSE(memory_control(&memory, IDC_WHOLE_WORD)->checked);
    for (const OptionCase& c : OPTION_CASES) {
        if (memory_control(&memory, IDC_MATCH_CASE)->checked != (c.match_case != 0))
            memory_window_click(&memory, IDC_MATCH_CASE);
        if (memory_control(&memory, IDC_WHOLE_WORD)->checked != (c.whole_word != 0))
            memory_window_click(&memory, IDC_WHOLE_WORD);
        set_text(IDC_EDITOR, c.text);
        memory_window_select(&memory, c.from, c.from);
        memory.messages.clear();
        find(c.query);
        if (c.offset < 0) {
            EXPECT_EQ(last_message().text, NOT_FOUND) << c.query << " in " << c.text;
            continue;
        }
        EXPECT_TRUE(memory.messages.empty()) << c.query << " in " << c.text;
        EXPECT_EQ(selection(), Range(c.offset, c.offset + c.length)) << c.query << " in " << c.text;
        if (!c.replacement_template) continue;
        memory_window_select(&memory, c.from, c.from);
        replace(c.query, c.replacement_template);
        EXPECT_EQ(editor_text(&memory), c.replaced);
    }
}

// Beyond the edit control's default limit of 30,000 characters nothing would be inserted.
TEST_F(EditorFindTest, ReplacementBeyondTheDefaultTextLimitIsInsertedWhole) {
    std::string text;
    while (text.size() < 29990) text += "строка текста для замены\r\n";
    set_text(IDC_EDITOR, text + "END");
    std::string long_text(200, 'x');
    replace("END", long_text);
    EXPECT_EQ(editor_text(&memory), text + long_text);
}

TEST_F(EditorFindTest, NoMemoryForTheTextsEndsWithAMessage) {
    set_text(IDC_EDITOR, "abc");
    set_text(IDC_FIND_TEXT, "b");
    for (int given = 0; given < 2; given++) {
        memory.messages.clear();
        fail_allocations_after(given);   // the query, then the editor's text
        memory_window_click(&memory, IDC_FIND);
        EXPECT_EQ(last_message().text, NO_MEMORY) << given;
        EXPECT_EQ(selection(), Range(0, 0));
    }
    fail_allocations_after(1);   // the replacement
    memory_window_click(&memory, IDC_REPLACE);
    EXPECT_EQ(last_message().text, NO_MEMORY);
    EXPECT_EQ(editor_text(&memory), "abc");
}

}  // namespace
