#include "folder_report.h"

#include <string.h>

#include "hit_excerpt.h"
#include "text_encoding.h"

namespace {

// Each line is the path, one of these texts, and for some a number, then CR LF.
const char CANNOT_OPEN[] = " /tневозможно открыть для чтения!";
const char READ_FAILED[] = " \tошибка чтения, файл не изменён!";
const char COPY_FAILED[] = " \tошибка записи копии, файл не изменён!";
const char NOT_REPLACED[] = " \tошибка удаления/переименования!: ";
const char STOPPED[] = " \tпоиск остановлен, файл не изменён!";
const char CHANGED[] = " \tфайл изменился во время замены и оставлен как есть!";
const char LEFTOVER_COPY[] = " \tосталась копия от прежней замены, файл не изменён: ";
const char PATH_TOO_LONG[] = " \tслишком длинный путь для копии, файл не изменён!";
const char NO_COPY[] = " \tне удалось создать копию, файл не изменён!: ";
const char HARD_LINKED[] = " \tу файла есть другие имена (жёсткие ссылки), файл не изменён!";
const char TOO_MANY_HITS[] = " \tслишком много совпадений для замены, файл не изменён!";
const char BINARY[] = " \tдвоичный файл, не изменён";
const char TEMP_NOT_DELETED[] = " \tошибка удаления временных данных!: ";
// An undo's lines.
const char RESTORED[] = " \tвосстановлен";
const char RESTORE_CHANGED_TEXT[] = " \tизменён после замены, не восстановлен";
const char RESTORE_MISSING_TEXT[] = " \tфайл не найден, не восстановлен";
const char RESTORE_KEPT_DAMAGED_TEXT[] = " \tкопия для отмены повреждена или удалена, не восстановлен";
const char RESTORE_READ_FAILED_TEXT[] = " \tошибка чтения, не восстановлен";
const char RESTORE_COPY_FAILED_TEXT[] = " \tошибка записи копии, не восстановлен";
const char RESTORE_NOT_REPLACED_TEXT[] = " \tошибка удаления/переименования, не восстановлен: ";
const char RESTORE_LEFTOVER_TEXT[] = " \tосталась копия от прежней замены, не восстановлен: ";
const char RESTORE_NO_COPY_TEXT[] = " \tне удалось создать копию, не восстановлен: ";

struct LineForm {
    const char* text;
    size_t length;
    int has_number;   // the text is followed by a number
    int has_other;    // or by the event's second path
};

template <size_t N>
constexpr LineForm line(const char (&text)[N], int has_number, int has_other) {
    return {text, N - 1, has_number, has_other};
}

// The text of an event's line, or a null text for an event without one.
LineForm form_of(const FolderEvent* event) {
    switch (event->kind) {
    case FOLDER_HIT_FOUND: return line(FOUND_TEXT, 1, 0);
    case FOLDER_HIT_REPLACED: return line(REPLACED_TEXT, 1, 0);
    case FOLDER_CANNOT_OPEN: return line(CANNOT_OPEN, 0, 0);
    case FOLDER_TEMP_NOT_DELETED: return line(TEMP_NOT_DELETED, 1, 0);
    case FOLDER_NOT_CHANGED:
        switch (event->reason) {
        case REASON_READ_FAILED: return line(READ_FAILED, 0, 0);
        case REASON_COPY_FAILED: return line(COPY_FAILED, 0, 0);
        case REASON_NOT_REPLACED: return line(NOT_REPLACED, 1, 0);
        case REASON_STOPPED: return line(STOPPED, 0, 0);
        case REASON_CHANGED: return line(CHANGED, 0, 0);
        case REASON_LEFTOVER_COPY: return line(LEFTOVER_COPY, 0, 1);
        case REASON_PATH_TOO_LONG: return line(PATH_TOO_LONG, 0, 0);
        case REASON_NO_COPY: return line(NO_COPY, 1, 0);
        case REASON_HARD_LINKED: return line(HARD_LINKED, 0, 0);
        case REASON_TOO_MANY_HITS: return line(TOO_MANY_HITS, 0, 0);
        case REASON_BINARY: return line(BINARY, 0, 0);
        }
        break;
    case FOLDER_RESTORED: return line(RESTORED, 0, 0);
    case FOLDER_NOT_RESTORED:
        switch (event->reason) {
        case RESTORE_CHANGED: return line(RESTORE_CHANGED_TEXT, 0, 0);
        case RESTORE_MISSING: return line(RESTORE_MISSING_TEXT, 0, 0);
        case RESTORE_KEPT_DAMAGED: return line(RESTORE_KEPT_DAMAGED_TEXT, 0, 0);
        case RESTORE_READ_FAILED: return line(RESTORE_READ_FAILED_TEXT, 0, 0);
        case RESTORE_COPY_FAILED: return line(RESTORE_COPY_FAILED_TEXT, 0, 0);
        case RESTORE_NOT_REPLACED: return line(RESTORE_NOT_REPLACED_TEXT, 1, 0);
        case RESTORE_LEFTOVER_COPY: return line(RESTORE_LEFTOVER_TEXT, 0, 1);
        case RESTORE_NO_COPY: return line(RESTORE_NO_COPY_TEXT, 1, 0);
        }
        break;
    }
    return {nullptr, 0, 0, 0};
}

// The number of the line: a hit's offset, or the errno value of a failure.
long long number_of(const FolderEvent* event) {
    return event->kind == FOLDER_HIT_FOUND || event->kind == FOLDER_HIT_REPLACED
               ? static_cast<long long>(event->offset)
               : event->error;
}

constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Signed decimal, as printf's %lld writes it (two digits a step: a report can have a
// million lines); returns the characters' count.
__attribute__((always_inline)) inline size_t put_number(char* out, long long value) {
    char digits[24];
    size_t at = sizeof digits;
    unsigned long long magnitude =
        value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    while (magnitude >= 100) {
        at -= 2;
        memcpy(digits + at, DIGIT_PAIRS + 2 * (magnitude % 100), 2);
        magnitude /= 100;
    }
    if (magnitude >= 10) {
        at -= 2;
        memcpy(digits + at, DIGIT_PAIRS + 2 * magnitude, 2);
    } else {
        digits[--at] = static_cast<char>('0' + magnitude);
    }
    size_t length = 0;
    if (value < 0) out[length++] = '-';
    memcpy(out + length, digits + at, sizeof digits - at);
    return length + sizeof digits - at;
}

// A hit's line and excerpt, behind its position and tag:
// "\tстрока <n>: <before>‹<match>›<after>", with "‹<old>› на ‹<new>›" for a preview.
const char LINE_FIELD[] = "\tстрока ";
const char LINE_FIELD_END[] = ": ";
const char PREVIEW_WORD[] = " на ";
// The glyphs of an excerpt, one Windows-1251 byte each.
const char OPENING[] = "‹";
const char CLOSING[] = "›";
const char CUT[] = "…";
const char LINE_BREAK[] = "¶";
const char CONTROL[] = "·";

// REPORT_LINE_EXTRA holds the longest line and excerpt that hit_excerpt.h's sizes allow:
// a line number of 20 digits, both sides and their cut marks, and a preview's two texts.
constexpr size_t LONGEST_HIT_TEXT =
    3 + (EXCERPT_WHOLE > EXCERPT_HEAD + EXCERPT_TAIL ? EXCERPT_WHOLE : EXCERPT_HEAD + EXCERPT_TAIL);
static_assert(sizeof LINE_FIELD + 20 + sizeof LINE_FIELD_END + 2 * (1 + EXCERPT_SIDE) +
                      2 * LONGEST_HIT_TEXT + sizeof PREVIEW_WORD <= 256,
              "a hit's line and excerpt fit in the part of REPORT_LINE_EXTRA kept for them");

// A piece of an excerpt as the line shows it: a line break (CR, LF or CR LF) as ¶, a TAB
// as a space, any other byte below 0x20 as ·, so that the report's line stays one line
// with one TAB before "строка". Returns the bytes written. Most pieces hold no such byte:
// they go eight bytes at a time while none is met.
size_t put_excerpt_piece(char* out, const char* text, size_t length) {
    const uint64_t ONES = 0x0101010101010101ull, HIGHS = 0x8080808080808080ull;
    auto plain = [&](size_t at, uint64_t* word) {
        memcpy(word, text + at, 8);
        return !((*word - 0x20 * ONES) & ~*word & HIGHS);
    };
    size_t at = 0;
    uint64_t word;
    for (; length - at >= 8 && plain(at, &word); at += 8) memcpy(out + at, &word, 8);
    // The last bytes as the last eight, when they are plain too.
    if (at < length && length >= 8 && length - at < 8 && plain(length - 8, &word)) {
        memcpy(out + length - 8, &word, 8);
        return length;
    }
    size_t put = at;
    for (; at < length; at++) {
        unsigned char byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20) out[put++] = static_cast<char>(byte);
        else if (byte == '\t') out[put++] = ' ';
        else if (byte != '\r' && byte != '\n') out[put++] = CONTROL[0];
        else {
            if (byte == '\r' && at + 1 < length && text[at + 1] == '\n') at++;
            out[put++] = LINE_BREAK[0];
        }
    }
    return put;
}

