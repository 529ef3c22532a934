// The folder search's report: the words of each line, in Windows-1251, for the events
// that the search hands to its sink.
#pragma once

#include <stddef.h>

#include "folder.h"

// A hit line is the path, one of these, the hit's offset and, for a file not in the ANSI
// code page, its encoding's tag (" [UTF-8]"), then a TAB, its line and its excerpt.
constexpr char FOUND_TEXT[] = " \tнайдено в позиции: ";
constexpr char REPLACED_TEXT[] = " \tзаменено в позиции: ";

// The longest line, beyond its paths: its words and number, and a hit's line and excerpt.
constexpr size_t REPORT_LINE_EXTRA = 96 + 256;

// Writes the report line of `event` (CR LF at its end, a zero behind it) into `line`,
// which holds `size` bytes, and returns its length; 0 for an event without a line.
// `size` must be at least report_line_room(event).
size_t format_report_line(const FolderEvent* event, char* line, size_t size);

// The room that format_report_line needs for `event`.
size_t report_line_room(const FolderEvent* event);

// 1 for the events whose lines report a hit (found or replaced).
int is_hit_event(const FolderEvent* event);
