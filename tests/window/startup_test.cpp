// Initialisation and resizing of the main window.
#include "temp_tree.h"
#include "window_fixture.h"

namespace {

using StartupTest = WindowTest;

TEST_F(StartupTest, LoadsReadmeRawAndFocusesTheEditorWithoutMarking) {
    const std::string readme = "Привет\r\nline\nlone LF\tand \xFF bytes";
    write_file("readme.txt", readme);
    memory.focus = IDC_FIND;
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_EQ(editor_text(&memory), readme);
    EXPECT_EQ(memory.focus, IDC_EDITOR);
    EXPECT_EQ(memory.title, TITLE);
    EXPECT_EQ(state.modified, 0);
    EXPECT_EQ(text(IDC_MASK), "*.*");
    EXPECT_TRUE(memory.open_enabled);
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_FALSE(memory.save_as_enabled);
    EXPECT_TRUE(memory.messages.empty());
}

TEST_F(StartupTest, WithoutReadmeTheEditorStaysEmptyAndUnfocused) {
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_EQ(editor_text(&memory), "");
    EXPECT_EQ(memory.focus, 0);
    EXPECT_EQ(text(IDC_MASK), "*.*");
    EXPECT_EQ(state.size_known, 1);
    EXPECT_EQ(state.last_client_width, 600);
    EXPECT_EQ(state.last_client_height, 480);
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_FALSE(memory.save_as_enabled);
}

// Started from another working directory (a shortcut, the Run box), the program finds
// its guide beside itself; one in the working directory comes first.
TEST_F(StartupTest, ReadmeIsLookedForInTheWorkingDirectoryThenBesideTheProgram) {
    std::filesystem::create_directory(path("program"));
    memory.program_folder = path("program") + SEP;
    write_file("program/readme.txt", "beside the program");
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_EQ(editor_text(&memory), "beside the program");
    EXPECT_EQ(memory.focus, IDC_EDITOR);
    write_file("readme.txt", "working directory");
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_EQ(editor_text(&memory), "working directory");
}

TEST_F(StartupTest, ResetsTheState) {
    memset(state.chosen_path, 'x', PATH_SIZE);
    memset(state.current_path, 'y', PATH_SIZE);
    state.modified = 1;
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_STREQ(state.chosen_path, "");
    EXPECT_STREQ(state.current_path, "");
    EXPECT_EQ(state.modified, 0);
}

TEST_F(StartupTest, ReadmeBeyondTheOpenLimitLoadsWhole) {
    std::string readme;
    while (readme.size() < 100000) readme += "a line of the start-up text, long enough\r\n";
    write_file("readme.txt", readme);
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_EQ(editor_text(&memory), readme);
}

TEST_F(StartupTest, ZeroByteInReadmeEndsTheTextShown) {
    write_file("readme.txt", std::string("before\0after", 12));
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_EQ(editor_text(&memory), "before");
}

TEST_F(StartupTest, NoMemoryForTheStartupTextIsReportedToTheCaller) {
    write_file("readme.txt", "text");
    fail_allocations_after(0);
    EXPECT_EQ(start(), INIT_NO_MEMORY);
    EXPECT_EQ(editor_text(&memory), "");
    EXPECT_TRUE(memory.messages.empty());
}

TEST_F(StartupTest, LiftsTheEditorsTextLimit) {
    ASSERT_EQ(start(), INIT_DONE);
    std::string lines;
    while (lines.size() < 40000) lines += "0123456789012345678901234567890123456789\r\n";
    window.ops->append_text(window.user, lines.c_str(), 1);
    EXPECT_EQ(editor_text(&memory), lines);
}

using ResizeTest = WindowTest;

TEST_F(ResizeTest, EditorFollowsTheClientSizeExactly) {
    ASSERT_EQ(start(), INIT_DONE);
    ASSERT_EQ(window_size_changed(&state, &window, 2, 900, 700), 1);   // maximised
    EXPECT_EQ(memory.editor_width, 900);
    EXPECT_EQ(memory.editor_height, 413 + 220);
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 480), 1);   // restored
    EXPECT_EQ(memory.editor_width, 600);
    EXPECT_EQ(memory.editor_height, 413);
    EXPECT_EQ(state.last_client_width, 600);
    EXPECT_EQ(state.last_client_height, 480);
}

TEST_F(ResizeTest, MinimisingAndRestoringLeaveTheEditorAsItWas) {
    ASSERT_EQ(start(), INIT_DONE);
    EXPECT_EQ(window_size_changed(&state, &window, SIZE_TYPE_MINIMIZED, 0, 0), 0);
    EXPECT_EQ(memory.editor_width, 600);
    EXPECT_EQ(memory.editor_height, 413);
    EXPECT_EQ(window_size_changed(&state, &window, 0, 600, 480), 1);
    EXPECT_EQ(memory.editor_width, 600);
    EXPECT_EQ(memory.editor_height, 413);
}

TEST_F(ResizeTest, SizeChangesBeforeInitialisationGoToDefaultProcessing) {
    EXPECT_EQ(window_size_changed(&state, &window, 0, 900, 700), 0);
    EXPECT_EQ(memory.editor_width, 600);
}

TEST_F(ResizeTest, TooSmallAClientAreaClampsTheEditorAndGivesItBackOnGrowing) {
    ASSERT_EQ(start(), INIT_DONE);
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 20), 1);
    EXPECT_EQ(memory.editor_height, 0);
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 100), 1);
    EXPECT_EQ(memory.editor_height, 33);
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 480), 1);
    EXPECT_EQ(memory.editor_height, 413);
}

}  // namespace
