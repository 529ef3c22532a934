// Fuzzes the folder search on real trees. Each input becomes a small tree in a fresh
// temporary folder, with a query and a template cut from its text (folder_fuzz_tree.h).
// Find, the counting Find, an identity Replace, the Replace (with or without the undo,
// sometimes stopped) and the undo run over it, and the run aborts where a promise of the
// folder search breaks.
#include "folder_fuzz_tree.h"

#include "folder.h"
#include "query.h"
#include "text_encoding.h"
#include "undo.h"
#include "undo_platform.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <map>
#include <string>

namespace {

const FuzzCase* current;   // named when an invariant breaks

void check(bool holds, const char* what) {
    if (holds) return;
    fprintf(stderr, "broken: %s\nquery «%s», template «%s», identity «%s», mask «%s»\n",
            what, current->query.c_str(), current->replacement.c_str(),
            current->identity.c_str(), current->mask.c_str());
    abort();
}

// Names what differs before it aborts.
void check_same_tree(const Tree& before, const Tree& now, const char* what) {
    for (const auto& [path, entry] : now) {
        auto was = before.find(path);
        if (was == before.end()) {
            fprintf(stderr, "new: %s\n", path.c_str());
        } else if (!(was->second == entry)) {
            const std::string &old = was->second.bytes, &bytes = entry.bytes;
            size_t at = 0;
            while (at < old.size() && at < bytes.size() && old[at] == bytes[at]) at++;
            fprintf(stderr, "changed: %s, %zu bytes to %zu, from offset %zu\n", path.c_str(),
                    old.size(), bytes.size(), at);
        }
    }
    for (const auto& [path, entry] : before)
        if (!now.count(path)) fprintf(stderr, "gone: %s\n", path.c_str());
    check(now == before, what);
}

// The undo keeps old contents in the scratch folder, beside the tree and not in it.
std::string undo_folder;   // with its separator
const UndoPlatform system_undo = undo_platform;

uint32_t scratch_temporary(char* buffer, uint32_t size) {
    if (undo_folder.size() >= size) return 0;
    undo_folder.copy(buffer, undo_folder.size());
    buffer[undo_folder.size()] = '\0';
    return static_cast<uint32_t>(undo_folder.size());
}

int other_volume(const char*, const char*) { return EXDEV; }

// The length of the character at bytes[at] of a UTF-8 or UTF-16 text: a well-formed
// sequence or surrogate pair, else the one byte or code unit, which the search takes as
// a character of its own.
size_t character_length(const std::string& bytes, size_t at, int encoding) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (is_utf16(encoding)) {
        if (at + 2 > bytes.size()) return 1;
        auto unit = [&](size_t i) {
            return encoding == TEXT_UTF16_BE ? byte(i) << 8 | byte(i + 1)
                                             : byte(i + 1) << 8 | byte(i);
        };
        bool pair = unit(at) >= 0xD800 && unit(at) <= 0xDBFF && at + 4 <= bytes.size() &&
                    unit(at + 2) >= 0xDC00 && unit(at + 2) <= 0xDFFF;
        return pair ? 4 : 2;
    }
    unsigned char lead = byte(at);
    size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
    // The second byte's range keeps out overlong forms, surrogates and too large points.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (at + length > bytes.size()) return 1;
    for (size_t i = 1; i < length; i++) {
        if (byte(at + i) < (i == 1 ? low : 0x80) || byte(at + i) > (i == 1 ? high : 0xBF))
            return 1;
    }
    return length;
}

// A hit lies inside its file, behind its mark, where a character of its encoding begins.
// Returns what it breaks, or null.
const char* misplaced(const std::string& bytes, const FolderEvent* event) {
    const char* mark;
    size_t at = text_mark(event->encoding, &mark);
    if (bytes.compare(0, at, mark) != 0) at = 0;
    const int64_t offset = event->offset;
    if (offset < static_cast<int64_t>(at) || offset >= static_cast<int64_t>(bytes.size()))
        return "a hit lies inside its file's text";
    if (event->encoding != TEXT_UTF8 && !is_utf16(event->encoding)) return nullptr;
    while (static_cast<int64_t>(at) < offset) at += character_length(bytes, at, event->encoding);
    return static_cast<int64_t>(at) == offset ? nullptr : "a hit begins where a character does";
}

// What a walk's sink saw; each hit is checked as it comes against the tree before the walk.
struct Seen {
    const Tree* before;
    std::string root;          // the tree's, with its separator
    uint32_t stop_after;       // the events after which the walk is stopped; 0: never
    uint32_t events;
    uint8_t stop;              // the job's stop byte
    std::map<std::string, int64_t> counted;    // FOLDER_REWRITABLE: the hits a file has
    std::map<std::string, int64_t> replaced;   // FOLDER_HIT_REPLACED of each file
};

