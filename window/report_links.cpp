#include "report_links.h"

#include <string.h>

#include "folder_report.h"
#include "text_encoding.h"

namespace {

// The offsets that a report can hold: eighteen digits never overflow.
constexpr size_t MOST_DIGITS = 18;

bool starts_with(const char* text, size_t length, const char* prefix, size_t prefix_length) {
    return length >= prefix_length && memcmp(text, prefix, prefix_length) == 0;
}

// The encoding whose tag " [<name>]" opens `rest`, with the tag's length; TEXT_ANSI and 0
// when none does.
int tag_at(const char* rest, size_t length, size_t* tag_length) {
    for (int encoding = TEXT_UTF8; encoding <= TEXT_UTF16_BE; encoding++) {
        const char* name = encoding_name(encoding);
        size_t name_length = strlen(name);
        if (length >= name_length + 3 && memcmp(rest, " [", 2) == 0 &&
            memcmp(rest + 2, name, name_length) == 0 && rest[2 + name_length] == ']') {
            *tag_length = name_length + 3;
            return encoding;
        }
    }
    *tag_length = 0;
    return TEXT_ANSI;
}

}  // namespace

bool parse_hit_line(const char* line, size_t length, HitLine* hit) {
    const void* tab = memchr(line, '\t', length);
    if (!tab) return false;
    // A path holds no TAB: the first one follows the path and its space.
    size_t at = static_cast<size_t>(static_cast<const char*>(tab) - line);
    if (at < 2 || line[at - 1] != ' ') return false;
    size_t path_length = at - 1;
    const char* rest = line + path_length;
    size_t left = length - path_length;
    int kind;
    if (starts_with(rest, left, FOUND_TEXT, sizeof FOUND_TEXT - 1)) {
        kind = HIT_FOUND;
        rest += sizeof FOUND_TEXT - 1;
        left -= sizeof FOUND_TEXT - 1;
    } else if (starts_with(rest, left, REPLACED_TEXT, sizeof REPLACED_TEXT - 1)) {
        kind = HIT_REPLACED;
        rest += sizeof REPLACED_TEXT - 1;
        left -= sizeof REPLACED_TEXT - 1;
    } else {
        return false;
    }
    size_t digits = 0;
    int64_t offset = 0;
    while (digits < left && rest[digits] >= '0' && rest[digits] <= '9') {
        if (digits == MOST_DIGITS) return false;
        offset = offset * 10 + (rest[digits] - '0');
        digits++;
    }
    if (digits == 0) return false;
    rest += digits;
    left -= digits;
    size_t tag_length = 0;
    int encoding = tag_at(rest, left, &tag_length);
    rest += tag_length;
    left -= tag_length;
    // The line ends here, or goes on after a TAB with what is there for the reader.
    if (left > 0 && rest[0] != '\t') return false;
    *hit = {line, static_cast<uint32_t>(path_length), kind, offset, encoding};
    return true;
}

void line_around(const char* text, size_t length, size_t position, size_t* start,
                 size_t* end) {
    if (position > length) position = length;
    size_t from = position;
    while (from > 0 && text[from - 1] != '\n') from--;
    const void* feed = memchr(text + position, '\n', length - position);
    size_t to = feed ? static_cast<size_t>(static_cast<const char*>(feed) - text) : length;
    if (to > from && text[to - 1] == '\r') to--;
    *start = from;
    *end = to;
}

bool nearest_hit_line(const char* text, size_t length, size_t line_start, int direction,
                      size_t* found_start, HitLine* hit) {
    size_t start = 0, end = 0;
    line_around(text, length, line_start, &start, &end);
    for (;;) {
        if (direction > 0) {
            const void* feed = memchr(text + end, '\n', length - end);
            if (!feed) return false;
            start = static_cast<size_t>(static_cast<const char*>(feed) - text) + 1;
        } else {
            if (start == 0) return false;
            start--;   // onto the line break of the line before
        }
        line_around(text, length, start, &start, &end);
        if (parse_hit_line(text + start, end - start, hit)) {
            *found_start = start;
            return true;
        }
    }
}
