// Picture loaders into 8-bit pixel buffers with 6-bit (or 8-bit) palettes.
#pragma once

#include <cstdint>

// Loads the GIF file name into pixels and palette (6-bit components unless keep8bit);
// width and height may be null. Returns 1; bad input is an assertion stop.
int PIX_LoadGIF(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                int keep8bit);
