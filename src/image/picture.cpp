// The loaders by file name: PCX, IFF PBM and TGA with 6-bit palettes, and the second set,
// PIX_LoadPicture, trying every format with 8-bit palettes. Both sets run the same decoders.
#include "image/pix.h"
#include "image/pixcore.h"

#include "data/file.h"

#include <cstdio>

typedef int (*PixReader)(PixSource* src, PixTarget* target, int flags);

// Opens name through the file layer, runs reader over it and closes it on every path.
// *missing (may be null) tells whether the file could not be opened at all.
static int PIX_LoadWith(PixReader reader, const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width,
                        int32_t* height, size_t capacity, int flags, int32_t* colors, bool* missing = nullptr)
{
    FILE* stream = FILE_OpenBinary(name);
    if (missing)
        *missing = !stream;
    if (!stream)
        return PIX_Fail("no such file");
    PixSource src;
    PIX_SourceStream(&src, stream, FILE_GetSize(name));
    PixTarget target = {pixels, capacity, palette, width, height, 0};
    const int result = reader(&src, &target, flags);
    PIX_SourceClose(&src);
    if (colors)
        *colors = target.colors;
    return result;
}

int PIX_LoadPCX(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                size_t capacity)
{
    return PIX_LoadWith(PIX_ReadPCX, name, pixels, palette, width, height, capacity, 0, nullptr);
}

int PIX_LoadPBM(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                size_t capacity)
{
    return PIX_LoadWith(PIX_ReadPBM, name, pixels, palette, width, height, capacity, 0, nullptr);
}

int PIX_LoadTGA(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                size_t capacity)
{
    return PIX_LoadWith(PIX_ReadTGA, name, pixels, palette, width, height, capacity, 0, nullptr);
}

static const struct {
    const char* format;
    PixReader reader;
} s_pictureFormats[] = {
    {"GIF", PIX_ReadGIF},
    {"PCX", PIX_ReadPCX},
    {"PBM", PIX_ReadPBM},
    {"TGA", PIX_ReadTGA},
};

// The dispatcher's failure: the reason of the first format that recognised the file, named
// after it, or a plain "not a picture" when none did.
struct PixDispatch {
    char reason[240];
    bool any;
};

static void PIX_DispatchStart(PixDispatch* d)
{
    d->reason[0] = 0;
    d->any = false;
    PIX_RecognisedFlag = false;
}

static void PIX_DispatchFailed(PixDispatch* d, const char* format)
{
    if (PIX_RecognisedFlag && !d->any) {
        std::snprintf(d->reason, sizeof d->reason, "%s: %s", format, PIX_FailureReason());
        d->any = true;
    }
    PIX_RecognisedFlag = false;
}

static int PIX_DispatchEnd(const PixDispatch* d)
{
    if (d->any)
        return PIX_Fail("%s", d->reason);
    return PIX_Fail("not a GIF, PCX, IFF PBM or TGA picture");
}

int PIX_LoadPictureAs(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                      size_t capacity, int keep8bit, PixInfo* info)
{
    const int flags = PIX_LENIENT | (keep8bit ? PIX_KEEP8BIT : 0);
    PixDispatch d;
    PIX_DispatchStart(&d);
    for (const auto& f : s_pictureFormats) {
        int32_t colors = 0;
        bool missing = false;
        if (PIX_LoadWith(f.reader, name, pixels, palette, width, height, capacity, flags, &colors, &missing)) {
            if (info)
                *info = PixInfo{f.format, colors};
            return 1;
        }
        if (missing)
            return 0;   // "no such file" for every format
        PIX_DispatchFailed(&d, f.format);
    }
    return PIX_DispatchEnd(&d);
}

int PIX_ReadPicture(const uint8_t* data, size_t size, PixTarget* target, int flags, const char** format)
{
    PixDispatch d;
    PIX_DispatchStart(&d);
    for (const auto& f : s_pictureFormats) {
        PixSource src;
        PIX_SourceMemory(&src, data, size);
        if (f.reader(&src, target, flags | PIX_LENIENT)) {
            if (format)
                *format = f.format;
            return 1;
        }
        PIX_DispatchFailed(&d, f.format);
    }
    return PIX_DispatchEnd(&d);
}

int PIX_LoadPicture(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                    size_t capacity)
{
    return PIX_LoadPictureAs(name, pixels, palette, width, height, capacity, 1, nullptr);
}