size_t put_text(char* out, const char* text, size_t length) {
    memcpy(out, text, length);
    return length;
}

// A text of the hit, its head and tail pieces (from `head` on) around the cut mark when
// its middle is left out, between the opening and closing marks.
size_t put_hit_text(char* out, const HitExcerpt* excerpt, int head) {
    size_t length = put_text(out, OPENING, 1);
    length += put_excerpt_piece(out + length, excerpt->pieces[head], excerpt->lengths[head]);
    if (excerpt->lengths[head + 1]) {
        length += put_text(out + length, CUT, 1);
        length += put_excerpt_piece(out + length, excerpt->pieces[head + 1],
                                    excerpt->lengths[head + 1]);
    }
    return length + put_text(out + length, CLOSING, 1);
}

// The line and excerpt of a hit whose line is listed. Returns the bytes written.
size_t put_line_and_excerpt(char* out, const FolderEvent* event) {
    const HitExcerpt* excerpt = &event->excerpt;
    size_t length = put_text(out, LINE_FIELD, sizeof LINE_FIELD - 1);
    length += put_number(out + length, event->line);
    length += put_text(out + length, LINE_FIELD_END, sizeof LINE_FIELD_END - 1);
    if (excerpt->before_cut) length += put_text(out + length, CUT, 1);
    length += put_excerpt_piece(out + length, excerpt->pieces[PIECE_BEFORE],
                                excerpt->lengths[PIECE_BEFORE]);
    // A replaced hit shows what was written in its place.
    bool replaced = event->kind == FOLDER_HIT_REPLACED && excerpt->has_new;
    length += put_hit_text(out + length, excerpt, replaced ? PIECE_NEW_HEAD : PIECE_OLD_HEAD);
    if (event->kind == FOLDER_HIT_FOUND && excerpt->preview && excerpt->has_new) {
        length += put_text(out + length, PREVIEW_WORD, sizeof PREVIEW_WORD - 1);
        length += put_hit_text(out + length, excerpt, PIECE_NEW_HEAD);
    }
    length += put_excerpt_piece(out + length, excerpt->pieces[PIECE_AFTER],
                                excerpt->lengths[PIECE_AFTER]);
    if (excerpt->after_cut) length += put_text(out + length, CUT, 1);
    return length;
}

}  // namespace

