// The program as its users run it: a folder Find pressed in its window, timed from the
// press until the search has ended and its whole report is in the editor. Each query is
// run in a fresh program REPEAT times; prints, per query, the median, the fastest and the
// slowest time and the report's lines: "QUERY: median min max s, N lines". A search that
// has not ended after FIND_LIMIT seconds (default 600) fails the run: "QUERY: failed".
//   program_bench open PROGRAM FILE...: Open of each file (ANSI text), timed from the file
//     dialog's OK until the whole text is in the editor: "FILE: median min max s".
//   program_bench hit PROGRAM FOLDER QUERY: a folder Find, then a double click on its
//     report's last hit line, timed until the hit is selected in its file, whole in the
//     editor: "hit: median min max s".
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program.h"
#include "window_ops.h"

namespace {

double seconds_since(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
}

// Starts a fresh program with a folder Find of `query` over every file of `folder` filled
// in, not yet pressed. False when no window came.
bool start_with_search(Program* program, const std::string& folder, const std::string& query) {
    if (!start_program(program, full_path("."))) return false;
    SendMessageA(control(program, IDC_IN_FOLDER), BM_CLICK, 0, 0);
    set_text(control(program, IDC_FOLDER), folder);
    set_text(control(program, IDC_MASK), "*");
    set_text(control(program, IDC_FIND_TEXT), query);
    return true;
}

// One Find over `folder`; its time in seconds (-1 on failure) and the report's lines.
double find_once(const std::string& folder, const std::string& query, DWORD limit_ms,
                 size_t* lines) {
    Program program;
    if (!start_with_search(&program, folder, query)) return -1;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    send_command(&program, IDC_FIND, 0);   // returns once the search has started
    HWND find = control(&program, IDC_FIND);
    bool ended = wait_until([&] { return text_of(find) == "Найти"; }, limit_ms);
    double seconds = ended ? seconds_since(start) : -1;
    std::string report = text_of(control(&program, IDC_EDITOR));
    *lines = static_cast<size_t>(std::count(report.begin(), report.end(), '\n'));
    if (close_program(&program) != 0) kill_program(&program);
    return seconds;
}

// Whether the editor holds `length` characters and the title no longer tells a loading.
bool whole_in_editor(const Program* program, size_t length) {
    char title[64] = "";
    GetWindowTextA(program->window, title, sizeof title);
    return strncmp(title, "Открытие", strlen("Открытие")) != 0 &&
           SendMessageA(control(program, IDC_EDITOR), WM_GETTEXTLENGTH, 0, 0) == static_cast<LRESULT>(length);
}

size_t file_size(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

// One Open of `path`: its time in seconds, or -1.
double open_once(const std::string& path, DWORD limit_ms) {
    Program program;
    if (!start_program(&program, full_path("."))) return -1;
    size_t length = file_size(path.c_str());
    post_command(&program, IDM_OPEN);
    HWND dialog = submit_file_dialog(&program, path);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    bool whole = dialog && wait_until([&] { return whole_in_editor(&program, length); }, limit_ms);
    double seconds = whole ? seconds_since(start) : -1;
    if (close_program(&program) != 0) kill_program(&program);
    return seconds;
}

// One double click on the last hit line of a Find's report: its time in seconds, or -1.
double hit_once(const std::string& folder, const std::string& query, DWORD limit_ms) {
    Program program;
    if (!start_with_search(&program, folder, query)) return -1;
    send_command(&program, IDC_FIND, 0);
    HWND editor = control(&program, IDC_EDITOR);
    double seconds = -1;
    if (wait_until([&] { return text_of(control(&program, IDC_FIND)) == "Найти"; }, limit_ms)) {
        std::string report = text_of(editor);
        size_t line = report.rfind('\n', report.size() - 3) + 1;
        size_t tab = report.find(": ", line);
        long long offset = atoll(report.c_str() + tab + 2);
        std::string path = report.substr(line, report.find(" \t", line) - line);
        size_t length = file_size(path.c_str());
        std::pair<DWORD, DWORD> hit(static_cast<DWORD>(offset), static_cast<DWORD>(offset + query.size()));
        double_click(editor, static_cast<int>(line) + 3);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        if (wait_until([&] {
                return whole_in_editor(&program, length) && selection_of(control(&program, IDC_EDITOR)) == hit;
            }, limit_ms))
            seconds = seconds_since(start);
    }
    if (close_program(&program) != 0) kill_program(&program);
    return seconds;
}

// Prints "NAME: median min max s" of `repeat` runs of `run`; false when one failed.
template <typename Run>
bool print_times(const char* name, int repeat, Run run) {
    std::vector<double> times;
    for (int i = 0; i < repeat; i++) {
        double seconds = run();
        if (seconds < 0) {
            printf("%s: failed\n", name);
            return false;
        }
        times.push_back(seconds);
    }
    std::sort(times.begin(), times.end());
    printf("%s: %.3f %.3f %.3f s\n", name, times[times.size() / 2], times.front(), times.back());
    fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = getenv("REPEAT") ? atoi(getenv("REPEAT")) : 3;
    DWORD limit_ms = (getenv("FIND_LIMIT") ? atoi(getenv("FIND_LIMIT")) : 600) * 1000;
    if (argc >= 4 && strcmp(argv[1], "open") == 0) {
        driver_paths.program = full_path(argv[2]);
        for (int f = 3; f < argc; f++)
            if (!print_times(argv[f], repeat, [&] { return open_once(full_path(argv[f]), limit_ms); }))
                return 1;
        return 0;
    }
    if (argc == 5 && strcmp(argv[1], "hit") == 0) {
        driver_paths.program = full_path(argv[2]);
        return print_times("hit", repeat, [&] { return hit_once(argv[3], argv[4], limit_ms); }) ? 0 : 1;
    }
    if (argc < 4) {
        fprintf(stderr, "usage: program_bench PROGRAM FOLDER QUERY...\n"
                        "       program_bench open PROGRAM FILE...\n"
                        "       program_bench hit PROGRAM FOLDER QUERY\n");
        return 2;
    }
    driver_paths.program = full_path(argv[1]);
    for (int q = 3; q < argc; q++) {
        std::vector<double> times;
        size_t lines = 0;
        for (int i = 0; i < repeat; i++) {
            double seconds = find_once(argv[2], argv[q], limit_ms, &lines);
            if (seconds < 0) {
                printf("%s: failed\n", argv[q]);
                return 1;
            }
            times.push_back(seconds);
        }
        std::sort(times.begin(), times.end());
        printf("%s: %.3f %.3f %.3f s, %zu lines\n", argv[q], times[times.size() / 2], times.front(),
               times.back(), lines - 1);   // less the header
        fflush(stdout);
    }
    return 0;
}
