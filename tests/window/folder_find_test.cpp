// Folder mode from the window: the check box, the folder dialog, and Find and Replace
// over a real temporary tree with the report in the editor.
#include "folder_fixture.h"
#include "handlers.h"
#include "query.h"
#include "report_order.h"
#include "search_helpers.h"
#include "window_alloc.h"

namespace {

constexpr char BAD_QUERY[] = "Недопустимый поисковый запрос!,\r\nнельзя *,?,% в начале строки!";
constexpr int FOLDER_CONTROLS[] = {IDC_FOLDER, IDC_BROWSE, IDC_MASK, IDC_MASK_LABEL};

class FolderFindTest : public FolderTest {
protected:
    void document_saved_and_clean() {
        set_text(IDC_EDITOR, "document");
        memory.save_enabled = memory.save_as_enabled = true;
    }
};

TEST_F(FolderFindTest, FolderControlsFollowTheBoxAndKeepTheirTexts) {
    set_text(IDC_FOLDER, "C:\\texts");
    set_text(IDC_MASK, "*.txt");
    for (bool checked : {false, true, false, true}) {
        memory_window_click(&memory, IDC_IN_FOLDER);
        ASSERT_EQ(memory_control(&memory, IDC_IN_FOLDER)->checked, checked);
        for (int id : FOLDER_CONTROLS) EXPECT_EQ(memory_control(&memory, id)->enabled, checked) << id;
        EXPECT_EQ(text(IDC_FOLDER), "C:\\texts");
        EXPECT_EQ(text(IDC_MASK), "*.txt");
        EXPECT_EQ(text(IDC_MASK_LABEL), "файлах:");
    }
}

// A query opening with a wildcard, or a query or mask that the engine cannot use, is
// refused before anything changes: no question about the marked text, which stays with
// the menu, no walk. A mask's fault is placed in the whole field.
TEST_F(FolderFindTest, ARefusedQueryLeavesEditorMenuAndFilesAsTheyWere) {
    struct Case {
        const char* query;
        const char* replacement;   // null: Find
        const char* message;       // how it begins
        const char* mask = "*.TXT";
    };
    const Case cases[] = {
        {"*кот", nullptr, BAD_QUERY}, {"?кот", "пёс", BAD_QUERY}, {"%x%кот", nullptr, BAD_QUERY},
        {R"(*к\)", nullptr, BAD_QUERY},   // the wildcard is named first
        {"кот%x", nullptr, "В запросе знак % в позиции 4 не закрыт"},
        {"кот", R"(пёс\x4)", R"(В тексте замены после \x в позиции 4 )"},
        {"кот", "пёс", "В маске «*50%» знак % в позиции 10 не закрыт", "*.txt;*50%"},
        {"кот", nullptr, "Маска «!» в позиции 8 ничего не исключает", "*.txt; ! ;*.csv"},
        {"кот", nullptr, R"(В маске «!*\;\» обратная косая черта в позиции 11 )", R"(*.txt;!*\;\)"},
    };
    memory.save_enabled = false;
    memory.save_as_enabled = true;
    memory.focus = IDC_EDITOR;
    memory_window_type(&memory, "мой текст");
    for (const Case& c : cases) {
        memory.messages.clear();
        EXPECT_EQ(search(c.query, c.replacement, c.mask), "мой текст") << c.query;
        ASSERT_EQ(memory.messages.size(), 1u) << c.query;
        EXPECT_EQ(last_message().text.rfind(c.message, 0), 0u) << last_message().text;
        EXPECT_EQ(last_message().caption, "Ошибка");
        EXPECT_FALSE(memory.save_enabled);
        EXPECT_TRUE(memory.save_as_enabled);
        EXPECT_EQ(memory.title, std::string(TITLE) + "*");
        EXPECT_TRUE(memory.questions.empty());
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(FolderFindTest, UncheckedBoxLeavesFindAndReplaceToTheEditor) {
    search("кот");
    memory_window_click(&memory, IDC_IN_FOLDER);
    set_text(IDC_EDITOR, "кот");
    search("кот", "пёс");
    EXPECT_EQ(editor_text(&memory), "пёс");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(FolderFindTest, LiteralPrefixEndsAtTheFirstWildcardOrBackslash) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"abc*def", 3}, {"ab\\*c", 2}, {"abc", 3}, {"\\*abc", 0}, {"", 0}, {"a?b%c%", 1},
    };
    for (const auto& [query, length] : cases) EXPECT_EQ(literal_prefix_length(query), length) << query;
}

TEST_F(FolderFindTest, QueriesWithoutALiteralPrefixPassTheCheck) {
    tree.file("star.txt", "a *кот");
    EXPECT_TRUE(is_report(search("\\*кот", nullptr, "*.txt"), {found(tree.path("star.txt"), 2, "строка 1: a ‹*кот›")}));
    EXPECT_EQ(search(""), REPORT_HEADER);
    EXPECT_TRUE(memory.messages.empty());
}

// The header is appended as an edit: it marks a clean document and enables Save As, so
// that the report can be saved; Save stays greyed until the next Open.
TEST_F(FolderFindTest, HeaderMarksACleanDocumentAndEnablesSaveAs) {
    document_saved_and_clean();
    search("кот");
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");
    EXPECT_TRUE(memory.save_as_enabled);
    EXPECT_FALSE(memory.save_enabled);
    memory.file_answers.push_back({true, path("report.txt")});
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("report.txt"), editor_text(&memory));
    EXPECT_EQ(memory.title, TITLE);
    // The lines follow one another at the caret: one step for the editor's undo.
    memory_window_undo(&memory);
    EXPECT_EQ(editor_text(&memory), "");
    memory_window_undo(&memory);
    EXPECT_EQ(editor_text(&memory), read_file("report.txt"));
}

