#include "folder_report.h"

#include <string.h>

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
size_t put_number(char* out, long long value) {
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
    memcpy(line + length, "\r\n", 3);
    return length + 2;
}

int is_hit_event(const FolderEvent* event) {
    return event->kind == FOLDER_HIT_FOUND || event->kind == FOLDER_HIT_REPLACED;
}
