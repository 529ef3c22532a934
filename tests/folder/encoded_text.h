// A text written in the forms that the folder search reads: Windows-1251 and UTF-8 (with
// and without a mark), UTF-16 LE and BE (with and without one). From UTF-16 code units, so
// that characters outside the code page can be written.
#pragma once

#include <string>

#include "text_encoding.h"

enum Form { ANSI, UTF8, UTF8_MARK, UTF16LE, UTF16LE_MARK, UTF16BE, UTF16BE_MARK };

inline std::string encoded(const std::u16string& text, Form form) {
    std::string bytes;
    if (form == UTF8_MARK) bytes = "\xEF\xBB\xBF";
    if (form == UTF16LE_MARK) bytes = "\xFF\xFE";
    if (form == UTF16BE_MARK) bytes = "\xFE\xFF";
    for (size_t i = 0; i < text.size(); i++) {
        char16_t unit = text[i];
        if (form == ANSI) {
            bytes += static_cast<char>(ansi_code_page()->bytes[unit]);
        } else if (form == UTF8 || form == UTF8_MARK) {
            if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size()) {
                // A pair: one character beyond the Basic Multilingual Plane.
                uint32_t point = 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00);
                bytes += static_cast<char>(0xF0 | point >> 18);
                bytes += static_cast<char>(0x80 | (point >> 12 & 0x3F));
                bytes += static_cast<char>(0x80 | (point >> 6 & 0x3F));
                bytes += static_cast<char>(0x80 | (point & 0x3F));
            } else if (unit < 0x80) {
                bytes += static_cast<char>(unit);
            } else if (unit < 0x800) {
                bytes += static_cast<char>(0xC0 | unit >> 6);
                bytes += static_cast<char>(0x80 | (unit & 0x3F));
            } else {
                bytes += static_cast<char>(0xE0 | unit >> 12);
                bytes += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
                bytes += static_cast<char>(0x80 | (unit & 0x3F));
            }
        } else if (form == UTF16LE || form == UTF16LE_MARK) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        } else {
            bytes += static_cast<char>(unit >> 8);
            bytes += static_cast<char>(unit & 0xFF);
        }
    }
    return bytes;
}

// The tag that a hit line of a file in the form carries behind its position.
inline const char* form_tag(Form form) {
    return form == ANSI ? "" : form <= UTF8_MARK ? " [UTF-8]" : form <= UTF16LE_MARK ? " [UTF-16 LE]"
                                                                               : " [UTF-16 BE]";
}
