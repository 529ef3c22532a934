// A report's hit lines opened from the in-memory window: a double click, F4 and Shift+F4
// from hit to hit within a file and across files, «К отчёту», the boxes of «Переход»,
// the question before an edited file is left, and the hits of a Replace as the folder
// search tells them (events made here, as its sink receives them).
#include <functional>

#include "folder.h"
#include "folder_fixture.h"
#include "report_links.h"
#include "report_order.h"
#include "run_hits.h"
#include "text_encoding.h"

namespace {

constexpr char CHANGED[] = "Файл изменился после поиска: совпадения на прежнем месте нет.";
constexpr char MISSING[] = "Файл не найден.";
constexpr char UNSHOWN[] = "Совпадение в части файла, которую редактор не показывает.";
constexpr char JUMP[] = "Переход";

struct Hit {
    std::string path;
    int64_t offset;
};

// The two files are searched alone, beside the folder tests' own.
class NavigateTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        tree.file("n1.nav", "кот и кот\r\nещё кот");
        tree.file("n2.nav", "один кот");
    }
    void search(const std::string& query, const char* replacement = nullptr) {
        report = FolderTest::search(query, replacement, "*.nav");
    }
    // The report's hits in the order of its lines.
    std::vector<Hit> hits() const {
        std::vector<Hit> all;
        size_t from = 0, start = 0;
        HitLine line;
        while (nearest_hit_line(report.data(), report.size(), from, 1, &start, &line)) {
            all.push_back({std::string(line.path, line.path_length), line.offset});
            from = start;
        }
        return all;
    }
    // Where the report's line that begins as `line` does (its excerpt aside).
    int32_t line_of(std::string line) const {
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.resize(line.size() - 2);
        size_t at = report.find(line);
        EXPECT_NE(at, std::string::npos) << line;
        return static_cast<int32_t>(at);
    }
    void double_click(int32_t position) {
        memory_window_double_click(&memory, position);
        finish_load();
    }
    void key(int command) {
        memory_window_command(&memory, command);
        finish_load();
    }
    std::string selected() {
        auto [start, end] = selection();
        return editor_text(&memory).substr(start, end - start);
    }

    std::string report;
};

// F4 and Shift+F4 go from hit line to hit line; within a file only the selection moves,
// by the text shown (the file on the disk is not read again); past either end, a beep.
TEST_F(NavigateTest, F4AndShiftF4WalkTheHitsWithinAndAcrossFiles) {
    search("кот");
    const std::vector<Hit> all = hits();
    ASSERT_EQ(all.size(), 4u);
    memory.focus = IDC_EDITOR;
    memory_window_select(&memory, 0, 0);
    std::vector<int> order = {0, 1, 2, 3, 2, 1, 0};
    for (size_t step = 0; step < order.size(); step++) {
        key(step < 4 ? IDM_NEXT_HIT : IDM_PREVIOUS_HIT);
        const Hit& hit = all[order[step]];
        EXPECT_STREQ(state.current_path, hit.path.c_str()) << step;
        EXPECT_EQ(selection(), std::make_pair(int32_t(hit.offset), int32_t(hit.offset + 3))) << step;
        EXPECT_EQ(selected(), "кот");
        // Within the file only the selection moves: what the disk holds is not looked at.
        std::string name = slashed(hit.path).substr(tree.root.size() + 1);
        if (step == 0) tree.file(name, "changed on the disk");
        if (step == 2) tree.file(name, "кот и кот\r\nещё кот");
    }
    EXPECT_EQ(memory.beeps, 0);
    key(IDM_PREVIOUS_HIT);
    EXPECT_EQ(memory.beeps, 1);
    EXPECT_EQ(memory.swaps, 1);   // the report was kept once, and never put in again
    EXPECT_EQ(text(IDC_KEPT_REPORT), report);
    EXPECT_TRUE(memory.messages.empty());
    EXPECT_EQ(memory.title, TITLE);
    EXPECT_TRUE(memory.back_to_report_enabled);
}

