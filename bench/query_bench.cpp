// The query engine over 64 KB of text, each case beside a baseline that does the same
// searches with the C library's memmem in the same run, or, for the search's options,
// beside the same search without the option. The engine compiles its query on every call,
// as the program calls it.
#include "query.h"

#include <benchmark/benchmark.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

constexpr size_t TEXT_SIZE = 64 * 1024;

// Lower-case prose in lines of CR LF, from a fixed word list; none of the words that the
// cases look for are in it, so each is found only where a case puts it.
std::string prose() {
    static const char* const words[] = {
        "the", "of", "and", "to", "in", "is", "that", "for", "it", "as", "was", "with",
        "be", "by", "on", "not", "he", "this", "are", "or", "his", "from", "at", "which",
        "but", "have", "an", "had", "they", "you", "were", "their", "one", "all", "we",
        "can", "her", "has", "there", "been", "if", "more", "when", "will", "would", "who",
        "so", "no", "text", "file", "folder", "line", "find", "search", "window", "editor",
        "query", "match", "value", "setting", "string", "order", "system", "number"};
    const size_t word_count = sizeof words / sizeof words[0];
    uint32_t state = 12345;
    std::string text;
    int on_line = 0;
    while (text.size() < TEXT_SIZE) {
        state = state * 1103515245u + 12345u;
        text += words[(state >> 16) % word_count];
        text += ++on_line % 12 ? " " : ".\r\n";
    }
    text.resize(TEXT_SIZE);
    return text;
}

// Prose with `pieces` written over it at the given offsets (from the end when negative).
std::string text_with(std::initializer_list<std::pair<long, const char*>> pieces) {
    std::string text = prose();
    for (const auto& piece : pieces) {
        size_t length = strlen(piece.second);
        size_t at = piece.first < 0 ? TEXT_SIZE - length : static_cast<size_t>(piece.first);
        text.replace(at, length, piece.second);
    }
    return text;
}

const char* find(const char* from, const char* end, const char* needle) {
    return static_cast<const char*>(memmem(from, static_cast<size_t>(end - from), needle,
                                           strlen(needle)));
}

void count_bytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TEXT_SIZE));
}

// (a) One literal whose only occurrence ends the text.
const std::string literal_text = text_with({{-1, "quarterly report"}});

void a_literal_at_end_engine(benchmark::State& state) {
    for (auto _ : state) {
        uint32_t length;
        benchmark::DoNotOptimize(match_query(literal_text.c_str(), "quarterly report", &length, nullptr));
    }
    count_bytes(state);
}

void a_literal_at_end_memmem(benchmark::State& state) {
    const char* text = literal_text.c_str();
    for (auto _ : state) benchmark::DoNotOptimize(find(text, text + TEXT_SIZE, "quarterly report"));
    count_bytes(state);
}

// (b) Three literals spread over the text, the last at its end.
const std::string literals_text =
    text_with({{20000, "alpha"}, {40000, "bravo"}, {-1, "charlie"}});

void b_literals_engine(benchmark::State& state) {
    for (auto _ : state) {
        uint32_t length;
        benchmark::DoNotOptimize(match_query(literals_text.c_str(), "alpha*bravo*charlie", &length, nullptr));
    }
    count_bytes(state);
}

void b_literals_memmem(benchmark::State& state) {
    const char* text = literals_text.c_str();
    const char* end = text + TEXT_SIZE;
    for (auto _ : state) {
        const char* at = find(text, end, "alpha");
        at = find(at + 5, end, "bravo");
        at = find(at + 5, end, "charlie");
        benchmark::DoNotOptimize(at);
    }
    count_bytes(state);
}

// (c) Two captures at the end of the text, put back in another order.
const std::string capture_text = text_with({{-1, "the record of fuzzy-42 is closed"}});

void c_capture_replace_engine(benchmark::State& state) {
    for (auto _ : state) {
        uint32_t match_length, replacement_length;
        char* replacement = nullptr;
        benchmark::DoNotOptimize(replace_query(capture_text.c_str(), "record of %name%-%number% is",
                                               "%number%:%name%", &match_length, &replacement,
                                               &replacement_length));
        free(replacement);
    }
    count_bytes(state);
}

