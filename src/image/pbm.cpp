// IFF "FORM" pictures of type "PBM " (chunky 8-bit): BMHD, CMAP and BODY chunks, the body raw
// or ByteRun1 packed.
#include "image/pixcore.h"

#include <cstring>

static uint32_t PBM_Get32(const uint8_t* p)
{
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}

static int32_t PBM_Get16(const uint8_t* p)
{
    return (p[0] << 8) | p[1];
}

// Decodes height rows of width pixels. Each stored row has an even length; the pad byte of an
// odd width, and anything a packet carries past a row's end, is dropped.
static bool PBM_DecodeBody(PixSource* src, uint8_t* pixels, int32_t width, int32_t height, int compression)
{
    const int32_t rowBytes = width + (width & 1);
    for (int32_t y = 0; y < height; y++) {
        uint8_t* row = pixels + (size_t)y * (size_t)width;
        if (compression == 0) {
            if (PIX_Read(src, row, (size_t)width) != (size_t)width)
                return false;
            if (width & 1)
                PIX_Seek(src, PIX_Tell(src) + 1);
            continue;
        }
        int32_t x = 0;
        while (x < rowBytes) {
            uint8_t control, v;
            if (!PIX_ReadByte(src, &control))
                return false;
            const int n = (int8_t)control;
            if (n > 0) {
                for (int i = 0; i < n + 1; i++, x++) {
                    if (!PIX_ReadByte(src, &v))
                        return false;
                    if (x < width)
                        row[x] = v;
                }
            } else {
                // 0 gives one byte and -128 gives 129 of them.
                if (!PIX_ReadByte(src, &v))
                    return false;
                for (int i = 0; i < 1 - n; i++, x++)
                    if (x < width)
                        row[x] = v;
            }
        }
    }
    return true;
}

int PIX_ReadPBM(PixSource* src, PixTarget* target, int flags)
{
    uint8_t form[12];
    const bool whole = PIX_Read(src, form, 8) == 8;
    if (std::memcmp(form, "FORM", 4) != 0)
        return PIX_Fail("not an IFF FORM");
    PIX_Recognised();
    if (!whole)
        return PIX_FailTruncated(src);
    const uint32_t formLength = PBM_Get32(form + 4);
    // Room for "PBM ", a BMHD chunk and a full CMAP chunk.
    if ((uint64_t)formLength + (formLength & 1) < 808)
        return PIX_Fail("FORM of %u bytes; at least 808 needed", formLength);
    if (PIX_Read(src, form + 8, 4) != 4)
        return PIX_FailTruncated(src);
    if (std::memcmp(form + 8, "PBM ", 4) != 0)
        return PIX_Fail("FORM of type \"%.4s\"; only \"PBM \" is read", (const char*)form + 8);

    int64_t remaining = (int64_t)formLength - 4;
    bool haveSize = false;
    int32_t width = 0, height = 0;
    int compression = 0;
    while (remaining > 0) {
        uint8_t chunk[8];
        if (PIX_Read(src, chunk, 8) != 8)
            return PIX_FailTruncated(src);
        const uint32_t length = PBM_Get32(chunk + 4);
        // Chunks are padded to an even length and the FORM length counts the pad, so the pad
        // is taken off too: an odd last chunk then ends the list instead of a read past it.
        remaining -= (int64_t)length + (length & 1) + 8;
        const int64_t next = PIX_Tell(src) + length + (length & 1);

        if (std::memcmp(chunk, "BMHD", 4) == 0) {
            uint8_t bmhd[20];
            if (length != 20)
                return PIX_Fail("BMHD chunk of %u bytes; 20 needed", length);
            if (PIX_Read(src, bmhd, 20) != 20)
                return PIX_FailTruncated(src);
            if (bmhd[8] != 8)
                return PIX_Fail("%d bit planes; 8 needed", bmhd[8]);
            width = PBM_Get16(bmhd);
            height = PBM_Get16(bmhd + 2);
            if (target->width)
                *target->width = width;
            if (target->height)
                *target->height = height;
            compression = bmhd[10];
            haveSize = true;
            if (target->pixels && !PIX_Fits(width, height, target->capacity))
                return PIX_FailSize(width, height, target->capacity);
        } else if (std::memcmp(chunk, "CMAP", 4) == 0) {
            if (length > 768)
                return PIX_Fail("CMAP chunk of %u bytes; at most 768", length);
            target->colors = (int32_t)(length / 3);
            if (target->palette) {
                if (PIX_Read(src, target->palette, length) != length)
                    return PIX_FailTruncated(src);
                PIX_ReducePalette(target->palette, length, flags);
            }
        } else if (std::memcmp(chunk, "BODY", 4) == 0) {
            // Without a size (a BODY before any BMHD) there is nothing to decode into.
            if (target->pixels && haveSize && !PBM_DecodeBody(src, target->pixels, width, height, compression))
                return PIX_FailTruncated(src);
        }
        if (!PIX_Seek(src, next))
            return PIX_FailTruncated(src);
    }
    return 1;
}
