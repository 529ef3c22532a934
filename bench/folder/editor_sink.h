// An editor held in a string, standing in for the main window where the folder search
// appends its report: it realises only the two operations that appending a line needs
// (select, replace the selection), the way the edit control does them. The tests' memory
// window would do too, but it keeps an undo copy of the whole text at every line, which
// over thousands of lines would weigh on the figures.
#pragma once

#include "window_ops.h"

#include <stdint.h>
#include <string>

struct EditorSink {
    std::string text;
    uint32_t selection_start = 0;
    uint32_t selection_end = 0;
    WindowOps ops = {};
    Window window = {&ops, this};

    EditorSink() {
        ops.select = [](void* user, int32_t start, int32_t end) {
            EditorSink* sink = static_cast<EditorSink*>(user);
            if (start < 0) {  // the selection goes, the caret stays where it ended
                sink->selection_start = sink->selection_end;
                return;
            }
            uint32_t size = static_cast<uint32_t>(sink->text.size());
            uint32_t from = static_cast<uint32_t>(start) < size ? static_cast<uint32_t>(start) : size;
            uint32_t to = end < 0 || static_cast<uint32_t>(end) > size ? size
                                                                         : static_cast<uint32_t>(end);
            sink->selection_start = from < to ? from : to;
            sink->selection_end = from < to ? to : from;
        };
        ops.replace_selection = [](void* user, const char* line) {
            EditorSink* sink = static_cast<EditorSink*>(user);
            std::string inserted = line;
            sink->text.replace(sink->selection_start, sink->selection_end - sink->selection_start,
                               inserted);
            sink->selection_start += static_cast<uint32_t>(inserted.size());
            sink->selection_end = sink->selection_start;
        };
    }
    EditorSink(const EditorSink&) = delete;
    EditorSink& operator=(const EditorSink&) = delete;
};
