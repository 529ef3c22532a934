#include "document_text.h"

#include <errno.h>
#include <stdlib.h>

#include "document_file.h"
#include "title.h"
#include "window_alloc.h"

namespace {

constexpr TextForm ANSI_FORM = {TEXT_ANSI, 0};

}  // namespace

bool shown_as_bytes(int encoding) {
    return encoding == TEXT_ANSI || encoding == TEXT_BINARY;
}

DocumentText decode_document(char* bytes, uint32_t* length) {
    TextForm form = detect_text_form(bytes, *length);
    if (shown_as_bytes(form.encoding)) return {ANSI_FORM, 0};
    TextDecoder decoder = {form.encoding, UNSHOWN_CHARACTER, 0, 0, 0};
    uint32_t produced = 0;
    decode_text(&decoder, bytes + form.mark_length, *length - form.mark_length, 1, bytes,
                nullptr, *length, &produced);
    bytes[produced] = '\0';
    *length = produced;
    if (decoder.unmapped) return {ANSI_FORM, 1};
    return {form, 0};
}

int write_document(const char* path, TextForm form, const char* text, uint32_t length) {
    if (shown_as_bytes(form.encoding)) return write_whole_file(path, text, length);
    uint32_t size = 0;
    char* bytes = encode_block(form.encoding, form.mark_length != 0, text, length, window_alloc,
                               &size);
    if (!bytes) return ENOMEM;
    int error = write_whole_file(path, bytes, size);
    free(bytes);
    return error;
}

void set_document_form(WindowState* state, const Window* window, TextForm form) {
    state->form = form;
    show_title(state, window);
}
