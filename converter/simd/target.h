// Compiling a stretch of code for an instruction set the build does not
// assume (SSE2 in the 32-bit build, AVX2 and AVX-512 anywhere), to be run only after
// asking the processor. GCC and Clang on x86 only: elsewhere
// BRINDLE_TARGETS is undefined and the callers keep to portable code.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define BRINDLE_TARGETS 1
#include <immintrin.h>

// AVX-512 as the block loops use it: words and bytes, compressing them and
// looking bytes up in tables of 128.
// Everything AVX2 has comes with it.
#define BRINDLE_AVX512 "avx2,bmi,popcnt,avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2"

#define BRINDLE_STRING(x) #x
#if defined(__clang__)
#define BRINDLE_TARGET_BEGIN(sets) \
  _Pragma(BRINDLE_STRING(clang attribute push(__attribute__((target(sets))), apply_to = function)))
#define BRINDLE_TARGET_END _Pragma("clang attribute pop")
#else
#define BRINDLE_TARGET_BEGIN(sets) _Pragma("GCC push_options") _Pragma(BRINDLE_STRING(GCC target(sets)))
#define BRINDLE_TARGET_END _Pragma("GCC pop_options")
#endif
#endif
