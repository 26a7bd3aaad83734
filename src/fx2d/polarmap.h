// The polar map shared by the ripple and the tunnel: for each pixel of the 256 x 200 window
// in the middle of the 320 x 200 screen, its angle and distance from the window's centre.
#pragma once

#include <cstdint>

#define POLAR_WIDTH 256
#define POLAR_HEIGHT 200
#define POLAR_MAP_BYTES (POLAR_WIDTH * POLAR_HEIGHT * 2)   // 102,400

// Fills map (POLAR_MAP_BYTES) with one 2-byte record per pixel, rows top to bottom:
// byte 0 the angle A (256 units per turn, 192 at the centre, 0 straight above it),
// byte 1 the distance D in whole pixels (0..162).
void POLAR_BuildMap(uint8_t* map);
