// The screenshot format: 256-colour PCX files, the counterpart of PIX_LoadPCX.
#pragma once

#include <cstdint>
#include <vector>

// A version 5 PCX of width x height palette indices (8 bits, one plane, every row run-length
// encoded by itself) followed by the byte 12 and the 768-byte palette, whose 6-bit
// components are written times 4.
std::vector<uint8_t> PIX_EncodePCX(const uint8_t* pixels, int32_t width, int32_t height, const uint8_t* palette);

// Writes PIX_EncodePCX's bytes to the file name (opened "wb"). False when it cannot be opened
// (nothing is written then) or not written whole.
bool PIX_WritePCX(const char* name, const uint8_t* pixels, int32_t width, int32_t height, const uint8_t* palette);
