// The floor of a folder scan on Windows: every file of a tree listed and read in 1 MB
// blocks into one reused buffer, with nothing done to the bytes. Prints the files, the
// bytes and the time, as folder_bench prints its walk: "N files, T s, B bytes". With
// --threads N (more than 1) the files are listed first and then read by N threads side
// by side, each into a buffer of its own: whether the system reads files in parallel.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

constexpr DWORD BLOCK = 1 << 20;

struct Totals {
    uint64_t files = 0;
    uint64_t bytes = 0;
};

void read_file(const std::string& path, char* buffer, Totals* totals) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD got = 0;
    while (ReadFile(file, buffer, BLOCK, &got, nullptr) && got > 0) totals->bytes += got;
    CloseHandle(file);
    totals->files++;
}

// Reads each file as it is listed, or, with `paths`, only lists it there.
void read_tree(const std::string& folder, char* buffer, Totals* totals,
               std::vector<std::string>* paths) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
        std::string path = folder + "\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) read_tree(path, buffer, totals, paths);
        else if (paths) paths->push_back(path);
        else read_file(path, buffer, totals);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

struct Reader {
    const std::vector<std::string>* paths;
    volatile LONG* next;
    Totals totals;
};

DWORD WINAPI read_listed(void* argument) {
    Reader* reader = static_cast<Reader*>(argument);
    char* buffer = static_cast<char*>(malloc(BLOCK));
    for (LONG i; buffer && (i = InterlockedIncrement(reader->next) - 1) < static_cast<LONG>(reader->paths->size());)
        read_file((*reader->paths)[i], buffer, &reader->totals);
    free(buffer);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int threads = 1;
    if (argc == 4 && strcmp(argv[1], "--threads") == 0) {
        threads = atoi(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc != 2 || threads < 1 || threads > 64) {
        fprintf(stderr, "usage: plain_reader [--threads N] FOLDER\n");
        return 2;
    }
    static char buffer[BLOCK];
    Totals totals;
    auto start = std::chrono::steady_clock::now();
    if (threads == 1) {
        read_tree(argv[1], buffer, &totals, nullptr);
    } else {
        std::vector<std::string> paths;
        read_tree(argv[1], buffer, &totals, &paths);
        volatile LONG next = 0;
        std::vector<Reader> readers(threads, Reader{&paths, &next, {}});
        std::vector<HANDLE> handles;
        for (Reader& reader : readers) {
            HANDLE handle = CreateThread(nullptr, 0, read_listed, &reader, 0, nullptr);
            if (handle) handles.push_back(handle);
            else read_listed(&reader);
        }
        WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
        for (HANDLE handle : handles) CloseHandle(handle);
        for (size_t i = 0; i < readers.size(); i++) {
            totals.files += readers[i].totals.files;
            totals.bytes += readers[i].totals.bytes;
        }
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%llu files, %.3f s, %llu bytes\n", static_cast<unsigned long long>(totals.files),
           seconds, static_cast<unsigned long long>(totals.bytes));
    return 0;
}
