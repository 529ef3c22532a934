// A folder search beside the window: its report reaches the editor tick by tick, nothing
// but Stop, Esc and closing acts meanwhile, and a stop ends the walk at a safe point with
// every file old or new. The walk's thread is held or stopped at chosen files through the
// platform layer's file operations.
#include <atomic>
#include <chrono>
#include <thread>

#include "folder_platform.h"
#include "folder_walk.h"
#include "report_order.h"
#include "search_helpers.h"
#include "window_fixture.h"

namespace {

const FileOps original_ops = file_ops;
const std::string STOPPED_FILE = " \tпоиск остановлен, файл не изменён!\r\n";

// Shared with the hooks, which run on the walk's thread.
WindowState* walking;
std::atomic<int> files_read;
int stop_after = -1;              // files read, after which the walk is asked to stop
std::atomic<int> opened{0};
std::atomic<int> held_at{-1};     // the file (counted from 0) whose opening waits
std::string held_path;            // or the file of this path
std::atomic<bool> holding{false}; // the walk's thread waits there
std::atomic<bool> released{false};
int64_t stop_at_offset = -1;      // a read from this offset on asks the walk to stop

void close_then_stop(int file) {
    original_ops.close_source(file);
    if (++files_read == stop_after) stop_folder_walk(walking);
}

int open_when_released(const char* path, FileIdentity* identity, int whole) {
    if (opened++ == held_at || path == held_path) {
        holding = true;
        while (!released) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        holding = false;
    }
    return original_ops.open_source(path, identity, whole);
}

int32_t read_then_stop(int file, int64_t offset, char* buffer, uint32_t size) {
    // In the Replace, which opens the files again after the search that counts.
    if (stop_at_offset >= 0 && offset >= stop_at_offset && opened > 5) stop_folder_walk(walking);
    return original_ops.read_at(file, offset, buffer, size);
}

class FolderWalkTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(start(), INIT_DONE);
        memory_window_click(&memory, IDC_IN_FOLDER);
        walking = &state;
        files_read = 0;
        stop_after = -1;
        opened = 0;
        held_at = -1;
        holding = false;
        released = false;
        stop_at_offset = -1;
        held_path.clear();
        // The hooks count the files in the order in which they are opened, which is the
        // walk's order only while one thread scans them.
        state.walk_threads = 1;
        make_tree();
    }
    void TearDown() override {
        released = true;
        WindowTest::TearDown();
        file_ops = original_ops;
    }
    // Five files of one hit each; natively they are walked in this order.
    void make_tree() {
        tree.make({"1/", "2/"});
        for (const char* name : NAMES) tree.file(name, "a кот");
    }
    // A Replace is confirmed once its search has counted.
    void press(const char* query, const char* replacement = nullptr) {
        set_text(IDC_FIND_TEXT, query);
        if (replacement) set_text(IDC_REPLACE_TEXT, replacement);
        set_text(IDC_FOLDER, tree.root);
        set_text(IDC_MASK, "*");
        memory.question_answers = {ANSWER_YES};
        memory_window_click(&memory, replacement ? IDC_REPLACE : IDC_FIND);
    }
    // Holds the walk's thread as it opens file `index` (from 0), or the file at `path`,
    // until released.
    void hold_at(int index, const std::string& path = "") {
        opened = 0;
        held_at = index;
        held_path = path;
        released = false;
        file_ops.open_source = open_when_released;
    }
    // Waits until the walk's thread is held, then gives the window a tick; with
    // `ticking`, ticks meanwhile, as a walk held in a later walk needs.
    void tick_when_held(bool ticking = false) {
        while (!holding) {
            if (ticking) window_tick(&state, &window);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        window_tick(&state, &window);
    }
    std::string stop_line() const {
        return tree.root + " \tпоиск остановлен, просмотрены не все файлы!\r\n";
    }

    static constexpr const char* NAMES[] = {"1/a.txt", "1/b.txt", "2/c.txt", "d.txt", "e.txt"};
    TempTree tree;
};

// Stopped after each file in turn: the report holds the lines of the files seen so far
// and ends with the stop line. Under Replace (stopped after the search that counts) each
// of those files is either rewritten (the copies already on their way to the disk take
// their places) or left as it was, with a line that says so, and no other file is touched.
TEST_F(FolderWalkTest, StopAfterEachFileKeepsTheLinesSoFar) {
    file_ops.close_source = close_then_stop;
    for (const char* replacement : {static_cast<const char*>(nullptr), "пёс"}) {
        for (int k = 1; k <= 5; k++) {
            make_tree();
            files_read = 0;
            stop_after = (replacement ? 5 : 0) + k;
            press("кот", replacement);
            finish_walk();
            std::string expected = REPORT_HEADER;
            for (int i = 0; i < k; i++) {
                std::string path = tree.path(NAMES[i]);
                if (!replacement) expected += found(path, 2, "строка 1: a ‹кот›");
                else if (tree.read(NAMES[i]) == "a пёс") expected += replaced(path, 2, "строка 1: a ‹пёс›");
                else expected += found(path, 2, "строка 1: a ‹кот›") + path + STOPPED_FILE;
            }
            if (k < 5) expected += stop_line();   // stopped after the last file: complete
            EXPECT_EQ(editor_text(&memory), expected) << k;
            for (int i = k; i < 5; i++) EXPECT_EQ(tree.read(NAMES[i]), "a кот") << k;
            for (int i = 0; i < k; i++) {
                std::string now = tree.read(NAMES[i]);
                EXPECT_TRUE(now == "a кот" || now == "a пёс") << k;
            }
            EXPECT_EQ(tree.entries().size(), 7u) << "no copy is left";
        }
    }
}

