// The package as a user gets it: unpacked into an empty folder, it gives one folder, in
// which the program starts and shows its guide, unmarked; started from elsewhere (a
// shortcut), it still finds the guide beside itself.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>

#include "program.h"
#include "window_ops.h"

namespace {

std::string folder_of(const std::string& file) { return file.substr(0, file.rfind('\\')); }

std::string read_bytes(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return "(missing " + path + ")";
    char block[4096];
    for (size_t got; (got = fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
    fclose(file);
    return bytes;
}

// The file version of the version resource, as "a.b.c.d".
std::string file_version(const std::string& program) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::string info(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(program.c_str(), 0, size, &info[0]) ||
        !VerQueryValueA(&info[0], "\\", reinterpret_cast<void**>(&fixed), &length))
        return "(none)";
    char text[64];
    snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS));
    return text;
}

std::string names_in(const std::string& folder) {
    std::string names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") names += name + " ";
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

TEST(Package, HoldsOneFolderWithTheProgramOfItsVersionAndTheGuide) {
    std::string folder = folder_of(driver_paths.program);
    EXPECT_EQ(names_in(folder_of(folder)), "fuzzyreplace ");
    std::string names = names_in(folder);
    EXPECT_TRUE(names == "fuzzyreplace.exe readme.txt " || names == "readme.txt fuzzyreplace.exe ")
        << names;
    EXPECT_EQ(file_version(driver_paths.program), PACKAGE_VERSION);
    EXPECT_EQ(read_bytes(folder + "\\readme.txt"), read_bytes(full_path(GUIDE_PATH)));
}

TEST(Package, ShowsItsGuideUnmarkedAtStart) {
    Program program = {};
    ASSERT_TRUE(start_program(&program, folder_of(driver_paths.program)));
    EXPECT_EQ(text_of(control(&program, IDC_EDITOR)), read_bytes(full_path(GUIDE_PATH)));
    char title[512] = "";
    GetWindowTextA(program.window, title, sizeof title);
    EXPECT_STREQ(title, "Поиск и замена по нечётким формулировкам");
    EXPECT_EQ(focused_control(&program), IDC_EDITOR);
    // The picture for the README: the guide at its start, no selection.
    select_range(control(&program, IDC_EDITOR), 0, 0);
    EXPECT_TRUE(take_screenshot(&program, "guide.png"));
    EXPECT_EQ(close_program(&program), 0);
    kill_program(&program);
}

TEST(Package, FindsItsGuideWhenStartedFromAnotherFolder) {
    Program program = {};
    ASSERT_TRUE(start_program(&program, folder_of(folder_of(driver_paths.program))));
    EXPECT_EQ(text_of(control(&program, IDC_EDITOR)), read_bytes(full_path(GUIDE_PATH)));
    EXPECT_EQ(close_program(&program), 0);
    kill_program(&program);
}

}  // namespace
