#include "folder_fuzz_tree.h"

#include "folder.h"
#include "folder_platform.h"
#include "text_encoding.h"

#include <dirent.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The knobs, one byte each before the text.
enum Knob {
    KNOB_RUN,        // bit 0: the undo; bit 1: two threads; the rest: stop_after
    KNOB_QUERY,      // bits 0-1: JOINERS; 2-3: TAILS; 4: A's first byte as \xHH; 5-6: MASKS
    KNOB_A_AT,       // literal A: where it begins in the text,
    KNOB_A_LENGTH,   //   1 to 8 bytes
    KNOB_B_AT,       // literal B: where it begins,
    KNOB_B_LENGTH,   //   0 to 7 bytes
    KNOB_TEMPLATE,   // bits 0-1: TEMPLATES; 2-4: C's length; 5: C's first byte as \xHH;
                     //   6: the undo keeps copies
    KNOB_C_AT,       // literal C of the template: where it begins
    KNOBS
};

// The query: A, a joiner, B, a tail.
const char* const JOINERS[] = {"*", "?", "%n%", ""};
const char* const TAILS[] = {"", "*", "%t%", "?"};
// The template around C: before it, after it (the first shape leaves C out).
const char* const TEMPLATES[][2] = {{"", ""}, {"", ""}, {"", "%n%"}, {"%n%", "%t%"}};
const char* const MASKS[] = {"*", "*.txt", "*.txt;!*/sub", "*.bin;*.tmp;*-mark.txt"};

// A slice of the text typed as a literal: the query's special bytes escaped, a zero byte
// as \0, and with `hex` the first byte as \xHH (which also leaves the query without a
// literal prefix as the window counts it).
std::string typed(const std::string& bytes, bool hex) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); i++) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (i == 0 && hex) {
            char escape[5];
            snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        } else if (byte == 0) {
            out += "\\0";
        } else {
            if (byte == '*' || byte == '?' || byte == '%' || byte == '\\') out += '\\';
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string slice(const std::string& text, uint8_t at, size_t length) {
    size_t start = at % text.size();
    return text.substr(start, length);
}

enum Form { ANSI, UTF8, UTF16_LE, UTF16_BE };

// The byte that the encoded files write, in turn, as a character that the code page
// lacks, one beyond the Basic Multilingual Plane, and bytes that are no character.
constexpr unsigned char STRANGER = 0x98;

void put_unit(std::string* out, uint32_t unit, Form form) {
    char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    *out += form == UTF16_BE ? std::string{high, low} : std::string{low, high};
}

void put_point(std::string* out, uint32_t point, Form form) {
    if (form != UTF8) {
        if (point < 0x10000) return put_unit(out, point, form);
        put_unit(out, 0xD800 + ((point - 0x10000) >> 10), form);
        return put_unit(out, 0xDC00 + ((point - 0x10000) & 0x3FF), form);
    }
    if (point < 0x80) {
        *out += static_cast<char>(point);
        return;
    }
    int continuations = point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
    const unsigned char leads[] = {0, 0xC0, 0xE0, 0xF0};
    *out += static_cast<char>(leads[continuations] | point >> (6 * continuations));
    for (int i = continuations - 1; i >= 0; i--)
        *out += static_cast<char>(0x80 | (point >> (6 * i) & 0x3F));
}

std::string encoded(const std::string& text, Form form, bool mark) {
    const char* const marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    std::string out = mark ? marks[form] : "";
    if (form == ANSI) return out + text;
    const AnsiCodePage* page = ansi_code_page();
    int strangers = 0;
    for (unsigned char byte : text) {
        int turn = byte == STRANGER ? strangers++ % 3 : -1;
        if (turn < 0) {
            put_point(&out, page->characters[byte], form);
        } else if (turn == 0) {
            put_point(&out, 0x2603, form);
        } else if (turn == 1) {
            put_point(&out, 0x1F600, form);
        } else if (form == UTF8) {
            out += '\xFF';
        } else {
            put_unit(&out, 0xDC00, form);   // a low surrogate alone
        }
    }
    return out;
}

void write_file(const std::string& path, const std::string& bytes) {
    FILE* stream = fopen(path.c_str(), "wb");
    if (!stream || fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size() ||
        fclose(stream) != 0)
        abort();
}

void collect(const std::string& root, const std::string& relative, Tree* tree) {
    std::string folder = relative.empty() ? root : root + "/" + relative;
    DIR* dir = opendir(folder.c_str());
    if (!dir) abort();
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat status;
        if (lstat((root + "/" + path).c_str(), &status) != 0) abort();
        TreeEntry& seen = (*tree)[path];
        seen.mode = status.st_mode;
        if (S_ISDIR(status.st_mode)) {
            collect(root, path, tree);
            continue;
        }
        seen.links = static_cast<unsigned>(status.st_nlink);
        FILE* stream = fopen((root + "/" + path).c_str(), "rb");
        if (!stream) abort();
        char block[4096];
        for (size_t got; (got = fread(block, 1, sizeof block, stream)) > 0;)
            seen.bytes.append(block, got);
        fclose(stream);
    }
    closedir(dir);
}