// A stop between two blocks of a file being rewritten leaves it exactly as it was. With
// threads beside the walk the files after it, scanned meanwhile, are as not seen.
TEST_F(FolderWalkTest, StopInsideAFileBeingRewrittenLeavesItAsItWas) {
    std::string big = "кот" + std::string(3 << 20, '.') + "кот";
    for (uint32_t threads : {1, 2}) {
        state.walk_threads = threads;
        tree.file("1/a.txt", big);
        stop_at_offset = 1 << 20;
        file_ops.read_at = read_then_stop;
        hold_at(-1);   // only counts the files opened
        press("кот", "пёс");
        finish_walk();
        std::string a = tree.path("1/a.txt");
        EXPECT_EQ(editor_text(&memory), std::string(REPORT_HEADER) +
                                            found(a, 0, "строка 1: ‹кот›" + std::string(40, '.') + "…") +
                                            a + STOPPED_FILE + stop_line());
        EXPECT_EQ(tree.read("1/a.txt"), big);
        for (int i = 1; i < 5; i++) EXPECT_EQ(tree.read(NAMES[i]), "a кот") << threads;
        EXPECT_EQ(tree.entries().size(), 7u);
    }
}

// While a walk runs only its Stop acts: everything else is disabled or dropped, never
// queued; afterwards the window is as after any folder search.
TEST_F(FolderWalkTest, NothingButStopActsDuringAWalkAndEverythingComesBack) {
    hold_at(2);
    press("кот");   // the click focuses the button
    ASSERT_NE(state.walk, nullptr);
    EXPECT_EQ(text(IDC_FIND), "Стоп");
    for (int id : {IDC_FIND_TEXT, IDC_REPLACE_TEXT, IDC_REPLACE, IDC_IN_FOLDER, IDC_FOLDER,
                   IDC_BROWSE, IDC_MASK, IDC_MASK_LABEL, IDC_MATCH_CASE, IDC_WHOLE_WORD})
        EXPECT_FALSE(memory_control(&memory, id)->enabled) << id;
    EXPECT_TRUE(memory_control(&memory, IDC_FIND)->enabled);
    EXPECT_FALSE(memory.open_enabled || memory.save_enabled || memory.save_as_enabled);
    EXPECT_TRUE(memory.read_only);
    for (int id : {IDM_OPEN, IDM_SAVE, IDM_SAVE_AS, IDM_SELECT_ALL, IDM_FOCUS_FIND,
                   IDM_TOGGLE_MATCH_CASE, IDM_TOGGLE_WHOLE_WORD})
        command(id, 0);
    command(IDC_IN_FOLDER, NOTIFY_CLICKED);
    command(IDC_BROWSE, NOTIFY_CLICKED);
    memory.focus = IDC_EDITOR;
    memory_window_type(&memory, "typed");

    // The user's selection stays; lines go to the end.
    tick_when_held();
    memory_window_select(&memory, 0, 5);
    EXPECT_EQ(memory.title, "Поиск… 3 файла, 2 совпадения");
    released = true;
    finish_walk();
    EXPECT_EQ(selection(), std::make_pair(0, 5));
    EXPECT_TRUE(memory.dialog_calls.empty());
    EXPECT_EQ(memory.messages.size(), 0u);
    std::string expected = REPORT_HEADER;
    for (const char* name : NAMES) expected += found(tree.path(name), 2, "строка 1: a ‹кот›");
    EXPECT_EQ(editor_text(&memory), expected);

    EXPECT_EQ(text(IDC_FIND), "Найти");
    EXPECT_EQ(text(IDC_REPLACE), "Заменить");
    for (int id : {IDC_FIND_TEXT, IDC_REPLACE_TEXT, IDC_FIND, IDC_REPLACE, IDC_IN_FOLDER,
                   IDC_FOLDER, IDC_BROWSE, IDC_MASK, IDC_MASK_LABEL, IDC_MATCH_CASE,
                   IDC_WHOLE_WORD})
        EXPECT_TRUE(memory_control(&memory, id)->enabled) << id;
    EXPECT_TRUE(memory_control(&memory, IDC_IN_FOLDER)->checked);
    // The option keys pressed meanwhile were dropped with the rest.
    EXPECT_TRUE(memory_control(&memory, IDC_MATCH_CASE)->checked);
    EXPECT_FALSE(memory_control(&memory, IDC_WHOLE_WORD)->checked);
    EXPECT_TRUE(memory.open_enabled && memory.save_as_enabled);
    EXPECT_FALSE(memory.save_enabled);
    EXPECT_FALSE(memory.read_only);
    EXPECT_FALSE(memory.ticking);
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");
    EXPECT_EQ(memory.focus, IDC_FIND);
}

