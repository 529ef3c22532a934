// The one platform-dependent piece of the text encodings: the character of each byte of
// the user's ANSI code page. From the system's conversion in code_page_win32.cpp; a
// built-in Windows-1251 table, the code page of the program's users, in
// code_page_posix.cpp.
#pragma once

#include <stdint.h>

// Fills the code point of each of the 256 bytes.
void ansi_code_points(uint16_t characters[256]);
