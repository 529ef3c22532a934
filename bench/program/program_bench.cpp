// The program as its users run it: a folder Find pressed in its window, timed from the
// press until the search has ended and its whole report is in the editor. Each query is
// run in a fresh program REPEAT times; prints, per query, the median, the fastest and the
// slowest time and the report's lines: "QUERY: median min max s, N lines". A search that
// has not ended after FIND_LIMIT seconds (default 600) fails the run: "QUERY: failed".
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

// One Find over `folder`; its time in seconds (-1 on failure) and the report's lines.
double find_once(const std::string& folder, const std::string& query, DWORD limit_ms,
                 size_t* lines) {
    Program program;
    if (!start_program(&program, full_path("."))) return -1;
    SendMessageA(control(&program, IDC_IN_FOLDER), BM_CLICK, 0, 0);
    set_text(control(&program, IDC_FOLDER), folder);
    set_text(control(&program, IDC_MASK), "*");
    set_text(control(&program, IDC_FIND_TEXT), query);
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: program_bench PROGRAM FOLDER QUERY...\n");
        return 2;
    }
    driver_paths.program = full_path(argv[1]);
    int repeat = getenv("REPEAT") ? atoi(getenv("REPEAT")) : 3;
    DWORD limit_ms = (getenv("FIND_LIMIT") ? atoi(getenv("FIND_LIMIT")) : 600) * 1000;
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
