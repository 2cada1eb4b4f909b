// Compiling a stretch of code for an instruction set the build does not
// assume (SSE2 in the 32-bit build, AVX2 anywhere), to be run only after
// asking the processor. GCC and Clang on x86 only: elsewhere
// BRINDLE_TARGETS is undefined and the callers keep to portable code.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define BRINDLE_TARGETS 1
#include <immintrin.h>

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