// A double click opens a line's hit; «К отчёту» brings the report back as it was, its
// caret on the line of the last hit opened, and F4 goes on from there.
TEST_F(NavigateTest, DoubleClickAndBackToTheReport) {
    search("кот");
    const std::string b_line = found(tree.path("n2.nav"), 5);
    double_click(line_of(b_line) + 4);
    EXPECT_EQ(editor_text(&memory), "один кот");
    EXPECT_EQ(selected(), "кот");
    EXPECT_EQ(memory.mouse_releases, 1);
    ASSERT_TRUE(memory_window_command(&memory, IDM_BACK_TO_REPORT));
    EXPECT_EQ(editor_text(&memory), report);
    EXPECT_EQ(selection(), std::make_pair(line_of(b_line), line_of(b_line)));
    EXPECT_EQ(text(IDC_KEPT_REPORT), "");
    EXPECT_FALSE(memory.back_to_report_enabled);
    EXPECT_EQ(memory.title, std::string(TITLE) + "*");   // the report's own marker
    EXPECT_FALSE(memory_window_command(&memory, IDM_BACK_TO_REPORT));
    // Any other line keeps the editor's own double click.
    double_click(0);
    EXPECT_EQ(editor_text(&memory), report);
    EXPECT_EQ(selected(), "Найдено");
}

// The hit is looked for in the file as it is now; what happened is told in «Переход».
TEST_F(NavigateTest, AHitThatIsNoLongerThereIsTold) {
    struct Case {
        const char* name;
        std::function<void()> change;
        const char* box;
        std::string shown;   // the editor's text afterwards
        int32_t caret;
    };
    const Case cases[] = {
        {"moved", [&] { tree.file("n2.nav", "один, два кот"); }, CHANGED, "один, два кот", 5},
        {"gone", [&] { tree.remove("n2.nav"); }, MISSING, "", -1},
        {"behind a zero", [&] { tree.file("n2.nav", std::string("од\0н кот", 8)); }, UNSHOWN, "од", 2},
        {"there", [] {}, nullptr, "один кот", -1},
    };
    for (const Case& c : cases) {
        tree.file("n2.nav", "один кот");
        search("кот");
        memory.messages.clear();
        c.change();
        double_click(line_of(found(tree.path("n2.nav"), 5)));
        const std::string& shown = c.shown.empty() ? report : c.shown;
        EXPECT_EQ(editor_text(&memory), shown) << c.name;
        if (c.caret >= 0) {
            EXPECT_EQ(selection(), std::make_pair(c.caret, c.caret)) << c.name;
        }
        const MemoryMessage& box = memory.messages.empty() ? MemoryMessage{} : memory.messages.back();
        EXPECT_EQ(box.text, c.box ? c.box : "") << c.name;
        if (c.box) {
            EXPECT_EQ(box.caption, JUMP) << c.name;
        }
    }
}

// Leaving a file that the user edited asks first; the kept report never asks.
TEST_F(NavigateTest, LeavingAnEditedFileAsksFirst) {
    search("кот");
    memory.focus = IDC_EDITOR;
    memory_window_select(&memory, 0, 0);
    key(IDM_NEXT_HIT);
    const std::string first = editor_text(&memory);
    memory_window_select(&memory, 0, 0);
    memory_window_type(&memory, "!");
    for (int answer : {ANSWER_CANCEL, ANSWER_NO}) {
        memory.question_answers = {answer};
        size_t asked = memory.questions.size();
        // F4 from the first file's last hit goes to the other file.
        for (int step = 0; step < 4 && memory.questions.size() == asked; step++) key(IDM_NEXT_HIT);
        EXPECT_EQ(memory.questions.size(), asked + 1);
        EXPECT_EQ(memory.questions.back().text, "Сохранить изменения?");
        EXPECT_EQ(editor_text(&memory).find('!') != std::string::npos, answer == ANSWER_CANCEL);
    }
    EXPECT_NE(editor_text(&memory), "!" + first);
    EXPECT_EQ(tree.read(slashed(state.current_path).substr(tree.root.size() + 1)),
              editor_text(&memory));
}

