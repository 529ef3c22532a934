// What the processor offers beyond the instruction set that the program is built for,
// asked at run time: the 32-bit program runs on processors with and without SSE2.
#pragma once

// 1 when the processor (and the system, for the wider registers) has it, else 0.
int cpu_has_sse2();
int cpu_has_avx2();