// A second search replaces a report that is still marked: Save As stays enabled for it.
TEST_F(FolderFindTest, EveryReportCanBeSavedWithSaveAs) {
    for (int search_count = 1; search_count <= 2; search_count++) {
        search("кот");
        EXPECT_TRUE(memory.save_as_enabled) << search_count;
        EXPECT_FALSE(memory.save_enabled) << search_count;
    }
    EXPECT_TRUE(memory.questions.empty());
    memory.file_answers.push_back({true, path("report.txt")});
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("report.txt"), editor_text(&memory));
}

TEST_F(FolderFindTest, FindReportsEveryHitWithAMaskInCapitalsAndChangesNoFile) {
    const std::string a = tree.path("a.TXT"), b = tree.path("sub/b.txt");
    EXPECT_TRUE(is_report(search("кот"), {found(a, 0, "строка 1: ‹кот› и кот") +
                                              found(a, 6, "строка 1: кот и ‹кот›"),
                                          found(b, 5, "строка 1: один ‹кот›")}))
        << editor_text(&memory);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(text(IDC_MASK), "*.TXT");   // lower-cased in a copy
}

TEST_F(FolderFindTest, ReplaceRewritesTheMatchingFilesAndReportsEachHit) {
    const std::string a = tree.path("a.TXT"), b = tree.path("sub/b.txt");
    EXPECT_TRUE(is_report(search("кот", "котёнок"),
                          {replaced(a, 0, "строка 1: ‹котёнок› и кот") +
                               replaced(a, 6, "строка 1: кот и ‹котёнок›"),
                           replaced(b, 5, "строка 1: один ‹котёнок›")}))
        << editor_text(&memory);
    EXPECT_EQ(tree.read("a.TXT"), "котёнок и котёнок");
    EXPECT_EQ(tree.read("sub/b.txt"), "один котёнок");
    EXPECT_EQ(tree.read("c.log"), "кот");
    EXPECT_EQ(tree.read("sub/d.txt.bak"), "кот");
    EXPECT_EQ(tree.entries(), sorted({"a.TXT", "c.log", "sub", "sub/b.txt", "sub/d.txt.bak"}));
}

