// ZSoft PCX version 5 pictures, 256 colours (8 bits, 1 plane) or 16 colours (1 bit, 4 planes),
// run-length encoded.
#include "image/pixcore.h"

#include <cstring>

static int32_t PCX_Get16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

// One plane of one row: the line's run-length bytes, each data byte handed to put with its
// byte index in the line. A run is cut at the line's end.
template <class Put>
static bool PCX_DecodeLine(PixSource* src, int32_t lineBytes, Put put)
{
    int32_t x = 0;
    while (x < lineBytes) {
        uint8_t c, value;
        if (!PIX_ReadByte(src, &c))
            return false;
        int count = 1;
        value = c;
        if ((c & 0xC0) == 0xC0) {
            count = c & 0x3F;
            if (!PIX_ReadByte(src, &value))
                return false;
        }
        for (; count > 0 && x < lineBytes; count--, x++)
            put(x, value);
    }
    return true;
}

int PIX_ReadPCX(PixSource* src, PixTarget* target, int flags)
{
    uint8_t header[128];
    const bool whole = PIX_Read(src, header, 128) == 128;
    // Manufacturer 10 and one of the versions ZSoft wrote: a PCX file, whatever follows.
    if (header[0] != 10 || header[1] > 5 || header[1] == 1)
        return PIX_Fail("not a PCX");
    PIX_Recognised();
    if (!whole)
        return PIX_FailTruncated(src);
    if (header[1] != 5)
        return PIX_Fail("PCX version %d; only version 5 is read", header[1]);
    if (header[2] != 1)
        return PIX_Fail("encoding %d; only run-length (1) is read", header[2]);
    const int bitsPerPixel = header[3], planes = header[65];
    if (bitsPerPixel == 8 && planes != 1)
        return PIX_Fail("8 bits per pixel with %d planes; 1 plane needed", planes);
    const int32_t width = PCX_Get16(header + 8) - PCX_Get16(header + 4) + 1;
    const int32_t height = PCX_Get16(header + 10) - PCX_Get16(header + 6) + 1;
    if (target->width)
        *target->width = width;
    if (target->height)
        *target->height = height;

    const bool colors256 = bitsPerPixel == 8;
    const bool colors16 = bitsPerPixel == 1 && planes == 4;
    target->colors = colors256 ? 256 : colors16 ? 16 : 0;
    if ((target->pixels || target->palette) && !(colors256 || colors16))
        return PIX_Fail("%d bits per pixel with %d plane%s; 8 with 1 or 1 with 4 needed", bitsPerPixel, planes,
                        planes == 1 ? "" : "s");
    if (target->pixels && !PIX_Fits(width, height, target->capacity))
        return PIX_FailSize(width, height, target->capacity);

    if (target->palette) {
        if (colors256) {
            // The 256-colour palette is the file's last 768 bytes; its marker byte is not checked.
            if (src->fileSize < 768)
                return PIX_Fail("%u bytes leave no room for the 768-byte palette", (unsigned)src->fileSize);
            if (!PIX_Seek(src, (int64_t)src->fileSize - 768) || PIX_Read(src, target->palette, 768) != 768)
                return PIX_FailTruncated(src);
            PIX_ReducePalette(target->palette, 768, flags);
        } else {
            std::memset(target->palette, 0, 768);
            std::memcpy(target->palette, header + 16, 48);
            PIX_ReducePalette(target->palette, 48, flags);
        }
    }
    if (!target->pixels)
        return 1;

    if (!PIX_Seek(src, 128))
        return PIX_FailTruncated(src);
    // Lines are padded to the header's bytes per line (to an even count, for odd widths): when
    // that is more than the pixels need, the padding is decoded and dropped.
    const int32_t needed = colors256 ? width : (width + 7) / 8;
    const int32_t perLine = PCX_Get16(header + 66);
    const int32_t lineBytes = perLine > needed ? perLine : needed;
    for (int32_t y = 0; y < height; y++) {
        uint8_t* row = target->pixels + (size_t)y * (size_t)width;
        std::memset(row, 0, (size_t)width);
        for (int plane = 0; plane < planes; plane++) {
            bool ok;
            if (colors256) {
                ok = PCX_DecodeLine(src, lineBytes, [&](int32_t x, uint8_t v) {
                    if (x < width)
                        row[x] = v;
                });
            } else {
                const uint8_t bit = (uint8_t)(1 << plane);
                ok = PCX_DecodeLine(src, lineBytes, [&](int32_t x, uint8_t v) {
                    for (int i = 0; i < 8; i++)
                        if ((v & (0x80 >> i)) && x * 8 + i < width)
                            row[x * 8 + i] |= bit;
                });
            }
            // Pixel data that ends early is a damaged file, not a picture.
            if (!ok)
                return PIX_FailTruncated(src);
        }
    }
    return 1;
}