TEST_F(FolderWalkTest, ProgressCountsInRussian) {
    hold_at(5 + 2);   // in the Replace, after the search that counts
    press("кот", "пёс");
    tick_when_held(true);
    // A Replace counts its hits as their files take their new content, with their group.
    EXPECT_EQ(memory.title, "Замена… 3 файла, 0 замен");
    released = true;
    finish_walk();
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");
}

// The edit control takes time for every line it is given: a tick appends whole lines up
// to a share, and while more wait the ticks come sooner, so the window answers between.
// The report lists 20,000 hits; the later ones are counted in a line after them.
TEST_F(FolderWalkTest, ALargeReportArrivesInSharesOfWholeLines) {
    std::string many;
    for (int i = 0; i < 20000; i++) many += "кот\n";
    tree.file("1/a.txt", many);
    hold_at(1);
    press("кот");
    tick_when_held();
    const std::string& shown = editor_text(&memory);
    EXPECT_LT(shown.size(), 200000u);
    EXPECT_EQ(shown.substr(shown.size() - 2), "\r\n");
    EXPECT_EQ(memory.tick_interval, BUSY_TICK_MS);
    released = true;
    finish_walk();
    // The report lists 20,000 hit lines and counts the rest.
    std::string expected = REPORT_HEADER;
    for (int i = 0; i < 20000; i++)
        expected += found(tree.path("1/a.txt"), 4 * i, "строка " + std::to_string(i + 1) + ": ‹кот›");
    expected += tree.root + " \tв отчёте первые 20000 совпадений из 20004, остальные не перечислены\r\n";
    EXPECT_TRUE(editor_text(&memory) == expected);
}

// Past the bound a Replace still rewrites and counts its hits, without their lines;
// reason lines are always written.
TEST_F(FolderWalkTest, HitsPastTheBoundAreReplacedAndCountedAndReasonsStay) {
    std::string many;
    for (int i = 0; i < 20000; i++) many += "кот\n";
    tree.file("0.txt", many);
    tree.file("bin.dat", std::string("кот\0", 4));
    press("кот", "пёс");
    finish_walk();
    const std::string& report = editor_text(&memory);
    size_t lines = 0;
    for (size_t at = 0; (at = report.find("позиции: ", at)) != std::string::npos; at++) lines++;
    EXPECT_EQ(lines, 20000u);
    EXPECT_NE(report.find(tree.path("bin.dat") + " \tдвоичный файл, не изменён\r\n"), std::string::npos);
    const std::string bound =
        tree.root + " \tв отчёте первые 20000 совпадений из 20006, остальные не перечислены\r\n";
    EXPECT_EQ(report.substr(report.size() - bound.size()), bound);
    EXPECT_EQ(tree.read("0.txt").find("кот"), std::string::npos);
    for (const char* name : NAMES) EXPECT_EQ(tree.read(name), "a пёс") << name;
}

// Esc stops the walk; a close during a walk stops it and closes once it has ended. Both
// come while the walk is held opening its first file, which it then leaves unchanged
// (threads beside the walk may have scanned the files after it meanwhile: they are as
// not seen). A Replace stopped while it searches asks nothing.
TEST_F(FolderWalkTest, EscStopsAndCloseWaitsForTheEnd) {
    const std::string first = tree.path(NAMES[0]);
    for (uint32_t threads : {1, 2}) {
        state.walk_threads = threads;
        for (const char* replacement : {static_cast<const char*>(nullptr), "пёс"}) {
            hold_at(-1, first);
            press("кот", replacement);
            tick_when_held();
            command(IDM_FOCUS_EDITOR, 0);
            released = true;
            finish_walk();
            EXPECT_EQ(editor_text(&memory), std::string(REPORT_HEADER) + stop_line()) << threads;
        }
    }
    EXPECT_TRUE(memory.questions.empty());

    hold_at(-1, first);
    press("кот", "пёс");
    tick_when_held();
    EXPECT_EQ(window_close_requested(&state, &window), 0);
    EXPECT_FALSE(memory.closed);
    released = true;
    finish_walk();
    EXPECT_TRUE(memory.closed);
    // No hit was held for the file that the stop left as it was: nothing to say of it.
    EXPECT_EQ(editor_text(&memory), std::string(REPORT_HEADER) + stop_line());
    for (const char* name : NAMES) EXPECT_EQ(tree.read(name), "a кот");
    EXPECT_EQ(window_close_requested(&state, &window), 1);
}

}  // namespace
