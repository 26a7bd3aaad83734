// Fuzz target: the GIF reader in its stopping and lenient modes. An assertion stop is a clean
// outcome: the handler throws and the input is done.
#include "image/pixcore.h"
#include "support/assert.h"

#include <vector>

namespace {

struct FuzzStop {};

void FuzzThrow(const char*, const char*, const char*, int)
{
    throw FuzzStop();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SYS_SetAssertHandler(FuzzThrow);
    for (int flags : {0, PIX_KEEP8BIT, PIX_LENIENT | PIX_KEEP8BIT}) {
        try {
            // The size first, then buffers of exactly that size so any stray write is caught.
            int32_t width = 0, height = 0;
            PixSource src;
            PIX_SourceMemory(&src, data, size);
            PixTarget probe = {nullptr, 0, nullptr, &width, &height, 0};
            if (!PIX_ReadGIF(&src, &probe, flags))
                continue;
            const size_t count = (size_t)width * (size_t)height;
            if (count > (1u << 20))
                continue;
            std::vector<uint8_t> pixels(count ? count : 1), palette(768);
            for (size_t capacity : {count, count ? count - 1 : 0}) {
                PIX_SourceMemory(&src, data, size);
                PixTarget target = {pixels.data(), capacity, palette.data(), &width, &height, 0};
                try {
                    PIX_ReadGIF(&src, &target, flags);
                } catch (const FuzzStop&) {
                }
            }
        } catch (const FuzzStop&) {
        }
    }
    return 0;
}