// Any text's hit-form lines are links: without this run's hits, the query field's text is
// selected where it matches at the position, or else the caret goes there. Positions are
// the file's bytes: in a UTF-8 or UTF-16 file the characters of those bytes are selected.
TEST_F(NavigateTest, LinesOfAnyTextLeadToTheirPlaces) {
    tree.file("u8.txt", "\xEF\xBB\xBF\xD0\xB6 \xD0\xBA\xD0\xBE\xD1\x82");   // mark, "ж кот"
    tree.file("u16.txt", std::string("\xFF\xFEq\0 \0:\x04>\x04\x42\x04", 12));   // "q кот"
    struct Case {
        const char* query;
        std::string line;
        std::pair<int32_t, int32_t> selected;
    };
    const Case cases[] = {
        {"кот", found(tree.path("n2.nav"), 5), {5, 8}},
        {"пёс", found(tree.path("n2.nav"), 5), {5, 5}},
        {"", replaced(tree.path("n2.nav"), 5), {5, 5}},
        {"кот", found(tree.path("u8.txt"), 6), {2, 5}},
        {"кот", found(tree.path("u16.txt"), 6), {2, 5}},
        {"кот", found(tree.path("u16.txt"), 7), {2, 2}},   // inside a character
    };
    for (const Case& c : cases) {
        if (state.report == REPORT_KEPT) memory_window_command(&memory, IDM_BACK_TO_REPORT);
        set_text(IDC_EDITOR, ("x\r\n" + c.line).c_str());
        set_text(IDC_FIND_TEXT, c.query);
        double_click(4);
        EXPECT_EQ(selection(), c.selected) << c.line;
        EXPECT_TRUE(memory.messages.empty()) << c.line;
    }
}

// A Replace's hits as the folder search tells them: each replacement where it stands
// now, moved by the replacements of other lengths before it in its file; one that is no
// longer there is told. (The events are made here as the sink receives them.)
TEST_F(NavigateTest, ReplacedHitsAreFoundWhereTheirReplacementsStand) {
    const std::string path = tree.path("r.txt");
    RunHits* run = new_run_hits("кот", "пёсик", 1, 0);
    ASSERT_NE(run, nullptr);
    for (int64_t offset : {0, 6}) {
        FolderEvent event = {};
        event.kind = FOLDER_HIT_REPLACED;
        event.path = path.c_str();
        event.offset = offset;
        event.match_length = 3;
        event.written = "пёсик";
        event.written_length = 5;
        ASSERT_EQ(record_run_hit(run, &event), 0);
    }
    state.run = run;
    set_text(IDC_EDITOR, (replaced(path, 0) + replaced(path, 6)).c_str());
    report = editor_text(&memory);
    struct Case {
        const char* file;
        int line;
        std::pair<int32_t, int32_t> selected;
        const char* box;
    };
    const Case cases[] = {
        {"пёсик и пёсик", 1, {8, 13}, nullptr},
        {"пёсик и пёсик", 0, {0, 5}, nullptr},
        {"пёсик и пёсиk", 1, {8, 8}, CHANGED},
        {"пёсик и пёс", 1, {8, 8}, CHANGED},
    };
    for (const Case& c : cases) {
        if (state.report == REPORT_KEPT) memory_window_command(&memory, IDM_BACK_TO_REPORT);
        tree.file("r.txt", c.file);
        memory.messages.clear();
        double_click(line_of(c.line ? replaced(path, 6) : replaced(path, 0)));
        EXPECT_EQ(selection(), c.selected) << c.file;
        EXPECT_EQ(memory.messages.empty() ? "" : memory.messages.back().text, c.box ? c.box : "")
            << c.file;
    }
}

// A long file goes in by portions: read-only, with its progress in the title; the hit is
// selected as soon as its place is in, and the undo does not hold the portions.
TEST_F(NavigateTest, ALongFileGoesInByPortionsAndItsHitIsSelectedOnceIn) {
    std::string big = "начало кот\r\n";
    while (big.size() < 300000) big += "строка длинного файла без совпадений\r\n";
    tree.file("n2.nav", big);
    search("кот");
    memory_window_double_click(&memory, line_of(found(tree.path("n2.nav"), 7)));
    ASSERT_NE(state.loading, nullptr);
    EXPECT_TRUE(memory.read_only);
    EXPECT_EQ(memory.title.rfind("Открытие… ", 0), 0u) << memory.title;
    window_tick(&state, &window);
    ASSERT_NE(state.loading, nullptr);
    EXPECT_EQ(selection(), std::make_pair(7, 10));
    memory_window_command(&memory, IDM_SAVE_AS);   // not of half a text
    EXPECT_TRUE(memory.dialog_calls.empty());
    finish_load();
    EXPECT_TRUE(editor_text(&memory) == big);
    EXPECT_EQ(selection(), std::make_pair(7, 10));
    EXPECT_FALSE(memory.read_only);
    EXPECT_FALSE(memory.can_undo);
    EXPECT_EQ(memory.title, TITLE);
}

}  // namespace