int remove_entry(const char* path, const struct stat*, int, FTW*) { return remove(path); }

}  // namespace

bool read_case(const uint8_t* data, size_t size, FuzzCase* out) {
    if (size <= KNOBS) return false;
    const uint8_t* knob = data;
    std::string text(reinterpret_cast<const char*>(data + KNOBS), size - KNOBS);
    // Long enough that UTF-16 without a mark can be told.
    while (text.size() < UTF16_LEAST_UNITS) text += text;

    const std::string a = slice(text, knob[KNOB_A_AT], 1 + knob[KNOB_A_LENGTH] % 8);
    const std::string b = slice(text, knob[KNOB_B_AT], knob[KNOB_B_LENGTH] % 8);
    const bool hex = knob[KNOB_QUERY] >> 4 & 1;
    out->query = typed(a, hex) + JOINERS[knob[KNOB_QUERY] & 3] + typed(b, false) +
                 TAILS[knob[KNOB_QUERY] >> 2 & 3];
    // No template writes a `%` of its own (an escaped one opens a reference too), and a
    // query's literal matches whatever stands behind its zero byte, which the template
    // writes as a zero: a literal with either byte has no identity.
    const bool identical = (a + b).find_first_of(std::string("%\0", 2)) == std::string::npos;
    out->identity = identical ? typed(a, hex) + "%n%" + typed(b, false) : "";
    const char* const* around = TEMPLATES[knob[KNOB_TEMPLATE] & 3];
    const bool with_c = (knob[KNOB_TEMPLATE] & 3) != 0;
    const std::string c = with_c ? slice(text, knob[KNOB_C_AT], knob[KNOB_TEMPLATE] >> 2 & 7) : "";
    out->replacement = around[0] + typed(c, knob[KNOB_TEMPLATE] >> 5 & 1) + around[1];
    out->mask = MASKS[knob[KNOB_QUERY] >> 5 & 3];
    out->text = text;
    out->undo = knob[KNOB_RUN] & 1;
    out->undo_copies = knob[KNOB_TEMPLATE] >> 6 & 1;
    out->threads = knob[KNOB_RUN] & 2 ? 2 : 1;
    out->stop_after = knob[KNOB_RUN] >> 2;
    return true;
}

void make_tree(const std::string& root, const std::string& text) {
    struct Planted {
        const char* name;
        Form form;
        bool mark;
    };
    const Planted planted[] = {
        {"ansi.txt", ANSI, false},
        {"utf8.txt", UTF8, false},
        {"utf8-mark.txt", UTF8, true},
        {"utf16le.txt", UTF16_LE, false},
        {"utf16le-mark.txt", UTF16_LE, true},
        {"sub/utf16be.txt", UTF16_BE, false},
        {"sub/utf16be-mark.txt", UTF16_BE, true},
        {"sub/linked.txt", UTF8, false},
        {"sub/read-only.txt", ANSI, false},
        {"leftover.txt", ANSI, false},
    };
    if (mkdir((root + "/sub").c_str(), 0755) != 0) abort();
    for (const Planted& file : planted)
        write_file(root + "/" + file.name, encoded(text, file.form, file.mark));
    // A last byte alone, half a code unit.
    FILE* odd = fopen((root + "/sub/utf16be.txt").c_str(), "ab");
    if (!odd || fputc('.', odd) == EOF || fclose(odd) != 0) abort();
    std::string binary = text;
    binary.insert(binary.size() / 2, 1, '\0');
    write_file(root + "/zero.bin", binary);
    if (link((root + "/sub/linked.txt").c_str(), (root + "/sub/linked-too.txt").c_str()) != 0)
        abort();
    // What the program takes for read-only, even where the tests run as root.
    if (chmod((root + "/sub/read-only.txt").c_str(), 0444) != 0) abort();
    write_file(root + "/leftover.txt" + TEMP_SUFFIX, text);
}

Tree read_tree(const std::string& root) {
    Tree tree;
    collect(root, "", &tree);
    return tree;
}

void remove_tree(const std::string& path) {
    nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}
