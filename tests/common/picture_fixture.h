// Test helpers for effects that load pictures and tables by name: a scratch working folder
// with a GFX subfolder, and small GIF files written with giflib's encoder.
#pragma once

#include "common/scratch_dir.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// Makes a fresh temporary folder (with GFX/ inside) the working folder for its lifetime.
struct FIX_ScratchDir : FIX_TempDir {
    FIX_ScratchDir() : FIX_TempDir("vantrel-test") { std::filesystem::create_directories(dir / "GFX"); }
};

// Writes a width x height GIF with a 256-entry global colour table whose every component is
// the 8-bit value level (so a 6-bit load gives level >> 2); pixel (x, y) is pixel(x, y).
template <class F>
void FIX_WriteGIF(const std::string& path, int width, int height, uint8_t level, F pixel)
{
    int err = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
    ASSERT_NE(gif, nullptr) << path;
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; i++)
        map->Colors[i] = GifColorType{level, level, level};
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
