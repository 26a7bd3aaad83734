// PNG writing over libpng.
#include "support/pngwrite.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

// Writes one PNG whose rows come from row(y, buffer); palette is used when colorType is
// PNG_COLOR_TYPE_PALETTE.
template <class RowFn>
static bool PNG_Write(const char* path, int width, int height, int colorType, int channels, const uint8_t* palette,
                      int colors, RowFn row, std::string* error)
{
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        *error = std::string("cannot create ") + path + ": " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        *error = "out of memory";
        return false;
    }
    std::vector<uint8_t> buffer((size_t)width * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        *error = std::string("cannot write ") + path;
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color entries[256];
        for (int i = 0; i < colors; i++)
            entries[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
        png_set_PLTE(png, info, entries, colors);
    }
    png_write_info(png, info);
    for (int y = 0; y < height; y++) {
        row(y, buffer.data());
        png_write_row(png, buffer.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) {
        *error = std::string("cannot write ") + path;
        return false;
    }
    return true;
}

bool PNG_WriteRGB32(const char* path, const uint32_t* pixels, int width, int height, std::string* error)
{
    return PNG_Write(path, width, height, PNG_COLOR_TYPE_RGB, 3, nullptr, 0,
                     [&](int y, uint8_t* out) {
                         const uint32_t* p = pixels + (size_t)y * width;
                         for (int x = 0; x < width; x++) {
                             out[3 * x] = (uint8_t)(p[x] >> 16);
                             out[3 * x + 1] = (uint8_t)(p[x] >> 8);
                             out[3 * x + 2] = (uint8_t)p[x];
                         }
                     },
                     error);
}

bool PNG_WriteIndexed(const char* path, const uint8_t* pixels, int width, int height, const uint8_t* palette,
                      int colors, std::string* error)
{
    if (colors < 1 || colors > 256) {
        *error = "a PNG palette holds 1 to 256 colours";
        return false;
    }
    return PNG_Write(path, width, height, PNG_COLOR_TYPE_PALETTE, 1, palette, colors,
                     [&](int y, uint8_t* out) { std::memcpy(out, pixels + (size_t)y * width, (size_t)width); },
                     error);
}
