// The report's hit lines read back: "<path> \tнайдено в позиции: <offset>[ <tag>]", or
// «заменено», and after it perhaps a TAB and more for the reader (the line and its text),
// which is not looked at. Any text's lines of this form are links to their hits, a report
// saved and opened again too.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum HitKind {
    HIT_FOUND = 0,
    HIT_REPLACED = 1,
};

struct HitLine {
    const char* path;       // into the text, not NUL-terminated
    uint32_t path_length;
    int kind;               // a HitKind
    int64_t offset;         // in the file's bytes
    int encoding;           // the tag's TEXT_...; TEXT_ANSI without one
};

// Whether the `length` bytes of `line` (without its line break) are a hit line.
bool parse_hit_line(const char* line, size_t length, HitLine* hit);

// The bounds of the line of `text` (`length` bytes) that holds `position`, without its
// line break: lines end at LF, a CR before it belonging to the break.
void line_around(const char* text, size_t length, size_t position, size_t* start,
                 size_t* end);

// The nearest hit line after (`direction` 1) or before (-1) the line that begins at
// `line_start`. Returns whether there is one, with its start and its fields.
bool nearest_hit_line(const char* text, size_t length, size_t line_start, int direction,
                      size_t* found_start, HitLine* hit);
