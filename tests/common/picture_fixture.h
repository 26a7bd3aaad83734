// Test helpers for effects that load pictures and tables by name: a scratch working folder
// with a GFX subfolder, small GIF files written with giflib's encoder, and the palettes that
// loading and brightening them give.
#pragma once

#include "common/scratch_dir.h"
#include "fx2d/cues.h"
#include "platform/screen.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// Makes a fresh temporary folder (with GFX/ inside) the working folder for its lifetime.
struct FIX_ScratchDir : FIX_TempDir {
    FIX_ScratchDir() : FIX_TempDir("vantrel-test") { std::filesystem::create_directories(dir / "GFX"); }
};

// Writes a width x height GIF with a 256-entry global colour table: entry i is color(i), a
// GifColorType of 8-bit components, and pixel (x, y) is pixel(x, y).
template <class C, class F>
void FIX_WriteGIFWith(const std::string& path, int width, int height, C color, F pixel)
{
    int err = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
    ASSERT_NE(gif, nullptr) << path;
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; i++)
        map->Colors[i] = color(i);
    ASSERT_EQ(EGifPutScreenDesc(gif, width, height, 8, 0, map), GIF_OK);
    ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr), GIF_OK);
    std::vector<GifPixelType> row((size_t)width);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++)
            row[(size_t)x] = (GifPixelType)pixel(x, y);
        ASSERT_EQ(EGifPutLine(gif, row.data(), width), GIF_OK);
    }
    ASSERT_EQ(EGifCloseFile(gif, &err), GIF_OK);
    GifFreeMapObject(map);
}

// The same with every component of every entry the 8-bit value level (so a 6-bit load gives
// level >> 2).
template <class F>
void FIX_WriteGIF(const std::string& path, int width, int height, uint8_t level, F pixel)
{
    FIX_WriteGIFWith(path, width, height, [level](int) { return GifColorType{level, level, level}; }, pixel);
}

// A test picture that differs from its neighbours: its pixels and its palette both depend on
// seed, so a picture loaded in the wrong place, or the wrong palette, shows.
struct FIX_Picture {
    int width, height;
    std::vector<uint8_t> pixels;    // width x height, rows top first
    std::vector<uint8_t> palette6;  // 768 bytes: the palette as a 6-bit load gives it
};

inline uint8_t FIX_PaletteByte(int seed, int i)
{
    // Component c of entry e; every value 0..255 comes up, in a different order per seed.
    const int e = i / 3, c = i % 3;
    return (uint8_t)(e * (2 * c + 3) + seed * 59 + c * 85);
}

// Writes path as the picture of seed and returns what loading it gives.
inline FIX_Picture FIX_WriteSeededGIF(const std::string& path, int width, int height, int seed)
{
    FIX_Picture p{width, height, {}, {}};
    p.pixels.resize((size_t)width * (size_t)height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            p.pixels[(size_t)(y * width + x)] = (uint8_t)(x * (seed + 2) + y * (2 * seed + 1) + (x * y >> 3));
    for (int i = 0; i < 768; i++)
        p.palette6.push_back((uint8_t)(FIX_PaletteByte(seed, i) >> 2));
    FIX_WriteGIFWith(
        path, width, height,
        [seed](int e) {
            return GifColorType{FIX_PaletteByte(seed, 3 * e), FIX_PaletteByte(seed, 3 * e + 1),
                                FIX_PaletteByte(seed, 3 * e + 2)};
        },
        [&](int x, int y) { return p.pixels[(size_t)(y * width + x)]; });
    return p;
}

// Writes bytes to path.
inline void FIX_WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    }
    std::fclose(f);
}

// What PaletteSineBrighten makes of a 768-byte 6-bit palette (PAL_Target is used for the
// computation and left holding the result; callers set what they need afterwards).
inline std::vector<uint8_t> FIX_Brightened(const std::vector<uint8_t>& palette6)
{
    std::memcpy(PAL_Target, palette6.data(), PAL_BYTES);
    PaletteSineBrighten();
    return std::vector<uint8_t>(PAL_Target, PAL_Target + PAL_BYTES);
}

// Whether LLS_ColorTable shows palette (768 bytes of 6-bit components) as uploaded.
inline bool FIX_ShowsPalette(const std::vector<uint8_t>& palette)
{
    for (int i = 0; i < 256; i++)
        if (LLS_ColorTable[i] != (((uint32_t)palette[(size_t)(3 * i)] << 18) |
                                  ((uint32_t)palette[(size_t)(3 * i + 1)] << 10) |
                                  ((uint32_t)palette[(size_t)(3 * i + 2)] << 2)))
            return false;
    return true;
}