// The same searches, and the same replacement built by hand.
void c_capture_replace_memmem(benchmark::State& state) {
    const char* text = capture_text.c_str();
    const char* end = text + TEXT_SIZE;
    for (auto _ : state) {
        const char* name = find(text, end, "record of ") + 10;
        const char* dash = find(name, end, "-");
        const char* is = find(dash + 1, end, " is");
        size_t name_length = static_cast<size_t>(dash - name);
        size_t number_length = static_cast<size_t>(is - dash - 1);
        char* replacement = static_cast<char*>(malloc(number_length + 1 + name_length + 1));
        memcpy(replacement, dash + 1, number_length);
        replacement[number_length] = ':';
        memcpy(replacement + number_length + 1, name, name_length);
        replacement[number_length + 1 + name_length] = '\0';
        benchmark::DoNotOptimize(replacement);
        free(replacement);
    }
    count_bytes(state);
}

// The options, each beside the same query without it, compiled once a call as the
// editor compiles them (`_with` and `_without`).
void find_with_options(benchmark::State& state, const std::string& text, const char* query,
                       int match_case, int whole_word) {
    const QueryOptions options = {match_case, whole_word, nullptr};
    for (auto _ : state) {
        PreparedQuery prepared;
        prepare_query_with(&prepared, query, nullptr, &options);
        uint32_t length;
        benchmark::DoNotOptimize(match_prepared(&prepared, text.c_str(), TEXT_SIZE, &length));
        release_query(&prepared);
    }
    count_bytes(state);
}

// (d) The literal of (a), match case off and on: both cases of its letters searched in
// one pass.
void d_ignore_case_with(benchmark::State& state) {
    find_with_options(state, literal_text, "Quarterly Report", 0, 0);
}

void d_ignore_case_without(benchmark::State& state) {
    find_with_options(state, literal_text, "quarterly report", 1, 0);
}

// (e) The literal of (a), after a space, as a whole word and not: the same search to the
// same place.
const std::string word_text = text_with({{-17, " quarterly report"}});

void e_whole_word_with(benchmark::State& state) {
    find_with_options(state, word_text, "quarterly report", 1, 1);
}

void e_whole_word_without(benchmark::State& state) {
    find_with_options(state, word_text, "quarterly report", 1, 0);
}

// (f) "ing" ends many words of the text and stands alone only at its end: as a whole
// word, one call passes over every other occurrence; without the option, a call from each
// occurrence on finds the next, as a folder search goes on behind each hit.
const std::string endings_text = text_with({{-5, " ing."}});

void f_passed_over_with(benchmark::State& state) {
    find_with_options(state, endings_text, "ing", 1, 1);
}

void f_passed_over_without(benchmark::State& state) {
    const QueryOptions options = {1, 0, nullptr};
    const char* text = endings_text.c_str();
    for (auto _ : state) {
        PreparedQuery prepared;
        prepare_query_with(&prepared, "ing", nullptr, &options);
        uint32_t length = 0;
        for (const char* at = text; (at = match_prepared(&prepared, at, TEXT_SIZE - (at - text), &length));)
            at += length;
        release_query(&prepared);
    }
    count_bytes(state);
}

}  // namespace

BENCHMARK(a_literal_at_end_engine);
BENCHMARK(a_literal_at_end_memmem);
BENCHMARK(b_literals_engine);
BENCHMARK(b_literals_memmem);
BENCHMARK(c_capture_replace_engine);
BENCHMARK(c_capture_replace_memmem);
BENCHMARK(d_ignore_case_with);
BENCHMARK(d_ignore_case_without);
BENCHMARK(e_whole_word_with);
BENCHMARK(e_whole_word_without);
BENCHMARK(f_passed_over_with);
BENCHMARK(f_passed_over_without);
BENCHMARK_MAIN();
