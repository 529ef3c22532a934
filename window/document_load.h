// A text put into the editor: at once when it is short, else in portions at the window's
// ticks (the edit control lays out a long text in one go for seconds), with «Открытие…»
// and a percentage in the title and the editor read-only until it is whole. A selection
// asked for is made as soon as its place is in, the messages once the text is whole.
#pragma once

#include "window.h"

struct LoadMessage {
    const char* text;      // static texts
    const char* caption;
};

constexpr int LOAD_MESSAGES = 3;

// Puts `text` (a heap block that it takes over, `length` characters and a zero behind)
// into the editor; then selects [select_start, select_end) and scrolls to it (start -1:
// the caret stays at the start), and shows the `count` messages in order.
void load_document_text(WindowState* state, const Window* window, char* text, uint32_t length,
                        int32_t select_start, int32_t select_end, const LoadMessage* messages,
                        int count);

// A tick while a text goes in: its next portion.
void document_load_tick(WindowState* state, const Window* window);

// Whether a command acts while a text goes in: only those that move the focus or select;
// the rest (a save of the half text among them) are dropped, and so are the editor's
// change notifications of the portions.
bool acts_while_loading(int id);

// When the window goes during a load.
void release_document_load(WindowState* state);
