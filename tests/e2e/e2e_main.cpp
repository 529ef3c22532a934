// The end-to-end driver: a console program that starts fuzzyreplace.exe and works it
// from outside. Arguments: the program, the menu probe library, and optionally the
// folder where the wrapper script takes the screenshot. Under Wine without an X display
// it skips (exit code 77), since the program's window could not be shown.
#include <gtest/gtest.h>

#include "program.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    char display[256];
    bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    if (wine && GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0) {
        printf("no DISPLAY: the end-to-end tests are skipped\n");
        return 77;
    }
    if (argc < 3) {
        fprintf(stderr, "usage: e2e_driver PROGRAM PROBE [SCREENSHOT_FOLDER]\n");
        return 2;
    }
    driver_paths.program = full_path(argv[1]);
    driver_paths.probe = full_path(argv[2]);
    if (argc > 3) driver_paths.screenshots = full_path(argv[3]);
    return RUN_ALL_TESTS();
}
