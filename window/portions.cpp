#include "portions.h"

#include <string.h>

#include <chrono>

namespace {

// A portion is sized so that the edit control takes about this long for it. Each round of
// the message loop between portions costs the edit control time of its own, so a portion
// carries as much as the window's answers allow.
constexpr double APPEND_MS_LOW = 60, APPEND_MS_HIGH = 120;
constexpr size_t CHUNK_FIRST = 64u << 10, CHUNK_LEAST = 4u << 10, CHUNK_MOST = 8u << 20;

}  // namespace

void pace_begin(PortionPace* pace) {
    *pace = {CHUNK_FIRST, CHUNK_LEAST, 0, 0};
}

size_t next_portion(const PortionPace* pace, const char* from, size_t waiting,
                    int cut_long_lines) {
    if (waiting <= pace->chunk) return waiting;
    size_t take = pace->chunk;
    while (take > 0 && from[take - 1] != '\n') take--;
    if (take > 0) return take;
    if (cut_long_lines) {
        take = pace->chunk;
        if (from[take - 1] == '\r' && from[take] == '\n') take--;
        return take;
    }
    const void* end = memchr(from + pace->chunk, '\n', waiting - pace->chunk);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - from) + 1 : waiting;
}

void append_portion(PortionPace* pace, const Window* window, const char* text, size_t length,
                    int follow) {
    auto start = std::chrono::steady_clock::now();
    window->ops->append_text(window->user, text, follow);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
    // A round costs the edit control time of its own, which grows with its text: when a
    // halved portion took hardly less, the rounds' own cost rules, and smaller portions
    // would only make more of them.
    bool halving_paid = !pace->halved || ms < pace->last_ms * 0.75;
    pace->halved = 0;
    if (!halving_paid) {
        pace->chunk *= 2;
        size_t floor = pace->chunk < CHUNK_FIRST ? pace->chunk : CHUNK_FIRST;
        if (pace->floor < floor) pace->floor = floor;
    } else if (ms < APPEND_MS_LOW && pace->chunk < CHUNK_MOST && length > pace->chunk / 2) {
        pace->chunk *= 2;
    } else if (ms > APPEND_MS_HIGH && pace->chunk / 2 >= pace->floor) {
        pace->chunk /= 2;
        pace->halved = 1;
    }
    pace->last_ms = ms;
}
