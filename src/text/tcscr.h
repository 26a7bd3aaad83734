// The text screen: one 32-bit picture on which the closing text is written and softened.
// A pixel holds red, green and blue as 8-bit values at bits 22-29, 12-19 and 2-9; the two
// bits above each value are overflow guards, masked off (TCS_MASK) by every reader, so that
// four pixels can be summed without one channel carrying into the next.
#pragma once

#include <cstdint>

#define TCS_MASK 0x3FCFF3FCu
#define TCS_GUARDS 0xC0300C00u

extern int32_t TCS_Width;        // 320 until TCS_Init
extern int32_t TCS_Height;       // 200 until TCS_Init
extern uint32_t* TCS_Picture;    // TCS_Width x TCS_Height pixels, rows top to bottom (owned), or null
extern int32_t TCS_Depth;        // 32 once set up, 0 otherwise

// Sets up a cleared picture of width x height (depth is always taken as 32) and makes
// LLS_DUMP show the text screen. False, with no picture, when the size is 0 or the memory
// cannot be had. Width 640 with heights 240, 160 or 200 is a stop (not provided).
bool TCS_Init(int32_t width, int32_t height, int32_t depth);

// Frees the picture.
void TCS_End(void);

// The grey level g (0..255) as a text-screen pixel: g in each of the three fields.
constexpr uint32_t TCS_Grey(uint32_t g) { return g * 0x00401004u; }
