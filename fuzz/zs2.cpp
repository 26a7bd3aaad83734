// Fuzz target: the .ZS2 reader over the file's bytes. A block it returns must have every item
// offset in order inside the data, each item ending within it.
#include "fx2d/sprite.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t* block = SPRITE_LoadMemory(data, size);
    if (!block)
        return 0;
    const uint32_t count = SPRITE_ItemCount(block);
    const uint32_t dataSize = data[20] | data[21] << 8 | data[22] << 16 | (uint32_t)data[23] << 24;
    const size_t dataStart = sizeof(SpriteHeader) + 2u * count, dataEnd = dataStart + dataSize;
    size_t next = dataStart;
    for (uint32_t i = 0; i < count; i++) {
        const size_t offset = SPRITE_ItemOffset(block, i);
        if (offset != next || offset >= dataEnd)
            __builtin_trap();
        const size_t bytes = SPRITE_ItemBytes(block + offset, dataEnd - offset);
        if (bytes == 0)
            __builtin_trap();
        next = offset + bytes;
    }
    std::free(block);
    return 0;
}
