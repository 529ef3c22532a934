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
    pace->chunk = CHUNK_FIRST;
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
    if (ms < APPEND_MS_LOW && pace->chunk < CHUNK_MOST && length > pace->chunk / 2) pace->chunk *= 2;
    if (ms > APPEND_MS_HIGH && pace->chunk > CHUNK_LEAST) pace->chunk /= 2;
}
