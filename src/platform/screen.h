// The 8-bit screen, its modes and pages, the 6-bit palette and its fades, and LLS_DUMP,
// which turns each frame into 32-bit pixels and hands it to the backend to present.
#pragma once

#include <cstdint>

#define LLS_VIDEO_BYTES 64000        // 320 x 200, mode 0
#define LLS_FRAME_WIDTH 640
#define LLS_FRAME_HEIGHT 480
#define PAL_BYTES 768                // 256 entries of red, green, blue, each 0..63

extern int32_t LLS_Mode;             // current mode: 0 (320 x 200) or 5 (640 x 480); -1 before LLS_Init
extern int32_t LLS_Width;            // size of the current mode in pixels
extern int32_t LLS_Height;
extern int32_t LLS_Size;             // LLS_Width * LLS_Height, the bytes of LLS_Screen
extern uint8_t* LLS_Screen;          // where effects draw: LLS_VideoMemory or LLS_Page1
extern uint8_t LLS_VideoMemory[LLS_VIDEO_BYTES];  // the picture shown in mode 0
extern uint8_t* LLS_Page1;           // off-screen pages of LLS_Size bytes, or null
extern uint8_t* LLS_Page2;
extern uint32_t LLS_ColorTable[256]; // 0x00RRGGBB, 6-bit components shifted left by 2
extern uint32_t LLS_Frame32[LLS_FRAME_WIDTH * LLS_FRAME_HEIGHT];  // the frame LLS_DUMP assembles

extern uint8_t PAL_Target[PAL_BYTES];   // what a fade moves toward; loaders put palettes here
extern uint8_t PAL_Current[PAL_BYTES];  // the palette shown while a fade runs
extern uint8_t PAL_Spare[PAL_BYTES];    // a third palette for effects that merge their own
extern int32_t PAL_FadeSpeed;           // one-unit steps per tick; starts at 1
extern uint8_t PAL_Fading;              // set by effects to start a fade; cleared when it ends
extern uint32_t PAL_FadeTime;           // the tick up to which the fade has been stepped

extern uint8_t TCS_Active;              // LLS_DUMP shows the 32-bit text screen instead
extern int32_t ByteOrderB;              // overrides of the window surface's byte order (command
extern int32_t ByteOrderR;              // line), applied by the desktop backend

// Sets mode (0 or 5) and the number of pages (0, 1 or 2); frees the previous pages. Returns 1.
int LLS_Init(int pages, int mode);

// Mode 0: copies LLS_Screen into LLS_VideoMemory (unless they are the same). Mode 5: nothing.
void LLS_Flip(void);

// Shows LLS_Screen smoothed (320 x 200 whatever the mode): LLS_VideoMemory gets the average
// of each 2 x 2 block reaching right and down; the outermost rows and columns are copied.
void LLS_FlipSmooth(void);

// Adds the low 8 bits of value to each of count bytes at dest, wrapping modulo 256.
void LLS_AddSpan(uint8_t* dest, int count, int value);

// Converts a 768-byte palette into LLS_ColorTable (all 256 entries; first and count are
// always 0 and 256). Shown at the next LLS_DUMP.
void LLS_SetPalette(const uint8_t* palette, int first, int count);

// Moves each of entries * 3 bytes of current one unit toward target.
void PAL_StepTowards(uint8_t* current, const uint8_t* target, int entries);

// Once per frame from the main loop: steps a running fade PAL_FadeSpeed units per tick up
// to time, uploads PAL_Current, and ends the fade when it has reached PAL_Target.
void PAL_FadeTick(uint32_t time);

// Called by the closing text after drawing each frame with its 320 x 200 text screen
// (32-bit pixels, channels in 10-bit fields); when first < count, LLS_DUMP shows it.
void TCS_Show(const uint32_t* picture, int first, int count);

// The text screen's picture is being freed: LLS_DUMP stops reading it (and shows black while
// TCS_Active stays set) until the next TCS_Show.
void TCS_Forget(const uint32_t* picture);

// Converts the current picture into LLS_Frame32, has the backend present it (PLAT.Present),
// then calls PLAT.FramePresented.
void LLS_DUMP(void);
