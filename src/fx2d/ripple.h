// The polar ripple: a 256 x 256 picture seen through moving water, a swirl along the circles
// around the window's centre and a pull toward it, both waves travelling outward with time.
#pragma once

#include <cstdint>

#define RIPPLE_OFFSET_ROWS 128
#define RIPPLE_TEXTURE_BYTES 65536

// The effect's tables, allocated by RippleStart and freed by RippleEnd (null otherwise).
extern uint8_t* RipplePolarMap;    // POLAR_MAP_BYTES: angle and distance per window pixel
extern int32_t* PolarOffsets;      // 128 x 256: displacement dy * 256 + dx of length r - 63 at angle a
extern uint8_t* RippleTexture;     // "GFX\ripp2.gif", 256 x 256
// Rebuilt every frame: per distance, the flat row offset into PolarOffsets of each wave.
extern int32_t RippleWave1[256];
extern int32_t RippleWave2[256];

// Builds the tables, clears the screen, loads and shows the picture (brightened, no fade) and
// installs RippleFrame. Expects mode 0 with LLS_Screen on its own page. Returns true.
bool RippleStart(uint32_t time);

// The frame hook: draws the window (columns 32..287) and hands the frame to ShakeCopy.
bool RippleFrame(uint32_t time);

// Frees the tables (harmless when there are none) and clears FrameHook. Returns true.
bool RippleEnd(uint32_t time);

// Fills offsets (128 x 256 entries) with the packed displacements of the ripple.
void RIPPLE_BuildOffsets(int32_t* offsets);
