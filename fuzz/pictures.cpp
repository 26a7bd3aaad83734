// Fuzz target: the PCX, IFF PBM and TGA readers with 6- and 8-bit palettes, and the second
// loader set's dispatcher (whose GIF reader must fail, never stop).
#include "image/pixcore.h"
#include "support/assert.h"

#include <cstdlib>
#include <vector>

namespace {

void FuzzAbortOnStop(const char*, const char*, const char*, int)
{
    std::abort();   // none of these readers may stop the program
}

typedef int (*Reader)(PixSource*, PixTarget*, int);

void Exercise(Reader reader, const uint8_t* data, size_t size, int flags)
{
    int32_t width = 0, height = 0;
    PixSource src;
    PIX_SourceMemory(&src, data, size);
    PixTarget probe = {nullptr, 0, nullptr, &width, &height, 0};
    if (!reader(&src, &probe, flags) || width < 0 || height < 0)
        return;
    const size_t count = (size_t)width * (size_t)height;
    if (count > (1u << 20))
        return;
    // Exactly the picture's size, so a write past it is caught.
    std::vector<uint8_t> pixels(count ? count : 1), palette(768);
    for (size_t capacity : {count, count ? count - 1 : 0}) {
        PIX_SourceMemory(&src, data, size);
        PixTarget target = {pixels.data(), capacity, palette.data(), &width, &height, 0};
        reader(&src, &target, flags);
    }
    PIX_SourceMemory(&src, data, size);
    PixTarget paletteOnly = {nullptr, 0, palette.data(), &width, &height, 0};
    reader(&src, &paletteOnly, flags);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SYS_SetAssertHandler(FuzzAbortOnStop);
    for (int flags : {0, PIX_KEEP8BIT}) {
        Exercise(PIX_ReadPCX, data, size, flags);
        Exercise(PIX_ReadPBM, data, size, flags);
        Exercise(PIX_ReadTGA, data, size, flags);
    }
    std::vector<uint8_t> pixels(64000), palette(768);
    int32_t width, height;
    PixTarget target = {pixels.data(), pixels.size(), palette.data(), &width, &height, 0};
    PIX_ReadPicture(data, size, &target, PIX_KEEP8BIT, nullptr);
    return 0;
}
