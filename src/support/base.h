// Shared helpers of the whole code base: the allocation convention and the 16.16 fixed-point
// helpers. Fixed point: a signed 32-bit value times 65536; products go through 64 bits.
#pragma once

#include <cstddef>
#include <cstdint>

// Fresh heap memory whose every byte is the low 8 bits of the next value of the C library's
// rand (never seeded, so the same bytes in every run). Null when size <= 0 or the heap fails.
// Release with std::free.
void* MEM_Alloc(int32_t size);

// MEM_Alloc for callers that cannot go on without the block: on failure stops through
// SYS_FatalError naming what (a short description) and the size.
void* MEM_AllocOrDie(int32_t size, const char* what);

// 16.16 conversions used by the effects.
constexpr int32_t FP_FromInt(int32_t n) { return (int32_t)((uint32_t)n << 16); }
constexpr int32_t FP_ToInt(int32_t fp) { return fp >> 16; }
constexpr int32_t FP_Mul(int32_t a, int32_t b) { return (int32_t)(((int64_t)a * b) >> 16); }

// Helpers of the shared header that are not provided: each ends in the assertion stop
// !"TEST" naming itself and its fixed place in unit "base".
int32_t FPnDiv(int32_t a, int32_t b);                 // (0, 0) gives 0; every other pair stops
int32_t FPMultDiv(int32_t a, int32_t b, int32_t c);   // stops when b and c are both nonzero, else 0
int32_t FP16Inverse(int32_t a);                       // always stops
int32_t FP16Div(int32_t a, int32_t b);                // always stops
int32_t Pow2(int32_t n);                              // always stops

// The assertion stop of Pow2 on its own, for callers that stop "as Pow2 does" (the intro's
// check of its mix table).
[[noreturn]] void Pow2Stop(void);