void sink(void* user, const FolderEvent* event) {
    Seen* seen = static_cast<Seen*>(user);
    std::string path = event->path;
    check(path.compare(0, seen->root.size(), seen->root) == 0, "every event is about the tree");
    path.erase(0, seen->root.size());
    if (event->kind == FOLDER_HIT_FOUND || event->kind == FOLDER_HIT_REPLACED) {
        auto file = seen->before->find(path);
        check(file != seen->before->end() && S_ISREG(file->second.mode),
              "a hit is in a file of the tree");
        if (const char* broken = misplaced(file->second.bytes, event)) {
            fprintf(stderr, "hit: %s at %lld, encoding %d\n", path.c_str(),
                    static_cast<long long>(event->offset), event->encoding);
            check(false, broken);
        }
    }
    if (event->kind == FOLDER_HIT_REPLACED) seen->replaced[path]++;
    if (event->kind == FOLDER_REWRITABLE) seen->counted[path] += event->offset;
    if (++seen->events == seen->stop_after) __atomic_store_n(&seen->stop, 1, __ATOMIC_RELAXED);
}

// One walk over the tree at `root`: Find (no replacement), the search before a Replace
// (counting, with its template), or Replace.
void walk(const std::string& root, const char* query, const char* replacement, int counting,
          UndoStore* undo, uint32_t stop_after, const Tree& before, Seen* seen) {
    *seen = Seen{&before, root + "/", stop_after, 0, 0, {}, {}};
    FolderJob job = {};
    job.query = query;
    job.replacement = replacement;
    job.mask = current->mask.c_str();
    job.prefix_length = literal_prefix_length(query);   // as the window counts it
    job.sink = sink;
    job.sink_user = seen;
    job.stop = &seen->stop;
    job.counting = counting;
    job.undo = undo;
    // 1: the walk's own thread; 2: a pool of two beside it.
    job.threads = static_cast<uint32_t>(current->threads);
    search_folder_tree(&job, (root + "/*").c_str());
}

// The counting Find told of each file the hits that the Replace, not stopped, replaced
// there. The window counts only for a query and a template that it can use.
void check_count(const Seen& counted, const Seen& replaced) {
    QueryFault fault;
    if (find_query_fault(current->query.c_str(), current->replacement.c_str(), &fault) !=
            QUERY_FAULT_NONE ||
        replaced.stop || counted.counted == replaced.replaced)
        return;
    for (const auto& [path, entry] : *counted.before) {
        auto told = counted.counted.find(path);
        auto done = replaced.replaced.find(path);
        if (told == counted.counted.end() && done == replaced.replaced.end()) continue;
        fprintf(stderr, "%s: %lld counted, %lld replaced\n", path.c_str(),
                told == counted.counted.end() ? 0LL : static_cast<long long>(told->second),
                done == replaced.replaced.end() ? 0LL : static_cast<long long>(done->second));
    }
    check(false, "the count is the hits replaced");
}

// The Replace, then the undo: what changed, and what came back.
void replace_and_undo(const std::string& tree, const Tree& before, const Seen& counted) {
    UndoStore store = {};
    Seen replaced;
    walk(tree, current->query.c_str(), current->replacement.c_str(), 0,
         current->undo ? &store : nullptr, current->stop_after, before, &replaced);
    Tree after = read_tree(tree);
    bool same_names = after.size() == before.size();
    for (const auto& [path, entry] : before) same_names = same_names && after.count(path);
    if (!same_names) check_same_tree(before, after, "Replace leaves no copy and keeps every name");
    for (const auto& [path, entry] : before) {
        const TreeEntry& now = after.at(path);
        if (!replaced.replaced.count(path))
            check(now == entry, "a file without a replaced hit is left byte for byte");
        check(now.mode == entry.mode && now.links == entry.links,
              "a rewritten file keeps its permissions and its names");
    }
    check_count(counted, replaced);
    if (!current->undo) return;

    Seen restored = {&before, tree + "/", 0, 0, 0, {}, {}};
    FolderJob job = {};
    job.sink = sink;
    job.sink_user = &restored;
    undo_restore(&store, &job);
    check_same_tree(before, read_tree(tree), "after the undo the tree is as before the Replace");
    undo_discard(&store);
    check(read_tree(undo_folder).empty(), "the undo's discard leaves nothing of its own");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzCase c;
    if (!read_case(data, size, &c)) return 0;
    current = &c;
    const char* temporary = getenv("TMPDIR");
    std::string scratch = std::string(temporary && *temporary ? temporary : "/tmp");
    scratch += "/fuzz-XXXXXX";
    if (!mkdtemp(&scratch[0])) abort();
    const std::string tree = scratch + "/tree";
    undo_folder = scratch + "/undo/";
    if (mkdir(tree.c_str(), 0755) != 0 || mkdir(undo_folder.c_str(), 0700) != 0) abort();
    undo_platform.temporary_folder = scratch_temporary;
    undo_platform.link_file = c.undo_copies ? other_volume : system_undo.link_file;
    make_tree(tree, c.text);
    const Tree before = read_tree(tree);

    Seen found, counted, same;
    walk(tree, c.query.c_str(), nullptr, 0, nullptr, 0, before, &found);
    check_same_tree(before, read_tree(tree), "Find changes nothing");
    // The search before a Replace's question matches with its template, as the Replace does.
    walk(tree, c.query.c_str(), c.replacement.c_str(), 1, nullptr, 0, before, &counted);
    check_same_tree(before, read_tree(tree), "the counting Find changes nothing");
    if (!c.identity.empty()) {
        walk(tree, c.identity.c_str(), c.identity.c_str(), 0, nullptr, 0, before, &same);
        check_same_tree(before, read_tree(tree), "an identity replacement changes nothing");
    }
    replace_and_undo(tree, before, counted);

    remove_tree(scratch);
    return 0;
}
