// GIF pictures: the file structure around one image and its variable-width LZW data. One
// reader serves PIX_LoadGIF (bad input is an assertion stop) and the lenient reader of the
// second loader set (bad input returns 0).
#include "image/pix.h"
#include "image/pixcore.h"

#include "data/file.h"
#include "support/assert.h"

#include <cstring>

#define GIF_MAX_CODES 4096
#define GIF_START_MARK (-1)   // no code taken yet
#define GIF_AFTER_CLEAR (-2)  // the last code was a clear code

// A failed check of the file structure: why leaves the reason (a PIX_Fail... call); then the
// assertion stop expr of PIX_LoadGIF, or 0 from the lenient reader.
#define GIF_REQUIRE(cond, expr, why)                                   \
    do {                                                               \
        if (!(cond)) {                                                 \
            (void)(why);                                               \
            if (flags & PIX_LENIENT)                                   \
                return 0;                                              \
            SYS_AssertFailed(expr, "PIX_LoadGIF", "PIX", __LINE__);    \
        }                                                              \
    } while (0)

// The bit reader over the data sub-blocks. Bytes are taken only as codes need them, so
// nothing after the sub-block holding the end code is read.
struct GifBits {
    PixSource* src;
    uint8_t block[256];
    int blockLength, blockPos;
    uint64_t accumulator;   // valid bits from bit 0 up
    int bits;
};

// Makes at least width bits available; false (with the reason) on a short read or a block
// terminator.
static bool GIF_Fill(GifBits* b, int width)
{
    while (b->bits < width) {
        if (b->blockPos == b->blockLength) {
            uint8_t length;
            if (!PIX_ReadByte(b->src, &length))
                return PIX_FailTruncated(b->src);
            if (length == 0)
                return PIX_Fail("the image data ends (empty block at byte %lld) before its end code",
                                (long long)PIX_Tell(b->src) - 1);
            if (PIX_Read(b->src, b->block, length) != length)
                return PIX_FailTruncated(b->src);
            b->blockLength = length;
            b->blockPos = 0;
        }
        b->accumulator |= (uint64_t)b->block[b->blockPos++] << b->bits;
        b->bits += 8;
    }
    return true;
}

