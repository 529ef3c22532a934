// Backslash escapes of queries and replacement templates, and the hex reader for \xHH.
#include "escapes.h"

namespace {

int hex_digit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte an escape letter stands for, or -1 when the letter is not an escape
// (\x is handled apart).
int escaped_byte(unsigned char letter) {
    switch (letter) {
    case '"': case '%': case '\'': case '*': case '?': case '\\': return letter;
    case '0': return 0x00;
    case 'a': return 0x07;
    case 'b': return 0x08;
    case 'f': return 0x0C;
    case 'n': return 0x0A;
    case 'r': return 0x0D;
    case 't': return 0x09;
    case 'v': return 0x0B;
    default: return -1;
    }
}

// One step of decoding: the byte or escape at source[read], of `length` bytes in all, as
// one or two bytes into `out`. Sets `*taken` and `*written`, or, for an escape cut short
// by the end, returns its fault with `*taken` the bytes that it has.
QueryFaultKind decode_step(const char* source, uint32_t read, uint32_t length, char* out,
                           uint32_t* taken, uint32_t* written) {
    char c = source[read];
    *written = 1;
    if (c != '\\') {
        out[0] = c;
        *taken = 1;
        return QUERY_FAULT_NONE;
    }
    uint32_t left = length - read;
    if (left < 2) {  // a lone backslash at the end
        *taken = left;
        return QUERY_FAULT_LONE_BACKSLASH;
    }
    unsigned char letter = static_cast<unsigned char>(source[read + 1]);
    if (letter == 'x') {
        // Always the two bytes after the x, digits or not.
        if (left < 4) {
            *taken = left;
            return QUERY_FAULT_SHORT_HEX;
        }
        const char digits[3] = {source[read + 2], source[read + 3], '\0'};
        out[0] = static_cast<char>(parse_hex(digits) & 0xFF);
        *taken = 4;
        return QUERY_FAULT_NONE;
    }
    int byte = escaped_byte(letter);
    if (byte < 0) {
        out[0] = '\\';
        out[1] = static_cast<char>(letter);
        *written = 2;
    } else {
        out[0] = static_cast<char>(byte);
    }
    *taken = 2;
    return QUERY_FAULT_NONE;
}

}  // namespace

uint32_t parse_hex(const char* string) {
    uint32_t value = 0;
    for (int i = 0; i < 8; i++) {
        int digit = hex_digit(static_cast<unsigned char>(string[i]));
        if (digit < 0) break;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

uint32_t decode_escapes(const char* source, char* destination, uint32_t length) {
    uint32_t read = 0, write = 0;
    while (read < length) {
        uint32_t taken = 0, written = 0;
        if (decode_step(source, read, length, destination + write, &taken, &written))
            return 0;
        read += taken;
        write += written;
    }
    return write;
}

QueryFaultKind find_escape_fault(const char* source, uint32_t length, uint32_t* offset,
                                 uint32_t* span) {
    char out[2];
    for (uint32_t read = 0; read < length;) {
        uint32_t taken = 0, written = 0;
        QueryFaultKind fault = decode_step(source, read, length, out, &taken, &written);
        if (fault) {
            *offset = read;
            *span = taken;
            return fault;
        }
        read += taken;
    }
    return QUERY_FAULT_NONE;
}

uint32_t source_offset(const char* source, uint32_t length, uint32_t decoded_offset) {
    char out[2];
    uint32_t read = 0, write = 0;
    while (read < length) {
        uint32_t taken = 0, written = 0;
        if (decode_step(source, read, length, out, &taken, &written)) break;
        // An escape kept as typed puts its bytes one for one.
        if (decoded_offset < write + written) return read + (written == taken ? decoded_offset - write : 0);
        read += taken;
        write += written;
    }
    return read;
}
