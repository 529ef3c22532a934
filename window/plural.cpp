#include "plural.h"

const char* plural(uint64_t n, const char* one, const char* few, const char* many) {
    uint64_t tens = n % 100, units = n % 10;
    if (tens >= 11 && tens <= 14) return many;
    if (units == 1) return one;
    if (units >= 2 && units <= 4) return few;
    return many;
}
