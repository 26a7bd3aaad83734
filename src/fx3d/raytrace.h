// The progressive ray-traced scene: each tick refreshes one pixel of every 2 x 2 block, casting
// rays coarse to fine and interpolating where neighbours agree, and shows the result smoothed.
#pragma once

#include "fx3d/raycast.h"

#include <cstdint>

#define RAY_PASSES 5

extern uint32_t RAY_StartTime;                  // the time RAY_Start was called with
extern uint32_t RAY_PassCounter[RAY_PASSES];    // frames each refinement pass has run; never reset
extern float* RAY_Directions;                   // LLS_Width * LLS_Height view rays (three floats each)
extern RAY_Pixel* RAY_Pixels;                   // what each pixel last showed
extern float RAY_FocalX, RAY_FocalY;

// Timeline entries; each returns true.
bool RAY_Start(uint32_t time);    // palette, tables, the scene at t = 0; installs RAY_Frame
bool RAY_Resume(uint32_t time);   // installs RAY_Frame again after the beams' return
bool RAY_Grow(uint32_t time);     // one more solid (up to 8), the second light, a smaller carving
bool RAY_Stop(uint32_t time);     // removes the hook and frees the tables
bool FX_Nop(uint32_t time);       // does nothing

// The hook: five refinement passes over this tick's phase, the smoothed copy to the display
// with its bottom five rows black, then the scene moved to the time. Returns true.
bool RAY_Frame(uint32_t time);

// Places the moving solids and light 0 for the scene time t (0.35 units per second).
void RAY_Animate(float t);

// The scene's palette (black through orange to white) into PAL_Target.
void RAY_BuildPalette(void);

// The blend test between neighbours a and b (offsets into LLS_Screen and RAY_Pixels) for the
// pixel at offset at: blends when they show the same solid at shades within 20 and distances
// within 2; otherwise casts the pixel's own ray.
void RAY_BlendOrCast(int32_t at, int32_t a, int32_t b);
