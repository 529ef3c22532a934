#include "window_fixture.h"

#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "undo_platform.h"
#include "window_alloc.h"

namespace {

int allocations_left = -1;
const UndoPlatform original_platform = undo_platform;
std::string temporary;   // the undo's temporary folder, with its separator

uint32_t test_temporary(char* buffer, uint32_t size) {
    if (temporary.size() >= size) return 0;
    memcpy(buffer, temporary.c_str(), temporary.size() + 1);
    return static_cast<uint32_t>(temporary.size());
}

void* failing_alloc(size_t size) {
    if (allocations_left == 0) return nullptr;
    allocations_left--;
    return malloc(size);
}

}  // namespace

void WindowTest::SetUp() {
    memory_window_init(&memory);
    memory.notify = dispatch;
    memory.notify_context = this;
    memory.double_clicked = double_clicked;
    window = memory_window(&memory);
    state = WindowState();
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() /
              ("fr-window-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(folder_);
    // The undo's copies go beside, not into the working folder or the user's own.
    temporary_ = folder_.string() + "-temporary";
    std::filesystem::create_directories(temporary_);
    temporary = (temporary_ / "").string();
    undo_platform.temporary_folder = test_temporary;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
}

void WindowTest::TearDown() {
    if (state.walk) {
        window_close_requested(&state, &window);
        finish_walk();
    }
    memory_window_release(&memory);
    window_destroyed(&state);
    undo_platform = original_platform;
    set_window_allocator(nullptr);
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    for (auto& entry : std::filesystem::recursive_directory_iterator(folder_, ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::remove_all(temporary_, ignored);
}

void WindowTest::dispatch(void* context, int id, int notification) {
    WindowTest* test = static_cast<WindowTest*>(context);
    window_command(&test->state, &test->window, id, notification);
}

void WindowTest::double_clicked(void* context, int32_t position) {
    WindowTest* test = static_cast<WindowTest*>(context);
    window_double_clicked(&test->state, &test->window, static_cast<uint32_t>(position));
}

InitResult WindowTest::start() {
    return window_initialise(&state, &window);
}

void WindowTest::finish_walk() {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (state.walk) {
        ASSERT_TRUE(memory.ticking) << "a walk runs without ticks";
        window_tick(&state, &window);
        if (!state.walk) break;
        ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "the walk does not end";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void WindowTest::finish_load() {
    for (int tick = 0; state.loading; tick++) {
        ASSERT_TRUE(memory.ticking) << "a text goes in without ticks";
        ASSERT_LT(tick, 100000) << "the text does not go in";
        window_tick(&state, &window);
    }
}

CommandResult WindowTest::command(int id, int notification) {
    return window_command(&state, &window, id, notification);
}

void WindowTest::set_text(int id, const std::string& text) {
    window.ops->set_text(window.user, id, text.c_str());
}

const std::string& WindowTest::text(int id) {
    return memory_control(&memory, id)->text;
}

std::pair<int32_t, int32_t> WindowTest::selection() {
    const MemoryControl* editor = memory_control(&memory, IDC_EDITOR);
    return {std::min(editor->anchor, editor->caret), std::max(editor->anchor, editor->caret)};
}

const MemoryMessage& WindowTest::last_message() {
    static const MemoryMessage none{"(no message)", "", false, false};
    return memory.messages.empty() ? none : memory.messages.back();
}

void WindowTest::answer_file(const std::string& name) {
    memory.file_answers.push_back({true, path(name)});
}

void WindowTest::open(const std::string& name) {
    answer_file(name);
    ASSERT_TRUE(memory_window_command(&memory, IDM_OPEN));
}

std::string WindowTest::path(const std::string& name) const {
    return (folder_ / name).string();
}

void WindowTest::write_file(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary).write(bytes.data(), bytes.size());
}

std::string WindowTest::read_file(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WindowTest::exists(const std::string& name) const {
    return std::filesystem::exists(folder_ / name);
}

std::vector<std::string> WindowTest::files() const {
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> WindowTest::temporary_entries() const {
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::recursive_directory_iterator(temporary_))
        names.push_back(std::filesystem::relative(entry.path(), temporary_).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

void WindowTest::fail_allocations_after(int count) {
    allocations_left = count;
    set_window_allocator(failing_alloc);
}
