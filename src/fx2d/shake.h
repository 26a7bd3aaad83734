// The row shake: copies a 320 x 200 frame to the display with each row shifted by its own
// amount, a tremor that starts at 200 pixels and decays by 0.89 per copied frame.
#pragma once

#include <cstdint>

// The shake's pseudo-random generator: three words, seeded once, never reset.
struct ShakeGenerator {
    uint32_t s1, s2, s3;
};
#define SHAKE_SEED1 0x7834348Bu
#define SHAKE_SEED2 0x78ED7F34u
#define SHAKE_SEED3 0xA78332BFu

#define SHAKE_START_AMPLITUDE 0xC80000   // 200 pixels in 16.16
#define SHAKE_WIDTH 320
#define SHAKE_HEIGHT 200

extern ShakeGenerator SHAKE_Generator;   // runs on across shakes
extern int32_t SHAKE_Amplitude;          // 16.16 pixels; below one pixel the copy is plain
extern uint16_t SHAKE_Phase1;            // 16-bit angles of the two cosine waves
extern uint16_t SHAKE_Phase2;

// Timeline entry: restarts the shake at full amplitude with both phases 0. Returns true.
bool ShakeStart(uint32_t time);

// Copies LLS_Screen (320 x 200) into LLS_VideoMemory, shaken while the amplitude is at least
// one pixel, then decays the amplitude. Effects call it in place of LLS_Flip.
void ShakeCopy(void);

// One step of the generator: the next 32-bit output.
uint32_t SHAKE_Next(ShakeGenerator* g);

// Writes one 320-byte display row: dst[x] = src[x - shift] where that lies in 0..319, else 0.
// dst may equal src.
void SHAKE_ShiftRow(uint8_t* dst, const uint8_t* src, int32_t shift);
