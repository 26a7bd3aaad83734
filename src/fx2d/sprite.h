// The .ZS2 sprite reader: a run-length coded 8-bit sprite, one item per row or per column,
// loaded into one block with an offset table so that drawing can start at any item.
#pragma once

#include <cstddef>
#include <cstdint>

#define SPRITE_MAGIC ".ZS2"
#define SPRITE_FILE_HEADER_BYTES 24
#define SPRITE_ROWS 1   // flags bit 0: one item per row (item count = height), else per column

// The start of a loaded block, in the machine's byte order. The item offsets (16-bit, from
// the block's start) follow at byte 16, then the item data as read, then two spare bytes.
struct SpriteHeader {
    uint16_t width;
    uint16_t height;
    int16_t originX;   // drawing at x places column 0 at x - originX
    int16_t originY;   // likewise for rows
    uint16_t fieldE;   // copied from the file, not interpreted here
    uint16_t fieldF;
    uint32_t flags;
};
static_assert(sizeof(SpriteHeader) == 16, "the block's header is 16 bytes");

// Loads the .ZS2 file name (through the file layer) into one block of data size + 2 x item
// count + 18 bytes; the caller frees it with std::free. Null on failure (SPRITE_Error says
// why): nothing is left allocated and the file is closed.
uint8_t* SpriteLoad(const char* name);

// SpriteLoad over the bytes of a file in memory.
uint8_t* SPRITE_LoadMemory(const uint8_t* data, size_t size);

// Why the last load failed (a short phrase), or "" after a success.
const char* SPRITE_Error(void);

// Items of a block: height for a sprite stored by rows, else width.
uint32_t SPRITE_ItemCount(const uint8_t* block);

// Offset of item i from the block's start.
uint16_t SPRITE_ItemOffset(const uint8_t* block, uint32_t i);

// Bytes of the item at item, which has avail bytes after it: a leading byte, then length
// bytes each followed (when not 0) by that many data bytes and a separator, until a length or
// a separator of 0. 0 when the item does not end within avail bytes.
size_t SPRITE_ItemBytes(const uint8_t* item, size_t avail);