size_t report_line_room(const FolderEvent* event) {
    return (event->path ? strlen(event->path) : 0) + (event->other ? strlen(event->other) : 0) +
           REPORT_LINE_EXTRA;
}

size_t format_report_line(const FolderEvent* event, char* line, size_t size) {
    LineForm form = form_of(event);
    if (!form.text || !event->path) return 0;
    size_t path_length = strlen(event->path);
    size_t text_length = form.length;
    const char* other = form.has_other && event->other ? event->other : "";
    size_t other_length = strlen(other);
    if (size < path_length + other_length + REPORT_LINE_EXTRA) return 0;
    memcpy(line, event->path, path_length);
    size_t length = path_length;
    memcpy(line + length, form.text, text_length);
    length += text_length;
    if (form.has_number) length += put_number(line + length, number_of(event));
    memcpy(line + length, other, other_length);
    length += other_length;
    // A file that is not in the ANSI code page says which encoding its offsets count in.
    if (const char* encoding = event->encoding ? encoding_name(event->encoding) : nullptr) {
        size_t name_length = strlen(encoding);
        memcpy(line + length, " [", 2);
        memcpy(line + length + 2, encoding, name_length);
        line[length + 2 + name_length] = ']';
        length += name_length + 3;
    }
    if (is_hit_event(event) && event->line > 0)
        length += put_line_and_excerpt(line + length, event);
    memcpy(line + length, "\r\n", 3);
    return length + 2;
}

int is_hit_event(const FolderEvent* event) {
    return event->kind == FOLDER_HIT_FOUND || event->kind == FOLDER_HIT_REPLACED;
}
