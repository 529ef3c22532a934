#include "scan_tools.h"

#include <stdlib.h>
#include <string.h>

#include "folder.h"
#include "scan_window.h"

namespace {

constexpr uint32_t BLOCK_SIZE = 1 << 20;
constexpr uint32_t PAGE_SIZE = 4096;

// The bytes that the query's literals hold, escapes decoded, and with match case off
// their other cases too.
void literal_bytes(const char* query, int match_case, bool* used) {
    size_t length = strlen(query);
    for (size_t i = 0; i < length; i++) used[static_cast<unsigned char>(query[i])] = true;
    // Escapes put bytes of their own into the literals; every one of them counts. An
    // escape is at most four bytes, and decodes into at most as many.
    for (size_t i = 0; i + 1 < length; i++) {
        if (query[i] != '\\') continue;
        char decoded[4];
        uint32_t got = decode_escapes(query + i, decoded, length - i < 4 ? static_cast<uint32_t>(length - i) : 4);
        for (uint32_t k = 0; k < got; k++) used[static_cast<unsigned char>(decoded[k])] = true;
    }
    if (match_case) return;
    for (unsigned byte = 0; byte < 256; byte++)
        if (used[byte]) used[CP1251_CASE.other[byte]] = true;
}

// A byte that no literal of the query holds, for characters that no literal can match:
// one that the code page leaves undefined if the query has none, else a control byte.
// With an option it is never a word's character, and so has no case.
char choose_placeholder(const bool* used, int options) {
    const unsigned char preferred[] = {0x98, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0E, 0x0F, 0x10,
                                       0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A,
                                       0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x7F};
    for (unsigned char byte : preferred)
        if (!used[byte]) return static_cast<char>(byte);
    for (unsigned byte = 1; byte < 256; byte++)
        if (!used[byte] && !(options && CP1251_WORD_BYTES.of[byte])) return static_cast<char>(byte);
    return static_cast<char>(0x98);
}

// For whole word, the view byte of a letter or digit that has no ANSI form: a word's
// character that no literal holds (µ, unless the query has it), or else any byte that
// no literal holds, which then counts as a word's. 0 when every byte is taken.
char choose_word_placeholder(const bool* used, char placeholder, WordBytes* words) {
    if (!used[MICRO_SIGN]) return static_cast<char>(MICRO_SIGN);
    for (unsigned byte = 1; byte < 256; byte++)
        if (!used[byte] && words->of[byte]) return static_cast<char>(byte);
    for (unsigned byte = 1; byte < 256; byte++) {
        if (used[byte] || byte == static_cast<unsigned char>(placeholder)) continue;
        words->of[byte] = 1;
        return static_cast<char>(byte);
    }
    return 0;
}

}  // namespace

int tools_begin(ScanTools* tools, const FolderJob* job) {
    *tools = {};
    tools->job = job;
    tools->capacity = BLOCK_SIZE + WINDOW_SIZE + 1;
    // Reads into a page-aligned buffer copy faster.
    tools->block = static_cast<char*>(malloc(tools->capacity + PAGE_SIZE));
    if (!tools->block) return -1;
    uintptr_t address = reinterpret_cast<uintptr_t>(tools->block);
    tools->buffer = tools->block + (PAGE_SIZE - address % PAGE_SIZE) % PAGE_SIZE;
    int searchable = finder_begin(&tools->finder, job->query, job->prefix_length, WINDOW_SIZE,
                                  job->match_case);
    if (searchable < 0) return -1;
    tools->searchable = searchable;
    bool used[256] = {};
    literal_bytes(job->query, job->match_case, used);
    tools->placeholder = choose_placeholder(used, !job->match_case || job->whole_word);
    tools->words = CP1251_WORD_BYTES;
    if (job->whole_word)
        tools->word_placeholder = choose_word_placeholder(used, tools->placeholder, &tools->words);
    return 0;
}

void tools_end(ScanTools* tools) {
    if (tools->find_ready) release_query(&tools->find);
    if (tools->rewrite_ready) release_query(&tools->rewrite);
    finder_end(&tools->finder);
    if (tools->view_ready) view_end(&tools->view);
    free(tools->block);
    *tools = {};
}

PreparedQuery* tools_query(ScanTools* tools, int replacing) {
    PreparedQuery* query = replacing ? &tools->rewrite : &tools->find;
    int* ready = replacing ? &tools->rewrite_ready : &tools->find_ready;
    if (*ready) return query;
    const FolderJob* job = tools->job;
    // The word characters live in the tools, as long as the queries that look at them.
    QueryOptions options = {job->match_case, job->whole_word, tools->words.of};
    prepare_query_with(query, job->query, replacing ? job->replacement : nullptr, &options);
    *ready = 1;
    // With match case off the ANSI prefix is found in either case, byte for byte, as the
    // query alone would match it.
    const PrefixForm* ansi = &tools->finder.prefixes[TEXT_ANSI];
    if (!replacing && query->plain && query->plain_length == ansi->length &&
        memcmp(query->plain, ansi->bytes, ansi->length) == 0)
        tools->find_is_prefix = 1;
    return query;
}

void tools_new_file(ScanTools* tools) {
    if (tools->find_ready) forget_stream(&tools->find);
    if (tools->rewrite_ready) forget_stream(&tools->rewrite);
}

TextView* tools_view(ScanTools* tools, int encoding) {
    if (!tools->view_ready) {
        if (view_begin(&tools->view, encoding, tools->placeholder, tools->word_placeholder,
                       WINDOW_SIZE) != 0) {
            view_end(&tools->view);   // what it had of its two blocks
            return nullptr;
        }
        tools->view_ready = 1;
    }
    tools->view.count = 0;   // the next window begins the view afresh
    tools->view.decoder.encoding = static_cast<uint8_t>(encoding);
    return &tools->view;
}
