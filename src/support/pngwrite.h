// PNG output for the tools and the offline renderer (libpng).
#pragma once

#include <cstdint>
#include <string>

// Writes width x height pixels of 0x00RRGGBB as an 8-bit RGB PNG. Deterministic: the same
// pixels give the same file. false with error set on failure.
bool PNG_WriteRGB32(const char* path, const uint32_t* pixels, int width, int height, std::string* error);

// Writes width x height palette indices with a palette of colors entries of 8-bit red,
// green, blue as a paletted PNG.
bool PNG_WriteIndexed(const char* path, const uint8_t* pixels, int width, int height, const uint8_t* palette,
                      int colors, std::string* error);
