// Real folder trees for the folder tests, in a fresh temporary folder removed at the end
// of each test, on POSIX systems and on Windows alike.
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
constexpr char SEP = '\\';
#else
constexpr char SEP = '/';
#endif

struct TempTree {
    std::string root;  // without a trailing separator

    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // `relative` uses '/' between names; it becomes the platform's separator. `make`
    // makes folders (names that end in '/') and files that hold `bytes`.
    std::string path(const std::string& relative) const;
    void file(const std::string& relative, const std::string& bytes = "") const;
    void folder(const std::string& relative) const;  // "" makes the root again
    void make(const std::vector<std::string>& entries, const std::string& bytes = "") const;
    std::string read(const std::string& relative) const;  // "<missing>" if there is none
    void remove(const std::string& relative) const;
    // Makes folders of at most 200 characters each and gives the relative path of a file
    // below them whose full path is `length` characters long.
    std::string long_path(size_t length) const;
    // Bytes free on the tree's file system.
    unsigned long long free_bytes() const;
    // Every entry below the root, relative, with '/' between names, sorted.
    std::vector<std::string> entries() const;
};

// A path with '/' between names, whatever the platform's separator.
std::string slashed(std::string path);

// Splits a name list (LF or NUL separated) into its entries, '/' between names.
std::vector<std::string> list_entries(const char* list, char separator);
std::vector<std::string> sorted(std::vector<std::string> items);
