// Open, Save, Save As, the modified marker and the states of the menu commands.
#include "folder_platform.h"
#include "temp_tree.h"
#include "window_fixture.h"

#include <string.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace {

constexpr char TOO_LARGE[] =
    "Программа не умеет открывать файлы > 16Мб!\r\n"
    "Это ограничение не распространяется на поиск и замену в файлах";

class DocumentTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(start(), INIT_DONE);
    }
    // Typing in the editor, as the user does.
    void type(const char* keys) {
        memory.focus = IDC_EDITOR;
        memory_window_type(&memory, keys);
    }
    std::string marked_title() const { return std::string(TITLE) + "*"; }
};

std::string lines_of(size_t size) {
    std::string text;
    while (text.size() < size) text += "Строка документа, в которой есть текст.\r\n";
    text.resize(size);
    return text;
}

TEST_F(DocumentTest, OpenLoadsAFileOfExactlyTheLimit) {
    const std::string bytes = lines_of(16 << 20);
    write_file("a.txt", bytes);
    open("a.txt");
    finish_load();
    EXPECT_TRUE(editor_text(&memory) == bytes);
    EXPECT_EQ(std::string(state.current_path), path("a.txt"));
    EXPECT_TRUE(memory.save_enabled);
    EXPECT_TRUE(memory.save_as_enabled);
    EXPECT_EQ(memory.title, TITLE);
    EXPECT_TRUE(memory.messages.empty());
    ASSERT_EQ(memory.dialog_calls.size(), 1u);
    EXPECT_EQ(memory.dialog_calls[0].kind, FILE_DIALOG_OPEN);
}

TEST_F(DocumentTest, OpenRefusesAByteMoreAndKeepsEverything) {
    write_file("big.txt", lines_of((16 << 20) + 1));
    set_text(IDC_EDITOR, "kept");
    open("big.txt");
    EXPECT_EQ(last_message().text, TOO_LARGE);
    EXPECT_EQ(last_message().caption, "Ограничение");
    EXPECT_EQ(editor_text(&memory), "kept");
    EXPECT_STREQ(state.current_path, "");
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_FALSE(memory.save_as_enabled);
}

TEST_F(DocumentTest, CancelledOrUnreadableOpenChangesNothing) {
    set_text(IDC_EDITOR, "kept");
    memory.file_answers.push_back({false, ""});
    ASSERT_TRUE(memory_window_command(&memory, IDM_OPEN));
    open("missing.txt");
    EXPECT_EQ(editor_text(&memory), "kept");
    EXPECT_STREQ(state.current_path, "");
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_TRUE(memory.messages.empty());
}

TEST_F(DocumentTest, TheFileDialogStartsWithThePathLastChosen) {
    write_file("a.txt", "a");
    open("a.txt");
    memory.file_answers.push_back({false, ""});
    memory_window_command(&memory, IDM_SAVE_AS);
    ASSERT_EQ(memory.dialog_calls.size(), 2u);
    EXPECT_EQ(memory.dialog_calls[0].initial_path, "");
    EXPECT_EQ(memory.dialog_calls[1].kind, FILE_DIALOG_SAVE_AS);
    EXPECT_EQ(memory.dialog_calls[1].initial_path, path("a.txt"));
}

