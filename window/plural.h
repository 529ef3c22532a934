// Russian nouns after a number: 1 файл, 2 файла, 5 файлов, 21 файл.
#pragma once

#include <stdint.h>

const char* plural(uint64_t n, const char* one, const char* few, const char* many);
