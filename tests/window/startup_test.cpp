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

Rect rect_of(MemoryWindow* memory, int id) {
    return memory_control(memory, id)->rect;
}

int32_t width_of(const Rect& rect) {
    return rect.right - rect.left;
}

bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(ResizeTest, EditorFollowsTheClientSizeExactly) {
    ASSERT_EQ(start(), INIT_DONE);
    ASSERT_EQ(window_size_changed(&state, &window, 2, 900, 700), 1);   // maximised
    EXPECT_TRUE(rect_of(&memory, IDC_EDITOR) == (Rect{0, 117, 900, 700}));
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 480), 1);   // restored
    EXPECT_TRUE(rect_of(&memory, IDC_EDITOR) == (Rect{0, 117, 600, 480}));
    EXPECT_EQ(state.last_client_width, 600);
    EXPECT_EQ(state.last_client_height, 480);
}

TEST_F(ResizeTest, MinimisingAndRestoringLeaveTheWindowAsItWas) {
    ASSERT_EQ(start(), INIT_DONE);
    const std::vector<MemoryControl> before = memory.controls;
    EXPECT_EQ(window_size_changed(&state, &window, SIZE_TYPE_MINIMIZED, 0, 0), 0);
    EXPECT_EQ(window_size_changed(&state, &window, 0, 600, 480), 1);
    for (size_t i = 0; i < memory.controls.size(); i++)
        EXPECT_TRUE(memory.controls[i].rect == before[i].rect) << memory.controls[i].id;
}

TEST_F(ResizeTest, SizeChangesBeforeInitialisationGoToDefaultProcessing) {
    int32_t width = 0, height = 0;
    EXPECT_EQ(window_minimum_size(&state, &width, &height), 0);
    EXPECT_EQ(window_size_changed(&state, &window, 0, 900, 700), 0);
    EXPECT_TRUE(rect_of(&memory, IDC_EDITOR) == (Rect{0, 117, 600, 480}));
}

TEST_F(ResizeTest, TooSmallAClientAreaClampsTheEditorAndGivesItBackOnGrowing) {
    ASSERT_EQ(start(), INIT_DONE);
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 20), 1);
    EXPECT_EQ(rect_of(&memory, IDC_EDITOR).bottom, 117);
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 240), 1);
    EXPECT_EQ(rect_of(&memory, IDC_EDITOR).bottom, 240);
    ASSERT_EQ(window_size_changed(&state, &window, 0, 600, 480), 1);
    EXPECT_TRUE(rect_of(&memory, IDC_EDITOR) == (Rect{0, 117, 600, 480}));
}

// At every size from the minimum up: the query fields take the growth of the width, the
// folder and mask fields share it, the buttons keep to the right edge, the editor fills
// the rest, and no control leaves the client area or overlaps another.
TEST_F(ResizeTest, TheFieldsGrowWithTheWindowAndNothingOverlapsDownToTheMinimum) {
    ASSERT_EQ(start(), INIT_DONE);
    const std::vector<MemoryControl> created = memory.controls;
    int32_t least_width = 0, least_height = 0;
    ASSERT_EQ(window_minimum_size(&state, &least_width, &least_height), 1);
    EXPECT_LT(least_width, 600);
    EXPECT_LT(least_height, 480);
    struct Size {
        int32_t width, height;
    };
    const Size sizes[] = {{600, 480}, {900, 700}, {601, 481}, {1920, 1200},
                          {least_width, least_height}, {least_width + 1, least_height}};
    for (const Size& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        ASSERT_EQ(window_size_changed(&state, &window, 0, size.width, size.height), 1);
        int32_t growth = size.width - 600;
        for (int id : {IDC_FIND_TEXT, IDC_REPLACE_TEXT})
            EXPECT_EQ(width_of(rect_of(&memory, id)), 426 + growth) << id;
        int32_t folder = width_of(rect_of(&memory, IDC_FOLDER));
        int32_t mask = width_of(rect_of(&memory, IDC_MASK));
        EXPECT_EQ(folder + mask, 252 + 174 + growth);
        EXPECT_LE(std::abs((folder - 252) - (mask - 174)), 1);
        for (int id : {IDC_FIND, IDC_REPLACE, IDC_MASK})
            EXPECT_EQ(rect_of(&memory, id).right, size.width - 6) << id;
        EXPECT_TRUE(rect_of(&memory, IDC_EDITOR) == (Rect{0, 117, size.width, size.height}));
        for (size_t i = 0; i < memory.controls.size(); i++) {
            const Rect& a = memory.controls[i].rect;
            int id = memory.controls[i].id;
            EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= size.width &&
                        a.bottom <= size.height) << id;
            // Down to half its width as created, never less.
            EXPECT_GE(width_of(a) * 2, width_of(created[i].rect)) << id;
            for (size_t k = i + 1; k < memory.controls.size(); k++) {
                const Rect& b = memory.controls[k].rect;
                if (a == b) continue;   // controls that share a place show in turn
                EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom &&
                             b.top < a.bottom) << id << " overlaps " << memory.controls[k].id;
            }
        }
    }
}

}  // namespace
