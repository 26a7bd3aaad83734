// The .ZS2 sprite reader: one allocation holding the header, the item offsets and the data,
// the offsets found by walking the items once.
#include "fx2d/sprite.h"

#include "data/file.h"
#include "data/input.h"
#include "support/base.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static char s_error[160];

static uint8_t* SPRITE_Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(s_error, sizeof s_error, format, args);
    va_end(args);
    return nullptr;
}

const char* SPRITE_Error(void)
{
    return s_error;
}

static uint32_t SPRITE_Le16(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

size_t SPRITE_ItemBytes(const uint8_t* item, size_t avail)
{
    size_t i = 1;   // the leading byte
    if (avail < i)
        return 0;
    for (;;) {
        if (i >= avail)
            return 0;
        const size_t length = item[i++];
        if (length == 0)
            return i;
        if (avail - i < length + 1)   // the data and the separator after it
            return 0;
        i += length;
        if (item[i++] == 0)
            return i;
    }
}

// The load after the file has been opened; the caller closes the file.
static uint8_t* SPRITE_Read(FILE_Input* in)
{
    uint8_t head[SPRITE_FILE_HEADER_BYTES];
    if (!FILE_Take(in, head, sizeof head))
        return SPRITE_Fail("the file is shorter than the 24-byte header");
    if (std::memcmp(head, SPRITE_MAGIC, 4) != 0)
        return SPRITE_Fail("not a .ZS2 file (no \".ZS2\" at its start)");
    SpriteHeader header;
    header.width = (uint16_t)SPRITE_Le16(head + 4);
    header.height = (uint16_t)SPRITE_Le16(head + 6);
    header.originX = (int16_t)SPRITE_Le16(head + 8);
    header.originY = (int16_t)SPRITE_Le16(head + 10);
    header.fieldE = (uint16_t)SPRITE_Le16(head + 12);
    header.fieldF = (uint16_t)SPRITE_Le16(head + 14);
    header.flags = SPRITE_Le16(head + 16) | SPRITE_Le16(head + 18) << 16;
    const uint32_t dataSize = SPRITE_Le16(head + 20) | SPRITE_Le16(head + 22) << 16;
    const uint32_t count = (header.flags & SPRITE_ROWS) ? header.height : header.width;

    // Checked before allocating: a damaged size must not allocate and walk noise.
    if (dataSize > in->left)
        return SPRITE_Fail("the data size of %u bytes runs past the end of the file", dataSize);
    const uint64_t total = (uint64_t)dataSize + 2u * (uint64_t)count + sizeof header + 2;
    if (total > (uint64_t)INT32_MAX)
        return SPRITE_Fail("the sprite is too large (%u bytes of data)", dataSize);
    uint8_t* block = (uint8_t*)MEM_Alloc((int32_t)total);
    if (!block)
        return SPRITE_Fail("out of memory for %llu bytes", (unsigned long long)total);
    std::memcpy(block, &header, sizeof header);
    const size_t tableBytes = 2u * (size_t)count;
    uint8_t* const data = block + sizeof header + tableBytes;
    if (!FILE_Take(in, data, dataSize)) {
        std::free(block);
        return SPRITE_Fail("the file cannot be read");
    }

    size_t pos = 0;
    for (uint32_t i = 0; i < count; i++) {
        // The offsets are 16-bit: an item beyond their reach cannot be stored.
        const size_t offset = sizeof header + tableBytes + pos;
        if (offset > 0xFFFF) {
            std::free(block);
            return SPRITE_Fail("item %u lies at byte %zu of the block, beyond 16-bit offsets", i, offset);
        }
        const uint16_t stored = (uint16_t)offset;
        std::memcpy(block + sizeof header + 2u * i, &stored, 2);
        const size_t bytes = SPRITE_ItemBytes(data + pos, dataSize - pos);
        if (bytes == 0) {
            std::free(block);
            return SPRITE_Fail("item %u runs past the end of the data", i);
        }
        pos += bytes;
    }
    s_error[0] = 0;
    return block;
}

uint8_t* SpriteLoad(const char* name)
{
    // The size first: the file layer's lookups leave an archive member's stream where it is.
    const uint32_t size = FILE_GetSize(name);
    FILE* stream = FILE_OpenBinary(name);
    if (!stream)
        return SPRITE_Fail("cannot open the file");
    FILE_Input in = {stream, nullptr, 0, size};
    uint8_t* block = SPRITE_Read(&in);
    FILE_Close(stream);
    return block;
}

uint8_t* SPRITE_LoadMemory(const uint8_t* data, size_t size)
{
    FILE_Input in = {nullptr, data, 0, size};
    return SPRITE_Read(&in);
}

uint32_t SPRITE_ItemCount(const uint8_t* block)
{
    SpriteHeader header;
    std::memcpy(&header, block, sizeof header);
    return (header.flags & SPRITE_ROWS) ? header.height : header.width;
}

uint16_t SPRITE_ItemOffset(const uint8_t* block, uint32_t i)
{
    uint16_t offset;
    std::memcpy(&offset, block + sizeof(SpriteHeader) + 2u * i, 2);
    return offset;
}
