// Windows: the system says whether SSE2 is there; the compiler's probe of the processor
// (which also asks whether the system saves the wide registers) tells AVX2.
#include "cpu.h"

#include <windows.h>

int cpu_has_sse2() {
    return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) ? 1 : 0;
}

int cpu_has_avx2() {
    return __builtin_cpu_supports("avx2") ? 1 : 0;
}
