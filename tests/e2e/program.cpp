#include "program.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

DriverPaths driver_paths;

namespace {

constexpr DWORD MESSAGE_TIMEOUT_MS = 20000;
constexpr DWORD POLL_MS = 20;
constexpr int FILE_NAME_EDIT = 0x480;    // edt1 of the file dialog's template
constexpr int FILE_NAME_COMBO = 0x47c;   // cmb13, the newer dialogs' file name box

DWORD_PTR send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, MESSAGE_TIMEOUT_MS,
                        &result);
    return result;
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK find_owned(HWND window, LPARAM parameter) {
    OwnedSearch* search = reinterpret_cast<OwnedSearch*>(parameter);
    char class_name[16] = "";
    GetClassNameA(window, class_name, sizeof class_name);
    if (strcmp(class_name, "#32770") == 0 && GetWindow(window, GW_OWNER) == search->owner &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND dialog_owned_by(HWND owner) {
    OwnedSearch search = {owner, nullptr};
    EnumWindows(find_owned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND owned_dialog(const Program* program) {
    return dialog_owned_by(program->window);
}

// The window that takes the keyboard now: a modal dialog when one is up.
HWND input_target(const Program* program) {
    HWND dialog = owned_dialog(program);
    return dialog ? dialog : program->window;
}

void to_foreground(const Program* program) {
    HWND target = input_target(program);
    SetForegroundWindow(target);
    wait_until([&] { return GetForegroundWindow() == target; }, 5000);
}

INPUT key_input(WORD key, DWORD flags) {
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    return input;
}

INPUT unicode_input(wchar_t character, DWORD flags) {
    INPUT input = key_input(0, KEYEVENTF_UNICODE | flags);
    input.ki.wScan = character;
    return input;
}

void send_inputs(std::vector<INPUT>* inputs) {
    SendInput(static_cast<UINT>(inputs->size()), inputs->data(), sizeof(INPUT));
}

// Runs `function` (an address in the program) with `parameter` in a thread of the
// program; returns the thread's exit code.
DWORD run_remote(HANDLE process, void* function, void* parameter) {
    HANDLE thread =
        CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(function),
                           parameter, 0, nullptr);
    if (!thread) return 0;
    WaitForSingleObject(thread, MESSAGE_TIMEOUT_MS);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(POLL_MS);
    }
    return true;
}

std::string full_path(const std::string& path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

bool start_program(Program* program, const std::string& folder) {
    ZeroMemory(program, sizeof *program);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::string command = "\"" + driver_paths.program + "\"";
    if (!CreateProcessA(driver_paths.program.c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                        nullptr, folder.c_str(), &startup, &program->process))
        return false;
    WaitForInputIdle(program->process.hProcess, 10000);
    return wait_until([&] {
        HWND found = nullptr;
        while ((found = FindWindowExA(nullptr, found, "WndFromRes", nullptr)) != nullptr) {
            DWORD process_id = 0;
            DWORD thread = GetWindowThreadProcessId(found, &process_id);
            if (process_id == program->process.dwProcessId && IsWindowVisible(found)) {
                program->window = found;
                program->thread = thread;
                return true;
            }
        }
        return WaitForSingleObject(program->process.hProcess, 0) == WAIT_OBJECT_0;
    }) && program->window != nullptr;
}

long wait_exit(Program* program, DWORD timeout_ms) {
    if (!program->process.hProcess) return -1;
    if (WaitForSingleObject(program->process.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(program->process.hProcess, &code);
    CloseHandle(program->process.hProcess);
    CloseHandle(program->process.hThread);
    program->process.hProcess = nullptr;
    return static_cast<long>(code);
}

long close_program(Program* program) {
    PostMessageA(program->window, WM_CLOSE, 0, 0);
    return wait_exit(program);
}

void kill_program(Program* program) {
    if (!program->process.hProcess) return;
    if (WaitForSingleObject(program->process.hProcess, 0) != WAIT_OBJECT_0)
        TerminateProcess(program->process.hProcess, 99);
    wait_exit(program);
}

HWND control(const Program* program, int id) {
    return GetDlgItem(program->window, id);
}

std::string text_of(HWND window) {
    DWORD_PTR length = send(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(length + 1, '\0');
    DWORD_PTR got = send(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got <= length ? got : length);
    return text;
}

void set_text(HWND window, const std::string& text) {
    send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::pair<DWORD, DWORD> selection_of(HWND edit) {
    DWORD start = 0, end = 0;
    send(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

void select_range(HWND edit, int start, int end) {
    send(edit, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void double_click(HWND edit, int position) {
    select_range(edit, position, position);
    send(edit, EM_SCROLLCARET, 0, 0);
    DWORD_PTR point = send(edit, EM_POSFROMCHAR, static_cast<WPARAM>(position), 0);
    LPARAM at = MAKELPARAM(static_cast<short>(LOWORD(point)) + 1, static_cast<short>(HIWORD(point)) + 1);
    PostMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(edit, WM_LBUTTONUP, 0, at);
    PostMessageA(edit, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(edit, WM_LBUTTONUP, 0, at);
}

RECT window_rect(HWND window) {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    return rect;
}

RECT client_rect(HWND window) {
    RECT rect = {0, 0, 0, 0};
    GetClientRect(window, &rect);
    return rect;
}

void send_command(const Program* program, int id, int notification) {
    HWND from = id < 40000 ? control(program, id) : nullptr;
    send(program->window, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(from));
}

void post_command(const Program* program, int id, int notification) {
    HWND from = id < 40000 ? control(program, id) : nullptr;
    PostMessageA(program->window, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(from));
}

int focused_control(const Program* program) {
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(program->thread, &info) || !info.hwndFocus) return -1;
    if (info.hwndFocus == program->window) return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

HWND wait_owned_dialog(const Program* program) {
    HWND dialog = nullptr;
    wait_until([&] { return (dialog = owned_dialog(program)) != nullptr; });
    return dialog;
}

bool has_owned_dialog(const Program* program) {
    return owned_dialog(program) != nullptr;
}

HWND wait_dialog_owned_by(HWND owner) {
    HWND dialog = nullptr;
    wait_until([&] { return (dialog = dialog_owned_by(owner)) != nullptr; });
    return dialog;
}

bool answer_box(HWND box, int button, MessageBoxSeen* seen) {
    if (!box) return false;
    seen->text = text_of(GetDlgItem(box, 0xFFFF));
    char caption[256] = "";
    GetWindowTextA(box, caption, sizeof caption);
    seen->caption = caption;
    seen->buttons.clear();
    for (int id : {IDYES, IDNO, IDCANCEL, IDOK})
        if (HWND item = GetDlgItem(box, id)) seen->buttons += text_of(item) + "|";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return wait_until([&] { return !IsWindow(box); });
}

HWND submit_file_dialog(const Program* program, const std::string& path) {
    HWND dialog = wait_owned_dialog(program);
    if (!dialog) return nullptr;
    HWND name = GetDlgItem(dialog, FILE_NAME_EDIT);
    if (!name) name = GetDlgItem(dialog, FILE_NAME_COMBO);
    if (!name) return nullptr;
    set_text(name, path);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return dialog;
}

bool answer_file_dialog(const Program* program, const std::string& path) {
    HWND dialog = submit_file_dialog(program, path);
    return dialog && wait_until([&] { return !IsWindow(dialog); });
}

void press_keys(const Program* program, std::initializer_list<WORD> keys) {
    to_foreground(program);
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(key_input(key, 0));
    for (auto key = keys.end(); key != keys.begin();) inputs.push_back(key_input(*--key, KEYEVENTF_KEYUP));
    send_inputs(&inputs);
}

void type_text(const Program* program, const std::string& text) {
    to_foreground(program);
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(1251, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                     static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length : 0);
    std::vector<INPUT> inputs;
    for (wchar_t character : wide) {
        if (character == L'\n' || character == L'\t') {
            WORD key = character == L'\n' ? VK_RETURN : VK_TAB;
            inputs.push_back(key_input(key, 0));
            inputs.push_back(key_input(key, KEYEVENTF_KEYUP));
        } else {
            inputs.push_back(unicode_input(character, 0));
            inputs.push_back(unicode_input(character, KEYEVENTF_KEYUP));
        }
    }
    send_inputs(&inputs);
}

bool read_menu(const Program* program, MenuQuery* query) {
    HMODULE local = LoadLibraryA(driver_paths.probe.c_str());
    if (!local) return false;
    FARPROC local_query = GetProcAddress(local, "QueryMenu");
    HANDLE process = program->process.hProcess;
    const std::string& probe = driver_paths.probe;
    size_t size = sizeof(MenuQuery) + probe.size() + 1;
    char* memory = static_cast<char*>(
        VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    bool done = false;
    if (memory && local_query) {
        // kernel32 lies at the same address in every process.
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        WriteProcessMemory(process, memory + sizeof(MenuQuery), probe.c_str(), probe.size() + 1,
                           nullptr);
        DWORD base = run_remote(process, reinterpret_cast<void*>(GetProcAddress(kernel, "LoadLibraryA")),
                                memory + sizeof(MenuQuery));
        if (base) {
            ZeroMemory(query, sizeof *query);
            query->window = program->window;
            WriteProcessMemory(process, memory, query, sizeof *query, nullptr);
            char* remote_query = reinterpret_cast<char*>(static_cast<uintptr_t>(base)) +
                                 (reinterpret_cast<char*>(local_query) - reinterpret_cast<char*>(local));
            done = run_remote(process, remote_query, memory) == 1 &&
                   ReadProcessMemory(process, memory, query, sizeof *query, nullptr);
            run_remote(process, reinterpret_cast<void*>(GetProcAddress(kernel, "FreeLibrary")),
                       reinterpret_cast<void*>(static_cast<uintptr_t>(base)));
        }
    }
    if (memory) VirtualFreeEx(process, memory, 0, MEM_RELEASE);
    FreeLibrary(local);
    return done;
}

bool take_screenshot(const Program* program, const std::string& name) {
    if (driver_paths.screenshots.empty()) return true;
    std::string request = driver_paths.screenshots + "\\screenshot.request";
    std::string done = driver_paths.screenshots + "\\screenshot.done";
    DeleteFileA(done.c_str());
    RECT rect = window_rect(program->window);
    FILE* file = fopen((request + ".part").c_str(), "w");
    if (!file) return false;
    fprintf(file, "%ldx%ld+%ld+%ld %s\n", rect.right - rect.left, rect.bottom - rect.top,
            rect.left, rect.top, name.c_str());
    fclose(file);
    MoveFileA((request + ".part").c_str(), request.c_str());
    bool taken = wait_until([&] { return file_exists(done); }, 60000);
    DeleteFileA(done.c_str());
    return taken;
}
