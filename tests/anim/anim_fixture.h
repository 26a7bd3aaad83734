// Shared by the animation and sprite tests: a scratch working folder with a cleared 320 x 200
// screen page, and small readers and writers of the files the tests build.
#pragma once

#include "common/scratch_dir.h"
#include "common/test_support.h"
#include "data/file.h"
#include "platform/screen.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class AnimDirTest : public FIX_ScratchDirTest {
protected:
    AnimDirTest() : FIX_ScratchDirTest("vantrel-anim") {}
    void SetUp() override
    {
        FIX_ScratchDirTest::SetUp();
        LLS_Init(1, 0);   // a page of exactly 64000 bytes, cleared
    }

    static std::vector<uint8_t> Screen(void) { return std::vector<uint8_t>(LLS_Screen, LLS_Screen + LLS_Size); }
};

inline void ANIMTEST_WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

inline std::vector<uint8_t> ANIMTEST_ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void ANIMTEST_PutLe16(std::vector<uint8_t>* b, uint32_t v)
{
    b->push_back((uint8_t)v);
    b->push_back((uint8_t)(v >> 8));
}

inline void ANIMTEST_PutLe32(std::vector<uint8_t>* b, uint32_t v)
{
    ANIMTEST_PutLe16(b, v & 0xFFFF);
    ANIMTEST_PutLe16(b, v >> 16);
}

// Entry i of the test palette: distinct 8-bit colours, so a PNG's colours tell indices apart.
inline GifColorType ANIMTEST_Colour(int i, int shift)
{
    return GifColorType{(uint8_t)(i + shift), (uint8_t)(255 - i), (uint8_t)(i * 7)};
}

// Writes a GIF of pixels (width x height) with a 256-entry global table made by
// ANIMTEST_Colour(i, shift); interlaced if asked (giflib then orders the rows itself).
inline void ANIMTEST_WriteGIF(const std::string& path, int width, int height, const std::vector<uint8_t>& pixels,
                              int shift = 0, bool interlaced = false)
{
    int err = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
    ASSERT_NE(gif, nullptr) << path;
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; i++)
        map->Colors[i] = ANIMTEST_Colour(i, shift);
    ASSERT_EQ(EGifPutScreenDesc(gif, width, height, 8, 0, map), GIF_OK);
    ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr), GIF_OK);
    std::vector<GifPixelType> row((size_t)width);
    // An interlaced image is sent in four passes of rows.
    static const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); pass++)
        for (int y = interlaced ? starts[pass] : 0; y < height; y += interlaced ? steps[pass] : 1) {
            std::memcpy(row.data(), pixels.data() + (size_t)y * (size_t)width, (size_t)width);
            ASSERT_EQ(EGifPutLine(gif, row.data(), width), GIF_OK);
        }
    ASSERT_EQ(EGifCloseFile(gif, &err), GIF_OK);
    GifFreeMapObject(map);
}

// An 8-bit indexed PNG read back: its indices row by row and its palette (3 bytes an entry).
struct AnimTestPng {
    int width = 0, height = 0;
    std::vector<uint8_t> indices, palette;
};

inline bool ANIMTEST_ReadIndexedPNG(const std::string& path, AnimTestPng* out)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    bool ok = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE && png_get_bit_depth(png, info) == 8;
    out->width = (int)png_get_image_width(png, info);
    out->height = (int)png_get_image_height(png, info);
    png_bytepp rows = png_get_rows(png, info);
    out->indices.clear();
    for (int y = 0; ok && y < out->height; y++)
        out->indices.insert(out->indices.end(), rows[y], rows[y] + out->width);
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &entries, &count);
    out->palette.clear();
    for (int i = 0; i < count; i++)
        out->palette.insert(out->palette.end(), {entries[i].red, entries[i].green, entries[i].blue});
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return ok;
}
