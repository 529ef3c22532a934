// Folder search benchmark: generates a tree of text and binary files, a folder of many
// small files, or one file dense in candidates for a query, and runs folder-mode Find or
// Replace on it (walk_folder with search_in_file) with the editor held in memory.
// bench/run-folder.sh compares it with grep, ripgrep, sd and sed.
#include "folder.h"
#include "folder_report.h"
#include "memory_window.h"
#include "query.h"
#include "text_encoding.h"
#include "undo.h"
#include "window.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

namespace {

// The marker that every query of the benchmark begins with.
const char MARKER[] = "fr_marker(";

struct Random {
    uint64_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 11);
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

const char* const WORDS[] = {
    "the", "of", "and", "value", "config", "server", "return", "index", "window", "file",
    "path", "record", "table", "query", "match", "replace", "folder", "editor", "line",
    "marker", "fr_mark", "text", "{", "}", "=", ";", "//", "0x1F", "42", "true",
    "настройка", "файл", "строка", "значение", "папка", "поиск", "замена", "окно"};

std::string text_file(Random* random, size_t size, int hits) {
    std::string text;
    text.reserve(size + 256);
    size_t next_hit = hits ? size / (hits + 1) : size + 1;
    int hit = 0;
    while (text.size() < size) {
        size_t line_end = text.size() + 40 + random->below(60);
        while (text.size() < line_end) {
            text += WORDS[random->below(sizeof WORDS / sizeof *WORDS)];
            text += ' ';
        }
        if (text.size() >= next_hit && hit < hits) {
            text += MARKER + std::to_string(random->below(100000)) + ")";
            next_hit += size / (hits + 1);
            hit++;
        }
        text += "\r\n";
    }
    return text;
}

std::string binary_file(Random* random, size_t size, int hits) {
    std::string bytes(size, 0);
    for (char& byte : bytes) byte = static_cast<char>(random->below(256));
    for (int i = 0; i < hits; i++) {
        std::string hit = MARKER + std::to_string(i) + ")";
        bytes.replace(random->below(static_cast<uint32_t>(size - hit.size())), hit.size(), hit);
    }
    return bytes;
}

void make_folder(const std::string& path) {
#ifdef _WIN32
    _mkdir(path.c_str());
#else
    mkdir(path.c_str(), 0755);
#endif
}

int write_file(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return -1;
    size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
    return fclose(file) == 0 && written == bytes.size() ? 0 : -1;
}

// `files` files of about `total_mb` MB in all, in 20 folders of 5 sub-folders each;
// one file in 20 is binary.
int generate(const char* root, int files, int total_mb) {
    Random random{0x9E3779B97F4A7C15ull};
    size_t average = static_cast<size_t>(total_mb) * 1048576 / files;
    for (int i = 0; i < files; i++) {
        std::string folder = std::string(root) + "/d" + std::to_string(i % 20);
        make_folder(folder);
        folder += "/s" + std::to_string(i / 20 % 5);
        make_folder(folder);
        size_t size = average / 2 + random.below(static_cast<uint32_t>(average));
        int hits = 2 + static_cast<int>(random.below(4));
        bool binary = i % 20 == 7;
        std::string path = folder + "/f" + std::to_string(i) + (binary ? ".bin" : ".txt");
        if (write_file(path, binary ? binary_file(&random, size, hits)
                                    : text_file(&random, size, hits)) != 0) {
            perror(path.c_str());
            return 1;
        }
    }
    return 0;
}

// `count` small files with a hit each, in sub-folders of 1,000 below `root`: a folder that
// a mask leaves out, which should cost nothing.
int small_files(const char* root, int count) {
    make_folder(root);
    for (int i = 0; i < count; i++) {
        std::string folder = std::string(root) + "/k" + std::to_string(i / 1000);
        if (i % 1000 == 0) make_folder(folder);
        std::string path = folder + "/old" + std::to_string(i) + ".txt";
        if (write_file(path, "old " + std::string(MARKER) + std::to_string(i) + ")\r\n") != 0) {
            perror(path.c_str());
            return 1;
        }
    }
    return 0;
}

#ifndef _WIN32
std::string read_bytes(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char block[65536];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
    fclose(file);
    return bytes;
}

// A copy of the tree `from` in `to` with every text file in `encoding` (UTF-16 behind its
// mark, which the detection would not need for these files): binary files stay as they
// are. For measuring the search in files that are not in the ANSI code page.
int encode_tree(const char* from, const char* to, int encoding) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(from, error)) {
        std::filesystem::path target =
            std::filesystem::path(to) / std::filesystem::relative(entry.path(), from);
        if (entry.is_directory()) {
            std::filesystem::create_directories(target, error);
            continue;
        }
        std::string bytes = read_bytes(entry.path().string());
        if (bytes.find('\0') != std::string::npos) {
            if (write_file(target.string(), bytes) != 0) return 1;
            continue;
        }
        uint32_t size = 0;
        char* encoded = encode_block(encoding, encoding != TEXT_UTF8, bytes.data(),
                                     static_cast<uint32_t>(bytes.size()), malloc, &size);
        if (!encoded) return 1;
        int written = write_file(target.string(), std::string(encoded, size));
        free(encoded);
        if (written != 0) return 1;
    }
    return error ? 1 : 0;
}
#endif