TEST_F(DocumentTest, OpenThenSaveWritesTheBytesBackUnchanged) {
    const std::string bytes = "Первая строка\r\nsecond\nthird\rend \x98\xFF";
    write_file("a.txt", bytes);
    open("a.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
    EXPECT_EQ(read_file("a.txt"), bytes);
    EXPECT_EQ(files(), std::vector<std::string>{"a.txt"});
}

TEST_F(DocumentTest, SavedFilesHoldExactlyTheEditorsText) {
    answer_file("empty.txt");
    type("x");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("empty.txt"), "x");
    set_text(IDC_EDITOR, "");
    answer_file("empty.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_TRUE(exists("empty.txt"));
    EXPECT_EQ(read_file("empty.txt"), "");
    set_text(IDC_EDITOR, "abc");
    answer_file("abc.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("abc.txt"), "abc");
}

TEST_F(DocumentTest, TypingMarksTheTitleOnceAndEnablesOnlySaveAs) {
    type("a");
    EXPECT_EQ(memory.title, marked_title());
    EXPECT_EQ(state.modified, 1);
    EXPECT_TRUE(memory.save_as_enabled);
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_FALSE(memory_window_command(&memory, IDM_SAVE));   // Ctrl+S does nothing
    type("b\n");
    EXPECT_EQ(memory.title, marked_title());
    EXPECT_EQ(editor_text(&memory), "ab\r\n");
    answer_file("out.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("out.txt"), "ab\r\n");
    EXPECT_EQ(memory.title, TITLE);
    EXPECT_EQ(state.modified, 0);
    EXPECT_FALSE(memory.save_enabled);   // Save As leaves Save as it was
}

TEST_F(DocumentTest, SaveAfterSaveAsStillWritesTheOpenedFile) {
    write_file("a.txt", "original");
    open("a.txt");
    answer_file("b.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    type("edited ");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
    EXPECT_EQ(read_file("a.txt"), "edited original");
    EXPECT_EQ(read_file("b.txt"), "original");
    EXPECT_STREQ(state.current_path, path("a.txt").c_str());
}

// The marker goes behind the title that the window started with, whatever that ends in.
TEST_F(DocumentTest, SaveRemovesOnlyTheMarker) {
    memory.title = "a*";
    ASSERT_EQ(start(), INIT_DONE);
    type("t");
    EXPECT_EQ(memory.title, "a**");
    answer_file("t.txt");
    command(IDM_SAVE_AS);
    EXPECT_EQ(read_file("t.txt"), "t");
    EXPECT_EQ(memory.title, "a*");
}

// A save that fails must say so and leave the old file whole, never a cut-off mix.
TEST_F(DocumentTest, FailedSaveIsReportedAndKeepsTheFileAndTheMarker) {
    write_file("a.txt", "old bytes");
    open("a.txt");
    std::filesystem::permissions(path("a.txt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    type("new ");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
    EXPECT_EQ(last_message().caption, "Ошибка");
    EXPECT_NE(last_message().text.find(path("a.txt")), std::string::npos);
    EXPECT_EQ(read_file("a.txt"), "old bytes");
    EXPECT_EQ(memory.title, marked_title());
    EXPECT_EQ(state.modified, 1);
    EXPECT_EQ(files(), std::vector<std::string>{"a.txt"});
}

// Save writes its copy under a name of its own: a file that happens to bear the first
// name tried is left as it was.
TEST_F(DocumentTest, SaveNeverOverwritesAnotherFile) {
    write_file("a.txt", "old");
    write_file("a.txt.fr$save", "someone's");
    open("a.txt");
    type("new ");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
    EXPECT_EQ(read_file("a.txt"), "new old");
    EXPECT_EQ(read_file("a.txt.fr$save"), "someone's");
    EXPECT_EQ(files(), std::vector<std::string>({"a.txt", "a.txt.fr$save"}));
}

// A document whose copy's path would pass the platform's limit is refused before any
// copy is made. (Natively the dialog's buffer is shorter than the longest path.)
TEST_F(DocumentTest, SaveToAPathTooLongForItsCopyIsRefused) {
    if (PATH_LIMIT > PATH_SIZE) GTEST_SKIP() << "paths longer than the dialog's buffer";
    TempTree tree;
    type("text");
    for (size_t copy_length : {size_t(PATH_LIMIT - 1), size_t(PATH_LIMIT)}) {
        std::string relative = tree.long_path(copy_length - strlen(".fr$save"));
        memory.messages.clear();
        memory.file_answers.push_back({true, tree.path(relative)});
        ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
        bool fits = copy_length < PATH_LIMIT;
        EXPECT_EQ(tree.read(relative), fits ? "text" : "<missing>") << copy_length;
        EXPECT_EQ(memory.messages.empty(), fits);
        EXPECT_EQ(last_message().text.find("слишком длинный путь") != std::string::npos, !fits);
        EXPECT_EQ(tree.entries().size(), fits ? 2u : 1u) << "no copy is left";
        tree.remove(relative);
    }
}

TEST_F(DocumentTest, FailedSaveAsIsReportedAndLeavesNoCopyBehind) {
    type("text");
    answer_file("no such folder/b.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(last_message().caption, "Ошибка");
    EXPECT_EQ(memory.title, marked_title());
    // A copy written in full that cannot take the target's place is removed again.
    std::filesystem::create_directory(path("folder"));
    answer_file("folder");
    memory.messages.clear();
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(last_message().caption, "Ошибка");
    EXPECT_TRUE(std::filesystem::is_directory(path("folder")));
    EXPECT_EQ(files(), std::vector<std::string>{"folder"});
    EXPECT_EQ(state.modified, 1);
}

#ifndef _WIN32
// A write that stops short (here: the file size limit of the process) leaves the old
// file whole and no copy behind.
TEST_F(DocumentTest, ShortWriteIsReportedAndKeepsTheOldFile) {
    write_file("a.txt", "old bytes");
    open("a.txt");
    set_text(IDC_EDITOR, std::string(5000, 'n'));
    type("x");
    struct rlimit limit, previous;
    getrlimit(RLIMIT_FSIZE, &previous);
    limit = previous;
    limit.rlim_cur = 1000;
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    memory_window_command(&memory, IDM_SAVE);
    setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(last_message().caption, "Ошибка");
    EXPECT_EQ(read_file("a.txt"), "old bytes");
    EXPECT_EQ(files(), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(state.modified, 1);
}
#endif

TEST_F(DocumentTest, OpeningAFileWithAZeroByteWarnsAndKeepsSaveGreyed) {
    write_file("a.txt", "a");
    open("a.txt");
    ASSERT_TRUE(memory.save_enabled);
    write_file("zero.txt", std::string("shown\0hidden", 12));
    open("zero.txt");
    EXPECT_EQ(editor_text(&memory), "shown");
    EXPECT_EQ(last_message().caption, "Внимание");
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_TRUE(memory.save_as_enabled);
    // Nothing writes the shortened text over the file, even a command sent anyway.
    type("!");
    command(IDM_SAVE);
    EXPECT_EQ(read_file("zero.txt"), std::string("shown\0hidden", 12));
    EXPECT_EQ(read_file("a.txt"), "a");
    answer_file("copy.txt");
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE_AS));
    EXPECT_EQ(read_file("copy.txt"), "!shown");
}

TEST_F(DocumentTest, NoMemoryEndsOpenAndSaveWithAMessage) {
    write_file("a.txt", "file");
    set_text(IDC_EDITOR, "kept");
    fail_allocations_after(0);
    open("a.txt");
    EXPECT_EQ(last_message().text, NO_MEMORY);
    EXPECT_EQ(last_message().caption, "Ошибка");
    EXPECT_EQ(editor_text(&memory), "kept");
    EXPECT_STREQ(state.current_path, "");

    fail_allocations_after(1);
    open("a.txt");
    type("x");
    memory.messages.clear();
    fail_allocations_after(0);
    ASSERT_TRUE(memory_window_command(&memory, IDM_SAVE));
    EXPECT_EQ(last_message().text, NO_MEMORY);
    EXPECT_EQ(read_file("a.txt"), "file");
    EXPECT_EQ(state.modified, 1);
}

}  // namespace