// The two boxes as they stand at the press hold for the search that counts, its question,
// and the Replace that follows: «кот» with its capitals, as a word, and not in «котик».
TEST_F(FolderFindTest, TheOptionBoxesHoldForTheCountItsQuestionAndTheReplace) {
    tree.file("e.txt", "Кот, котик и КОТ");
    const std::string a = tree.path("a.TXT"), b = tree.path("sub/b.txt"), e = tree.path("e.txt");
    memory_window_click(&memory, IDC_MATCH_CASE);
    memory_window_click(&memory, IDC_WHOLE_WORD);
    EXPECT_TRUE(is_report(without_lines(search("кот", nullptr, "*.txt")),
                          {found(a, 0) + found(a, 6), found(b, 5), found(e, 0) + found(e, 13)}))
        << editor_text(&memory);
    EXPECT_TRUE(is_report(without_lines(search("кот", "пёс", "*.txt", {ANSWER_NO})),
                          {found(a, 0) + found(a, 6), found(b, 5), found(e, 0) + found(e, 13)}));
    ASSERT_EQ(memory.questions.size(), 1u);
    EXPECT_EQ(memory.questions[0].text, "Заменить 5 совпадений в 3 файлах?");
    search("кот", "пёс", "*.txt");
    EXPECT_EQ(memory.questions.back().text, "Заменить 5 совпадений в 3 файлах?");
    EXPECT_EQ(tree.read("e.txt"), "пёс, котик и пёс");
    EXPECT_EQ(tree.read("a.TXT"), "пёс и пёс");
    // Match case alone finds no word «кот» there, and asks nothing; neither box finds
    // three, one inside «котик».
    tree.file("e.txt", "Кот, котик и КОТ");
    memory_window_click(&memory, IDC_MATCH_CASE);
    search("кот", "пёс", "*e.txt", {});
    EXPECT_EQ(memory.questions.size(), 2u);
    memory_window_click(&memory, IDC_MATCH_CASE);
    memory_window_click(&memory, IDC_WHOLE_WORD);
    search("кот", "пёс", "*e.txt", {ANSWER_NO});
    EXPECT_EQ(memory.questions.back().text, "Заменить 3 совпадения в 1 файле?");
    EXPECT_EQ(tree.read("e.txt"), "Кот, котик и КОТ");
}

// The folder text is used whole, however long: a text cut to a path buffer would name
// another folder. Natively the walk takes long paths; Windows refuses them, and the
// report says so.
TEST_F(FolderFindTest, FolderTextLongerThanAPathBufferIsUsedWhole) {
    std::string folder = tree.root;
    while (folder.size() < 300) folder += std::string(1, SEP) + ".";
    set_text(IDC_FIND_TEXT, "кот");
    set_text(IDC_FOLDER, folder + SEP + "sub");
    set_text(IDC_MASK, "*.txt");
    memory_window_click(&memory, IDC_FIND);
    finish_walk();
#ifdef _WIN32
    EXPECT_EQ(editor_text(&memory), std::string(REPORT_HEADER) + folder + SEP +
                                        "sub \tпропущены файлы и папки со слишком длинным путём!\r\n");
#else
    EXPECT_EQ(editor_text(&memory),
              std::string(REPORT_HEADER) +
                  found(folder + SEP + "sub" + SEP + "b.txt", 5, "строка 1: один ‹кот›"));
#endif
}

TEST_F(FolderFindTest, AFolderThatDoesNotExistIsReported) {
    tree.remove("sub");
    set_text(IDC_FIND_TEXT, "кот");
    set_text(IDC_FOLDER, tree.path("sub"));
    memory_window_click(&memory, IDC_FIND);
    finish_walk();
    EXPECT_EQ(editor_text(&memory), std::string(REPORT_HEADER) + tree.path("sub") +
                                        " \tпапка не найдена, поиск не выполнен!\r\n");
}

TEST_F(FolderFindTest, NoMemoryForTheTextsEndsWithAMessageAndNoWalk) {
    // The query, the replacement, the mask, the folder, the walk pattern.
    for (int given = 0; given < 5; given++) {
        set_text(IDC_EDITOR, "document");
        memory.messages.clear();
        fail_allocations_after(given);
        search("кот", "пёс");
        set_window_allocator(nullptr);
        EXPECT_EQ(last_message().text, NO_MEMORY) << given;
        EXPECT_EQ(editor_text(&memory), "document") << given;
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(FolderFindTest, BrowseStartsAtTheFieldAndTakesOnlyAChosenFolder) {
    set_text(IDC_FOLDER, "C:\\old");
    memory.folder_answers = {{false, ""}, {true, "C:\\Документы"}};
    EXPECT_EQ(command(IDC_BROWSE, NOTIFY_CLICKED), COMMAND_DEFAULT);
    EXPECT_EQ(text(IDC_FOLDER), "C:\\old");
    memory_window_click(&memory, IDC_BROWSE);
    EXPECT_EQ(text(IDC_FOLDER), "C:\\Документы");
    ASSERT_EQ(memory.dialog_calls.size(), 2u);
    EXPECT_EQ(memory.dialog_calls[0].initial_path, "C:\\old");
    EXPECT_EQ(memory.dialog_calls[0].kind, -1);
}

}  // namespace