int one_letter(const char* path, int megabytes) {
    return write_file(path, std::string(static_cast<size_t>(megabytes) * 1048576, 'a')) ? 1 : 0;
}

// `text` over and over, `megabytes` MB of it.
int repeated(const char* path, int megabytes, const char* text) {
    size_t size = static_cast<size_t>(megabytes) * 1048576, length = strlen(text);
    if (length == 0) return 1;
    std::string bytes;
    bytes.reserve(size + length);
    while (bytes.size() < size) bytes += text;
    bytes.resize(size);
    return write_file(path, bytes) ? 1 : 0;
}

// Russian prose in Windows-1251 (the literals are compiled to it), lines of 40 to 100
// bytes ending in CR LF: lower-case words with a capital О now and then, but never three
// of them in a row, so that a query like и*ООО has a candidate in most words and no hit.
const char* const RUSSIAN[] = {
    "и", "в", "не", "на", "что", "он", "с", "как", "это", "из", "по", "но", "они", "мы",
    "были", "если", "или", "когда", "время", "жизнь", "история", "информация", "система",
    "значение", "настройки", "строки", "файлы", "папки", "поиск", "замена", "письмо",
    "договор", "компании", "директор", "Общество", "Отчёт", "Объект", "и", "и", "при"};

int russian(const char* path, int megabytes) {
    Random random{0x2545F4914F6CDD1Dull};
    size_t size = static_cast<size_t>(megabytes) * 1048576;
    std::string text;
    text.reserve(size + 256);
    while (text.size() < size) {
        size_t line_end = text.size() + 40 + random.below(60);
        while (text.size() < line_end) {
            text += RUSSIAN[random.below(sizeof RUSSIAN / sizeof *RUSSIAN)];
            text += ' ';
        }
        text += "\r\n";
    }
    text.resize(size);
    return write_file(path, text) ? 1 : 0;
}

// The report's lines worded as the window words them, then counted and dropped, as the
// other tools' lines are dropped by `wc -l`: what is timed is finding and wording them.
// (The window keeps them: bench/run-folder.sh times that as well, through window-find.)
struct Report {
    size_t bytes = 0;
    size_t lines = 0;
};

void report_sink(void* user, const FolderEvent* event) {
    Report* report = static_cast<Report*>(user);
    char line[2 * 4096 + REPORT_LINE_EXTRA];   // any two paths that the walk can give
    size_t length = format_report_line(event, line, sizeof line);
    if (length == 0) return;
    report->bytes += length;
    report->lines++;
}

// Find (no template) or Replace on the tree below `folder`; prints the report's line
// count and the walk's time. With `undo`, the Replace keeps the old contents in the
// temporary folder ($TMPDIR, or /tmp), as the window's Replace does; their removal is
// timed apart, as it comes later (with the next Replace, or when the window closes).
// With --bytes-only, every file is taken as ANSI bytes, as before encodings were told
// apart: the same walk without what telling them costs. --any-case and --whole-word are
// the search's options (match case off, whole word on).
int bytes_only = 0;
// With --threads N, the files are scanned by N threads (1: by the walk's own thread);
// without it, by as many as the cores, as in the window.
uint32_t threads = 0;
int match_case = 1;
int whole_word = 0;
// The hit lines whose line and excerpt are made, as the window lists them; with
// --all-lines every hit's (0: no bound), for measuring what they cost a hit.
uint32_t listed_hits = 20000;

int search(const char* folder, const char* query, const char* replacement, const char* mask,
           bool undo = false, int counting = 0) {
    Report report;
    UndoStore store = {};
    FolderJob job = {query,       replacement, mask,       literal_prefix_length(query),
                     report_sink, &report,     nullptr,    nullptr,
                     bytes_only,  counting,    undo ? &store : nullptr,
                     listed_hits, match_case,  whole_word, threads};
#ifdef _WIN32
    std::string pattern = std::string(folder) + "\\*";
#else
    std::string pattern = std::string(folder) + "/*";
#endif
    auto start = std::chrono::steady_clock::now();
    int32_t result = search_folder_tree(&job, pattern.c_str());
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%zu lines, %.3f s, walk result %d", report.lines, seconds, result);
    if (undo) {
        start = std::chrono::steady_clock::now();
        uint32_t kept = store.count;
        undo_discard(&store);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        printf(", %u files kept, removed in %.3f s", kept, seconds);
    }
    printf("\n");
    return 0;
}

// The same search as the window runs it: pressed in the window in memory, walked on a
// worker thread whose sink words the lines into the pending text, taken over by ticks.
// Ticks come every 100 microseconds rather than every TICK_MS, so that the end of the walk
// is seen at once and the figure is the walk's own. A Replace is the search that counts,
// confirmed at once, and then the Replace with its undo.
struct WindowBench {
    MemoryWindow memory;
    Window window;
    WindowState state = {};
};