// Decodes the image data into count pixels (more are dropped, fewer leave the rest as it
// was). True once the end code has been decoded; false with the reason left.
static bool GIF_Decode(PixSource* src, uint8_t* pixels, size_t count, int flags)
{
    uint8_t minCodeSize;
    if (!PIX_ReadByte(src, &minCodeSize))
        return PIX_FailTruncated(src);
    // Above 11 the clear code would lie outside the 4096-entry table.
    if (flags & PIX_LENIENT) {
        if (minCodeSize < 2 || minCodeSize > 9)
            return PIX_Fail("LZW code size %d; 2 to 9 needed", minCodeSize);
    } else if (minCodeSize > 11) {
        return PIX_Fail("LZW code size %d; at most 11", minCodeSize);
    }

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int firstFree = clearCode + 2;
    const int initialWidth = minCodeSize + 1;
    const int initialMask = (1 << initialWidth) - 1;

    int32_t prefix[GIF_MAX_CODES];
    uint8_t suffix[GIF_MAX_CODES];
    uint8_t stack[GIF_MAX_CODES + 1];
    GifBits bits;
    bits.src = src;
    bits.blockLength = bits.blockPos = 0;
    bits.accumulator = 0;
    bits.bits = 0;

    int width = initialWidth, mask = initialMask, nextFree = firstFree;
    int previous = GIF_START_MARK, firstByte = 0;
    size_t written = 0;
    for (;;) {
        if (!GIF_Fill(&bits, width))
            return false;
        const int code = (int)(bits.accumulator & (uint64_t)mask);
        bits.accumulator >>= width;
        bits.bits -= width;

        // A stream begins with a clear code; its first code is taken as one whatever it is.
        if (previous == GIF_START_MARK || code == clearCode) {
            width = initialWidth;
            mask = initialMask;
            nextFree = firstFree;
            previous = GIF_AFTER_CLEAR;
            continue;
        }
        if (code == endCode)
            return true;
        if (previous == GIF_AFTER_CLEAR) {
            // The first code after a clear is one pixel, its low byte, whatever the code is.
            // An encoder sends a root code here; a table code (the next free one, or beyond)
            // has no string yet, so the entry that the next code adds names a prefix that is
            // not a string: the entry itself or a code not yet in the table. The walk below
            // fails on either instead of reading undefined entries or running on for ever.
            if (written < count)
                pixels[written] = (uint8_t)code;
            written++;
            previous = code;
            firstByte = code & 0xFF;
            continue;
        }

        int sp = 0, walk;
        if (code < nextFree) {
            walk = code;
        } else if (code == nextFree) {
            // The string being defined: the previous string and its own first byte.
            stack[sp++] = (uint8_t)firstByte;
            walk = previous;
        } else {
            return PIX_Fail("LZW code %d at pixel %zu is not in the table (next free code %d)", code, written,
                            nextFree);
        }
        // In a sound stream every entry's prefix is a lower code, so the walk ends within the
        // table's size; the checks catch the entries a table code after a clear leaves.
        while (walk >= clearCode) {
            if (walk >= nextFree)
                return PIX_Fail("LZW code %d at pixel %zu leads to code %d, which is not in the table", code,
                                written, walk);
            if (sp >= GIF_MAX_CODES)
                return PIX_Fail("LZW code %d at pixel %zu expands without end", code, written);
            stack[sp++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[sp++] = (uint8_t)walk;
        while (sp > 0) {
            const uint8_t v = stack[--sp];
            if (written < count)
                pixels[written] = v;
            written++;
        }
        // A full table stays as it is until the next clear code (deferred clear).
        if (nextFree < GIF_MAX_CODES) {
            prefix[nextFree] = previous;
            suffix[nextFree] = (uint8_t)walk;
            nextFree++;
            if (nextFree > mask && width < 12) {
                width++;
                mask = (1 << width) - 1;
            }
        }
        previous = code;
        firstByte = walk;
    }
}

int PIX_ReadGIF(PixSource* src, PixTarget* target, int flags)
{
    uint8_t signature[6];
    PIX_Read(src, signature, 6);
    GIF_REQUIRE(std::memcmp(signature, "GIF", 3) == 0, "0", PIX_Fail("not a GIF"));
    PIX_Recognised();
    if (!(flags & PIX_LENIENT))
        GIF_REQUIRE(std::memcmp(signature, "GIF87a", 6) == 0 || std::memcmp(signature, "GIF89a", 6) == 0, "0",
                    PIX_Fail("signature \"%.6s\"; GIF87a or GIF89a needed", (const char*)signature));

    // The reads up to the colour table are not checked: bytes that are not there read as 0,
    // and the checks that follow catch what that leaves.
    uint8_t screen[7];
    const bool screenWhole = PIX_Read(src, screen, 7) == 7;
    const int tableSize = 2 << (screen[4] & 7);
    const bool hasTable = (screen[4] & 0x80) != 0;
    const char* const kTableExpr = "hascolortable && (colortablesize == 256 || colortablesize == 128)";
    GIF_REQUIRE(hasTable, kTableExpr,
                screenWhole ? PIX_Fail("no global colour table; one of 128 or 256 entries needed")
                            : PIX_FailTruncated(src));
    GIF_REQUIRE(tableSize == 256 || tableSize == 128, kTableExpr,
                PIX_Fail("colour table has %d entries; 128 or 256 needed", tableSize));
    target->colors = tableSize;
    if (target->palette) {
        PIX_Read(src, target->palette, (size_t)tableSize * 3);
        PIX_ReducePalette(target->palette, (size_t)tableSize * 3, flags);
    } else {
        uint8_t skip[768];
        PIX_Read(src, skip, (size_t)tableSize * 3);
    }

    uint8_t b;
    GIF_REQUIRE(PIX_ReadByte(src, &b), "0", PIX_FailTruncated(src));
    while (b == 0x21) {
        uint8_t label;
        GIF_REQUIRE(PIX_ReadByte(src, &label), "0", PIX_FailTruncated(src));
        uint8_t skip[256];
        if (label == 0xF9) {
            // Block size, 4 data bytes and terminator, the size byte taken on trust.
            GIF_REQUIRE(PIX_Read(src, skip, 6) == 6, "0", PIX_FailTruncated(src));
        } else {
            uint8_t length;
            GIF_REQUIRE(PIX_ReadByte(src, &length), "0", PIX_FailTruncated(src));
            while (length != 0) {
                GIF_REQUIRE(PIX_Read(src, skip, length) == length, "0", PIX_FailTruncated(src));
                GIF_REQUIRE(PIX_ReadByte(src, &length), "0", PIX_FailTruncated(src));
            }
        }
        GIF_REQUIRE(PIX_ReadByte(src, &b), "0", PIX_FailTruncated(src));
    }
    GIF_REQUIRE(b == 0x2C, "0",
                PIX_Fail("no image: byte %lld is 0x%02X, neither an image nor an extension",
                         (long long)PIX_Tell(src) - 1, b));

    uint8_t descriptor[9];
    GIF_REQUIRE(PIX_Read(src, descriptor, 9) == 9, "0", PIX_FailTruncated(src));
    const int32_t width = descriptor[4] | (descriptor[5] << 8);
    const int32_t height = descriptor[6] | (descriptor[7] << 8);
    if (target->width)
        *target->width = width;
    if (target->height)
        *target->height = height;
    GIF_REQUIRE(!(descriptor[8] & 0x80), "!hascolortable",
                PIX_Fail("the image has a local colour table; only the global one is read"));
    // The interlace bit is ignored: rows are stored in stream order.
    // Without a pixel buffer the caller wants the size (and the palette, read above) only.
    if (!target->pixels)
        return 1;
    GIF_REQUIRE(PIX_Fits(width, height, target->capacity), "width * height <= capacity",
                PIX_FailSize(width, height, target->capacity));

    if (!GIF_Decode(src, target->pixels, (size_t)width * (size_t)height, flags)) {
        if (flags & PIX_LENIENT)
            return 0;
        PIX_SourceClose(src);
        SYS_AssertFailed("ireturn == TRUE", "PIX_LoadGIF", "PIX", __LINE__);
    }
    return 1;
}

int PIX_LoadGIF(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                int keep8bit, size_t capacity)
{
    FILE* stream = FILE_OpenBinary(name);
    if (!stream) {
        PIX_Fail("no such file");
        SYS_AssertFailed("0", "PIX_LoadGIF", "PIX", __LINE__);
    }
    PixSource src;
    PIX_SourceStream(&src, stream, 0);
    PixTarget target = {pixels, capacity, palette, width, height, 0};
    const int result = PIX_ReadGIF(&src, &target, (keep8bit & 0xFF) ? PIX_KEEP8BIT : 0);
    PIX_SourceClose(&src);
    return result;
}
