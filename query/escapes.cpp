// Backslash escapes of queries and replacement templates, and the hex reader for \xHH.
#include "query.h"

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
        char c = source[read];
        if (c != '\\') {
            destination[write++] = c;
            read++;
            continue;
        }
        if (length - read < 2) return 0;  // a lone backslash at the end
        unsigned char letter = static_cast<unsigned char>(source[read + 1]);
        if (letter == 'x') {
            // Always the two bytes after the x, digits or not.
            if (length - read < 4) return 0;
            const char digits[3] = {source[read + 2], source[read + 3], '\0'};
            destination[write++] = static_cast<char>(parse_hex(digits) & 0xFF);
            read += 4;
            continue;
        }
        int byte = escaped_byte(letter);
        if (byte < 0) {
            destination[write++] = '\\';
            destination[write++] = static_cast<char>(letter);
        } else {
            destination[write++] = static_cast<char>(byte);
        }
        read += 2;
    }
    return write;
}