void dispatch(void* context, int id, int notification) {
    WindowBench* bench = static_cast<WindowBench*>(context);
    window_command(&bench->state, &bench->window, id, notification);
}

int search_through_window(const char* folder, const char* query, const char* replacement,
                          const char* mask) {
    WindowBench bench;
    memory_window_init(&bench.memory);
    bench.window = memory_window(&bench.memory);
    bench.memory.notify = dispatch;
    bench.memory.notify_context = &bench;
    window_initialise(&bench.state, &bench.window);
    bench.state.walk_threads = threads;
    const WindowOps* ops = bench.window.ops;
    ops->set_text(bench.window.user, IDC_FIND_TEXT, query);
    ops->set_text(bench.window.user, IDC_REPLACE_TEXT, replacement ? replacement : "");
    ops->set_text(bench.window.user, IDC_FOLDER, folder);
    ops->set_text(bench.window.user, IDC_MASK, mask);
    memory_window_click(&bench.memory, IDC_IN_FOLDER);
    bench.memory.question_answers = {ANSWER_YES};
    auto start = std::chrono::steady_clock::now();
    memory_window_click(&bench.memory, replacement ? IDC_REPLACE : IDC_FIND);
    while (bench.state.walk) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        window_tick(&bench.state, &bench.window);
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    size_t lines = 0;
    for (char c : editor_text(&bench.memory)) lines += c == '\n';
    printf("%zu lines, %.3f s, through the window\n", lines - 1, seconds);   // less the header
    window_destroyed(&bench.state);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (; argc > 1 && std::string(argv[1]).rfind("--", 0) == 0; argc--, argv++) {
        std::string flag = argv[1];
        if (flag == "--bytes-only") bytes_only = 1;
        else if (flag == "--any-case") match_case = 0;
        else if (flag == "--whole-word") whole_word = 1;
        else if (flag == "--all-lines") listed_hits = 0;
        else if (flag == "--threads" && argc > 2) {
            threads = static_cast<uint32_t>(atoi(argv[2]));
            argc--;
            argv++;
        } else {
            break;
        }
    }
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "generate" && argc == 5) return generate(argv[2], atoi(argv[3]), atoi(argv[4]));
    if (command == "small-files" && argc == 4) return small_files(argv[2], atoi(argv[3]));
    if (command == "one-letter" && argc == 4) return one_letter(argv[2], atoi(argv[3]));
#ifndef _WIN32
    if (command == "encode-tree" && argc == 5) {
        std::string name = argv[4];
        int encoding = name == "utf8" ? TEXT_UTF8 : name == "utf16le" ? TEXT_UTF16_LE
                     : name == "utf16be" ? TEXT_UTF16_BE : -1;
        if (encoding >= 0) return encode_tree(argv[2], argv[3], encoding);
    }
#endif
    if (command == "repeated" && argc == 5) return repeated(argv[2], atoi(argv[3]), argv[4]);
    if (command == "russian" && argc == 4) return russian(argv[2], atoi(argv[3]));
    if (command == "find" && argc >= 4) return search(argv[2], argv[3], nullptr, argc > 4 ? argv[4] : "*");
    if (command == "replace" && argc >= 5)
        return search(argv[2], argv[3], argv[4], argc > 5 ? argv[5] : "*");
    if (command == "replace-undo" && argc >= 5)
        return search(argv[2], argv[3], argv[4], argc > 5 ? argv[5] : "*", true);
    if (command == "count" && argc >= 5)
        return search(argv[2], argv[3], argv[4], argc > 5 ? argv[5] : "*", false, 1);
    if (command == "window-find" && argc >= 4)
        return search_through_window(argv[2], argv[3], nullptr, argc > 4 ? argv[4] : "*");
    if (command == "window-replace" && argc >= 5)
        return search_through_window(argv[2], argv[3], argv[4], argc > 5 ? argv[5] : "*");
    fprintf(stderr,
            "usage: folder_bench generate FOLDER FILES MEGABYTES\n"
            "       folder_bench [--bytes-only] [--any-case] [--whole-word] [--all-lines]\n"
            "                    [--threads N] find|replace|replace-undo ...\n"
            "       folder_bench encode-tree FROM TO utf8|utf16le|utf16be\n"
            "       folder_bench small-files FOLDER COUNT\n"
            "       folder_bench one-letter FILE MEGABYTES\n"
            "       folder_bench repeated FILE MEGABYTES TEXT\n"
            "       folder_bench russian FILE MEGABYTES\n"
            "       folder_bench find FOLDER QUERY [MASK]\n"
            "       folder_bench replace FOLDER QUERY TEMPLATE [MASK]\n"
            "       folder_bench replace-undo FOLDER QUERY TEMPLATE [MASK]\n"
            "       folder_bench count FOLDER QUERY TEMPLATE [MASK]\n"
            "       folder_bench window-find FOLDER QUERY [MASK]\n"
            "       folder_bench window-replace FOLDER QUERY TEMPLATE [MASK]\n");
    return 2;
}
