// The floor of a folder scan on Windows: every file of a tree listed and read in 1 MB
// blocks into one reused buffer, with nothing done to the bytes. Prints the files, the
// bytes and the time, as folder_bench prints its walk: "N files, T s, B bytes".
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <chrono>
#include <string>

namespace {

constexpr DWORD BLOCK = 1 << 20;

struct Totals {
    uint64_t files = 0;
    uint64_t bytes = 0;
};

void read_tree(const std::string& folder, char* buffer, Totals* totals) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
        std::string path = folder + "\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            read_tree(path, buffer, totals);
            continue;
        }
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        DWORD got = 0;
        while (ReadFile(file, buffer, BLOCK, &got, nullptr) && got > 0) totals->bytes += got;
        CloseHandle(file);
        totals->files++;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: plain_reader FOLDER\n");
        return 2;
    }
    static char buffer[BLOCK];
    Totals totals;
    auto start = std::chrono::steady_clock::now();
    read_tree(argv[1], buffer, &totals);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%llu files, %.3f s, %llu bytes\n", static_cast<unsigned long long>(totals.files),
           seconds, static_cast<unsigned long long>(totals.bytes));
    return 0;
}
