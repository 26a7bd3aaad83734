// Truevision TGA 2.0 colour-mapped pictures, uncompressed (type 1) or run-length (type 9),
// recognised by the footer signature.
#include "image/pixcore.h"

#include <cstring>

static int32_t TGA_Get16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

// Widens a 5-bit component: doubled to the 6-bit range, or spread over the 8-bit range.
static uint8_t TGA_Widen5(int v, int flags)
{
    return (flags & PIX_KEEP8BIT) ? (uint8_t)((v << 3) | (v >> 2)) : (uint8_t)(v * 2);
}

static bool TGA_ReadColourMap(PixSource* src, uint8_t* palette, int32_t length, int entryBits, int flags)
{
    std::memset(palette, 0, 768);
    const int32_t count = length < 256 ? length : 256;
    for (int32_t i = 0; i < count; i++) {
        uint8_t e[4];
        uint8_t* rgb = palette + 3 * i;
        if (entryBits == 15 || entryBits == 16) {
            if (PIX_Read(src, e, 2) != 2)
                return false;
            const int v = e[0] | (e[1] << 8);
            rgb[0] = TGA_Widen5((v >> 10) & 31, flags);
            rgb[1] = TGA_Widen5((v >> 5) & 31, flags);
            rgb[2] = TGA_Widen5(v & 31, flags);
        } else if (entryBits == 24 || entryBits == 32) {
            // Blue, green, red (and alpha, ignored).
            if (PIX_Read(src, e, (size_t)entryBits / 8) != (size_t)entryBits / 8)
                return false;
            rgb[0] = e[2];
            rgb[1] = e[1];
            rgb[2] = e[0];
            PIX_ReducePalette(rgb, 3, flags);
        }
        // Entries of any other size stay black and take no bytes here.
    }
    return true;
}

int PIX_ReadTGA(PixSource* src, PixTarget* target, int flags)
{
    static const char signature[18] = "TRUEVISION-XFILE.";   // with its terminating zero byte
    uint8_t footer[26];
    if (src->fileSize < 26 || !PIX_Seek(src, (int64_t)src->fileSize - 26) || PIX_Read(src, footer, 26) != 26 ||
        std::memcmp(footer + 8, signature, 18) != 0)
        return PIX_Fail("not a TGA 2.0 file (no TRUEVISION-XFILE footer)");
    PIX_Recognised();

    uint8_t header[18];
    if (!PIX_Seek(src, 0) || PIX_Read(src, header, 18) != 18)
        return PIX_FailTruncated(src);
    const int idLength = header[0], mapType = header[1], imageType = header[2];
    const int32_t mapLength = TGA_Get16(header + 5);
    const int entryBits = header[7];
    const int32_t width = TGA_Get16(header + 12), height = TGA_Get16(header + 14);
    const int depth = header[16];
    if (target->width)
        *target->width = width;
    if (target->height)
        *target->height = height;
    target->colors = mapType ? mapLength : 0;
    if (!target->pixels && !target->palette)
        return 1;
    if (target->pixels && !PIX_Fits(width, height, target->capacity))
        return PIX_FailSize(width, height, target->capacity);

    if (target->palette) {
        if (mapType != 1)
            return PIX_Fail("colour map type %d; a colour map (1) is needed", mapType);
        if (!PIX_Seek(src, 18 + idLength) || !TGA_ReadColourMap(src, target->palette, mapLength, entryBits, flags))
            return PIX_FailTruncated(src);
        if (!target->pixels)
            return 1;
    }

    if ((imageType != 1 && imageType != 9) || depth != 8)
        return PIX_Fail("image type %d with %d bits per pixel; colour-mapped 8-bit (type 1 or 9) needed", imageType,
                        depth);
    const int64_t mapBytes = mapType ? (int64_t)mapLength * ((entryBits + 1) / 8) : 0;
    if (!PIX_Seek(src, 18 + idLength + mapBytes))
        return PIX_FailTruncated(src);

    // Rows come bottom row first whatever the descriptor says.
    if (imageType == 1) {
        for (int32_t k = 0; k < height; k++)
            if (PIX_Read(src, target->pixels + (size_t)(height - 1 - k) * (size_t)width, (size_t)width) !=
                (size_t)width)
                return PIX_FailTruncated(src);
        return 1;
    }
    // Run-length packets may run on into the next row, as older writers produce them.
    int runLeft = 0;
    bool repeat = false;
    uint8_t value = 0;
    for (int32_t k = 0; k < height; k++) {
        uint8_t* row = target->pixels + (size_t)(height - 1 - k) * (size_t)width;
        for (int32_t x = 0; x < width; x++) {
            if (runLeft == 0) {
                uint8_t c;
                if (!PIX_ReadByte(src, &c))
                    return PIX_FailTruncated(src);
                repeat = (c & 0x80) != 0;
                runLeft = (c & 127) + 1;
                if (repeat && !PIX_ReadByte(src, &value))
                    return PIX_FailTruncated(src);
            }
            if (!repeat && !PIX_ReadByte(src, &value))
                return PIX_FailTruncated(src);
            row[x] = value;
            runLeft--;
        }
    }
    return 1;
}
