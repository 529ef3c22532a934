// The user's ANSI code page as the system converts it, byte by byte.
#include "code_page.h"

#include <windows.h>

void ansi_code_points(uint16_t characters[256]) {
    for (int byte = 0; byte < 256; byte++) {
        char one = static_cast<char>(byte);
        wchar_t wide = 0;
        // A byte that the code page does not convert alone (a lead byte of a
        // multi-byte code page) stands for the character of the same number.
        if (MultiByteToWideChar(CP_ACP, 0, &one, 1, &wide, 1) != 1) wide = static_cast<wchar_t>(byte);
        characters[byte] = static_cast<uint16_t>(wide);
    }
}
