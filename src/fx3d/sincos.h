// The shared cosine table: 4096 cosines in 2.30 fixed point, indexed by a 16-bit angle >> 4.
#pragma once

#include <cstdint>

#define SINCOS_ENTRIES 4096

// Entry i is 2^30 * cos(2 pi i / 4096), rounded; read-only after SINCOS_Init.
extern int32_t SINCOS_Table[SINCOS_ENTRIES];

// Builds SINCOS_Table. Called once at start-up, before any reader.
void SINCOS_Init(void);

// Cosine of a 16-bit angle (65536 units to the turn) in 2.30 fixed point.
inline int32_t SINCOS_Cos(uint32_t angle) { return SINCOS_Table[(angle & 0xFFFF) >> 4]; }

// Length times the cosine of angle: a 64-bit product shifted right by 30.
inline int32_t SINCOS_MulCos(int32_t length, uint32_t angle)
{
    return (int32_t)(((int64_t)length * SINCOS_Cos(angle)) >> 30);
}

// Fixed-point division helper of this header; not provided: always the stop !"TEST".
int32_t FPDiv(int32_t a, int32_t b);
