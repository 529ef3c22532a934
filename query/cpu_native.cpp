// Elsewhere: the compiler's probe of the processor.
#include "cpu.h"

int cpu_has_sse2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("sse2") ? 1 : 0;
#else
    return 0;
#endif
}

int cpu_has_avx2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("avx2") ? 1 : 0;
#else
    return 0;
#endif
}
