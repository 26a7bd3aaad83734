// The circle tunnel: a 256 x 256 picture wrapped around the viewer. Each pixel of the
// 256 x 200 window at columns 32..287 samples the picture at (column from its angle, row from
// its distance), remapped through two tables rebuilt every frame; four modes move it four ways.
#pragma once

#include <cstdint>

#define TUNNEL_REMAP_BYTES 512     // R by distance (0..255), then S by angle (256..511)
#define TUNNEL_TEXTURE_BYTES 65536

// The effect's buffers, allocated by TunnelStart and freed by TunnelEnd (null otherwise).
extern uint8_t* TunnelPolarMap;    // POLAR_MAP_BYTES: angle and distance per window pixel
extern uint8_t* TunnelRemap;       // TUNNEL_REMAP_BYTES, rebuilt every frame
extern uint8_t* TunnelTexture;     // "GFX\circler.gif", 256 x 256
// The mode counter: 0, 1 and 2 select those modes, every other value mode 3. Starts at 0 and
// is never reset, not even by TunnelStart or TunnelEnd.
extern int32_t TunnelModeCounter;

// Sets mode 0 (drawing straight into the display), builds the polar map, clears the screen,
// loads the picture and shows its palette at once. Installs TunnelFrame. Returns true.
bool TunnelStart(uint32_t time);

// The frame hook: rebuilds the tables for tick time (absolute, not since the start) in the
// current mode and draws the window. Returns true.
bool TunnelFrame(uint32_t time);

// Timeline entry: advances the mode counter by one (also before TunnelStart). Returns true.
bool TunnelNextMode(uint32_t time);

// Frees the buffers (harmless when there are none) and clears FrameHook. Returns true.
bool TunnelEnd(uint32_t time);

// Fills remap (TUNNEL_REMAP_BYTES) with the row table R and the column table S of mode
// (0..2; any other value is mode 3) at tick t. Each entry is its value truncated toward zero
// and kept to its low 8 bits; an undefined value (0/0) stores 0.
void TUNNEL_BuildRemap(int32_t mode, uint32_t t, uint8_t* remap);
