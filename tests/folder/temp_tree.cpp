#include "temp_tree.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace {

void remove_all(const std::string& path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(data.cFileName, ".") && strcmp(data.cFileName, ".."))
                remove_all(path + "\\" + data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
#else
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) return;
    if (!S_ISDIR(status.st_mode)) {
        unlink(path.c_str());
        return;
    }
    chmod(path.c_str(), 0700);
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, ".."))
                remove_all(path + "/" + entry->d_name);
        }
        closedir(dir);
    }
    rmdir(path.c_str());
#endif
}

// Every entry below `path`, named relative to the tree with '/' between names.
void collect(const std::string& path, const std::string& relative, std::vector<std::string>* out) {
#ifdef _WIN32
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        out->push_back(relative + name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            collect(path + "\\" + name, relative + name + "/", out);
    } while (FindNextFileA(find, &data));
    FindClose(find);
#else
    DIR* dir = opendir(path.c_str());
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        out->push_back(relative + name);
        struct stat status;
        if (lstat((path + "/" + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            collect(path + "/" + name, relative + name + "/", out);
    }
    closedir(dir);
#endif
}

}  // namespace

TempTree::TempTree() {
#ifdef _WIN32
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static unsigned counter = 0;
    do {
        root = std::string(base) + "fr" + std::to_string(GetCurrentProcessId()) + "_" +
               std::to_string(++counter);
    } while (!CreateDirectoryA(root.c_str(), nullptr));
#else
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/frXXXXXX";
    root = mkdtemp(&pattern[0]);
#endif
}

TempTree::~TempTree() { remove_all(root); }

std::string TempTree::path(const std::string& relative) const {
    std::string native = relative;
    std::replace(native.begin(), native.end(), '/', SEP);
    return relative.empty() ? root : root + SEP + native;
}

void TempTree::file(const std::string& relative, const std::string& bytes) const {
    FILE* stream = fopen(path(relative).c_str(), "wb");
    if (!stream) abort();
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fclose(stream);
}

void TempTree::folder(const std::string& relative) const {
#ifdef _WIN32
    CreateDirectoryA(path(relative).c_str(), nullptr);
#else
    mkdir(path(relative).c_str(), 0755);
#endif
}

void TempTree::make(const std::vector<std::string>& entries, const std::string& bytes) const {
    for (const std::string& entry : entries) {
        if (entry.back() != '/') file(entry, bytes);
        else folder(entry.substr(0, entry.size() - 1));
    }
}

std::string TempTree::read(const std::string& relative) const {
    FILE* stream = fopen(path(relative).c_str(), "rb");
    if (!stream) return "<missing>";
    std::string bytes;
    char block[4096];
    for (size_t got; (got = fread(block, 1, sizeof block, stream)) > 0;) bytes.append(block, got);
    fclose(stream);
    return bytes;  // a folder reads as empty
}

void TempTree::remove(const std::string& relative) const { remove_all(path(relative)); }

unsigned long long TempTree::free_bytes() const {
#ifdef _WIN32
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr)) return 0;
    return available.QuadPart;
#else
    struct statvfs status;
    if (statvfs(root.c_str(), &status) != 0) return 0;
    return static_cast<unsigned long long>(status.f_bavail) * status.f_frsize;
#endif
}

std::vector<std::string> TempTree::entries() const {
    std::vector<std::string> out;
    collect(root, "", &out);
    return sorted(out);
}

std::string slashed(std::string path) {
    std::replace(path.begin(), path.end(), SEP, '/');
    return path;
}

std::vector<std::string> list_entries(const char* list, char separator) {
    std::vector<std::string> out;
    for (const char* at = list; at && *at; at += out.back().size() + 1) {
        const char* end = separator ? strchr(at, separator) : at + strlen(at);
        if (!end) break;  // every entry ends in its separator
        out.push_back(slashed(std::string(at, end)));
    }
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

std::string TempTree::long_path(size_t length) const {
    std::string relative;
    while (root.size() + 1 + relative.size() + 200 + 10 < length) {
        relative += std::string(200, 'd');
        folder(relative);
        relative += '/';
    }
    return relative + std::string(length - root.size() - 1 - relative.size(), 'f');
}
