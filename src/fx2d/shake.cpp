// The row shake: two cosine waves per row, their phases disturbed row by row by a small
// generator, give each row of the frame its horizontal shift while the amplitude decays.
#include "fx2d/shake.h"

#include "fx3d/sincos.h"
#include "platform/screen.h"

#include <cstring>

ShakeGenerator SHAKE_Generator = {SHAKE_SEED1, SHAKE_SEED2, SHAKE_SEED3};
int32_t SHAKE_Amplitude = 0;
uint16_t SHAKE_Phase1 = 0;
uint16_t SHAKE_Phase2 = 0;

bool ShakeStart(uint32_t)
{
    SHAKE_Phase1 = 0;
    SHAKE_Phase2 = 0;
    SHAKE_Amplitude = SHAKE_START_AMPLITUDE;
    return true;
}

static inline uint32_t SHAKE_Rol(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }
static inline uint32_t SHAKE_Ror(uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }

uint32_t SHAKE_Next(ShakeGenerator* g)
{
    g->s1 = SHAKE_Rol(g->s1 + 0xB35FA137u, 2);
    g->s2 = SHAKE_Ror(g->s2 + 0x354C63F7u + g->s1, 1);
    g->s3 = g->s3 + 0x067B784Bu - g->s2;
    return (g->s1 ^ g->s3) + g->s2;
}

void SHAKE_ShiftRow(uint8_t* dst, const uint8_t* src, int32_t shift)
{
    if (shift >= SHAKE_WIDTH || shift <= -SHAKE_WIDTH) {
        std::memset(dst, 0, SHAKE_WIDTH);
    } else if (shift >= 0) {
        // memmove: the row may be shifted in place when the screen is the display itself.
        std::memmove(dst + shift, src, (size_t)(SHAKE_WIDTH - shift));
        std::memset(dst, 0, (size_t)shift);
    } else {
        int32_t k = -shift;
        std::memmove(dst, src + k, (size_t)(SHAKE_WIDTH - k));
        std::memset(dst + SHAKE_WIDTH - k, 0, (size_t)k);
    }
}

// Amplitude times a 2.30 cosine: the 64-bit product shifted right by 30, low 32 bits kept.
static inline int32_t SHAKE_Wave(uint32_t angle, int32_t amplitude)
{
    return (int32_t)(((int64_t)SINCOS_Table[(angle & 0xFFFF) >> 4] * amplitude) >> 30);
}

void ShakeCopy(void)
{
    if (SHAKE_Amplitude < 0x10000) {
        if (LLS_Screen != LLS_VideoMemory)
            std::memcpy(LLS_VideoMemory, LLS_Screen, LLS_VIDEO_BYTES);
        return;
    }
    uint32_t p1 = SHAKE_Phase1, p2 = SHAKE_Phase2;
    const int32_t amplitude = SHAKE_Amplitude;
    const int32_t half = amplitude / 2;
    for (int y = 0; y < SHAKE_HEIGHT; y++) {
        uint32_t r = SHAKE_Next(&SHAKE_Generator);
        int32_t a = SHAKE_Wave(p1 + r + 9080, amplitude);
        p2 -= r >> 16;
        int32_t b = SHAKE_Wave(p2 + 21840, half);
        int32_t shift = (a + b - half) >> 16;   // whole pixels, arithmetic shift
        SHAKE_ShiftRow(LLS_VideoMemory + y * SHAKE_WIDTH, LLS_Screen + y * SHAKE_WIDTH, shift);
        p1 += r + 59456;
    }
    SHAKE_Phase1 = (uint16_t)(SHAKE_Phase1 + 768);
    SHAKE_Phase2 = (uint16_t)(SHAKE_Phase2 + 1024);
    SHAKE_Amplitude = (int32_t)(SHAKE_Amplitude * 0.89);   // double precision, truncated
}
