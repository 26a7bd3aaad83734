// Palette cues and the small hooks the Timeline installs between effects: flashes, fades,
// hue rotations, the still pictures with their fade-in, and the shared sine brightening.
#pragma once

#include <cstdint>

// The idle hook: keeps the show alive between effects; ignores the time, returns true.
bool CUE_Idle(uint32_t time);

bool CueIdleHook(uint32_t time);        // FrameHook := CUE_Idle
bool CueEndShow(uint32_t time);         // FrameHook := null; the main loop then ends the show
bool CueStopHook(uint32_t time);        // FrameHook := null, the running effect keeps its memory
bool CueNegativeFlash(uint32_t time);   // fade from the negative of PAL_Target, speed 1
bool CueWhiteFlash(uint32_t time);      // fade from white to PAL_Target, speed 1
bool CueFadeToBlack(uint32_t time);     // fade from PAL_Target to black, speed 1
bool CueRotateColoursA(uint32_t time);  // PAL_Target entries (r,g,b) -> (b,r,g), flash from the negative
bool CueRotateColoursB(uint32_t time);  // PAL_Target entries (r,g,b) -> (g,b,r), flash from the negative
bool CueShowFreestyle(uint32_t time);   // "GFX\FREESTYL.GIF" at 640 x 480, faded in from black
bool CueShowKolde(uint32_t time);       // "GFX\KOLDE640.GIF" (360 x 480) centred, faded in from black

// Lifts the middle tones of PAL_Target: each byte p becomes trunc(sin(p * 2 pi / 256) * 63 + 0.5).
// No upload, no fade. Not idempotent: callers apply it once per loaded palette.
void PaletteSineBrighten(void);

#define CUE_KOLDE_WIDTH 360
#define CUE_KOLDE_HEIGHT 480
#define CUE_KOLDE_LEFT 140   // (640 - 360) / 2

// Copies a 360 x 480 picture into screen rows 0..479 at columns 140..499 (mode 5).
void CUE_PlaceKolde(const uint8_t* picture);
