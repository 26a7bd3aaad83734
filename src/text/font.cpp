// The .FNT loader and the mapping of characters to glyphs. Every glyph a character can reach
// is checked against the data when the font loads, so drawing never reads past it.
#include "text/font.h"

#include "data/file.h"
#include "support/assert.h"
#include "support/base.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#define FONT_HEADER_BYTES 8
#define FONT_MAP_BYTES 256
// Glyph offsets are 16-bit: proportional glyphs must end within this many bytes of data.
#define FONT_OFFSET_RANGE 65536

void FONT_Free(Font* font)
{
    std::free(font->data);
    std::free(font->offsets);
    font->data = nullptr;
    font->offsets = nullptr;
    font->dataSize = 0;
    font->glyphCount = 0;
}

static uint32_t FONT_HeaderSize(Font* font, const uint8_t* header)
{
    font->flags = (uint16_t)(header[0] | header[1] << 8);
    font->height = header[2];
    font->fixedWidth = header[3];
    return (uint32_t)header[4] | (uint32_t)header[5] << 8 | (uint32_t)header[6] << 16 | (uint32_t)header[7] << 24;
}

// How many glyph indices FONT_GetGlyph can produce: with a map, one more than its highest
// entry; otherwise the size of the character set. The map flag comes first, as there.
static int32_t FONT_ReachableGlyphs(const Font* font)
{
    if (font->flags & FONT_FLAG_MAP) {
        int32_t highest = -1;
        for (int c = 0; c < FONT_MAP_BYTES; c++)
            if (font->data[c] != 255)
                highest = std::max<int32_t>(highest, font->data[c]);
        return highest + 1;
    }
    if (font->flags & FONT_FLAG_LETTERS)
        return 62;
    if (font->flags & FONT_FLAG_ASCII)
        return 96;
    return 224;
}

// The number of entries of a proportional font's offset table; here the map flag is tested
// last, so a map font that also sets bit 0 or 1 has that set's count of glyphs.
static int32_t FONT_ProportionalGlyphs(const Font* font)
{
    if (font->flags & FONT_FLAG_LETTERS)
        return 62;
    if (font->flags & FONT_FLAG_ASCII)
        return 96;
    if (font->flags & FONT_FLAG_MAP) {
        int32_t count = 0;
        for (int c = 0; c < FONT_MAP_BYTES; c++)
            count += font->data[c] != 255;
        return count;
    }
    return 224;
}

// Takes the loaded data block (size bytes) and builds what the glyph lookup needs. Returns 0,
// with the font emptied, when any glyph a character can reach lies outside the data.
static int FONT_Build(Font* font, uint8_t* data, uint32_t size)
{
    font->data = data;
    font->dataSize = size;
    font->offsets = nullptr;
    font->glyphCount = 0;

    if ((font->flags & FONT_FLAG_MAP) && size < FONT_MAP_BYTES) {
        FONT_Free(font);
        return 0;
    }
    const int32_t reachable = FONT_ReachableGlyphs(font);

    if (font->fixedWidth) {
        const uint64_t glyphBytes = (uint64_t)font->fixedWidth * font->height;
        if ((uint64_t)reachable * glyphBytes > size) {
            FONT_Free(font);
            return 0;
        }
        font->glyphCount = reachable;
        return 1;
    }

    const int32_t count = FONT_ProportionalGlyphs(font);
    if (count == 0 || reachable > count) {
        FONT_Free(font);
        return 0;
    }
    font->offsets = (uint16_t*)MEM_Alloc(count * (int32_t)sizeof(uint16_t));
    if (!font->offsets) {
        FONT_Free(font);
        return 0;
    }
    // Each glyph is its width byte and width x height pixel bytes; the next one follows.
    uint64_t p = (font->flags & FONT_FLAG_MAP) ? FONT_MAP_BYTES : 0;
    for (int32_t k = 0; k < count; k++) {
        if (p >= size || p >= FONT_OFFSET_RANGE) {
            FONT_Free(font);
            return 0;
        }
        font->offsets[k] = (uint16_t)p;
        p += (uint64_t)data[p] * font->height + 1;
        if (p > size || p > FONT_OFFSET_RANGE) {
            FONT_Free(font);
            return 0;
        }
    }
    font->glyphCount = count;
    return 1;
}

int FONT_Load(Font* font, const char* path)
{
    SYS_ASSERT_AT(font != nullptr, "font != NULL", "FONT_Load", "TEXT", 23);
    font->data = nullptr;
    font->offsets = nullptr;
    font->dataSize = 0;
    font->glyphCount = 0;

    // The file's size bounds the data size before anything is allocated; a member of the
    // archive would otherwise read on into the members after it.
    const uint32_t fileSize = FILE_GetSize(path);
    FILE* f = FILE_OpenBinary(path);
    if (!f)
        return 0;
    uint8_t header[FONT_HEADER_BYTES];
    if (std::fread(header, 1, sizeof header, f) != sizeof header) {
        FILE_Close(f);
        return 0;
    }
    const uint32_t size = FONT_HeaderSize(font, header);
    if (size == 0 || fileSize < FONT_HEADER_BYTES || size > fileSize - FONT_HEADER_BYTES || size > INT32_MAX) {
        FILE_Close(f);
        return 0;
    }
    uint8_t* data = (uint8_t*)MEM_Alloc((int32_t)size);
    if (!data) {
        FILE_Close(f);
        return 0;
    }
    const size_t got = std::fread(data, 1, size, f);
    FILE_Close(f);
    // A short read would leave the block's allocation noise as glyphs.
    if (got != size) {
        std::free(data);
        return 0;
    }
    return FONT_Build(font, data, size);
}

int FONT_LoadMemory(Font* font, const uint8_t* bytes, size_t size)
{
    SYS_ASSERT_AT(font != nullptr, "font != NULL", "FONT_Load", "TEXT", 23);
    font->data = nullptr;
    font->offsets = nullptr;
    font->dataSize = 0;
    font->glyphCount = 0;
    if (!bytes || size < FONT_HEADER_BYTES)
        return 0;
    const uint32_t dataSize = FONT_HeaderSize(font, bytes);
    if (dataSize == 0 || dataSize > size - FONT_HEADER_BYTES || dataSize > INT32_MAX)
        return 0;
    uint8_t* data = (uint8_t*)MEM_Alloc((int32_t)dataSize);
    if (!data)
        return 0;
    std::memcpy(data, bytes + FONT_HEADER_BYTES, dataSize);
    return FONT_Build(font, data, dataSize);
}

// The glyph index of c, or -1. Character classes are those of the C locale.
static int32_t FONT_GlyphIndex(const Font* font, int c)
{
    if (font->flags & FONT_FLAG_MAP) {
        int32_t g = font->data[c & 255];
        if (g == 255) {
            // toupper is defined for 0..255 only; it leaves every other code as it is.
            const int upper = (c >= 0 && c <= 255) ? std::toupper(c) : c;
            g = font->data[upper & 255];
        }
        return g == 255 ? -1 : g;
    }
    if (font->flags & FONT_FLAG_LETTERS) {
        if (c >= 'A' && c <= 'Z')
            return c - 65;
        if (c >= 'a' && c <= 'z')
            return c - 71;
        if (c >= '0' && c <= '9')
            return c + 4;
        return -1;
    }
    if (font->flags & FONT_FLAG_ASCII) {
        if (c == 164 || c == 165)
            return 95;
        if (c >= 128)
            return -1;
        return c - 33;
    }
    return c - 32;
}

int FONT_GetGlyph(const Font* font, int c, const uint8_t** bits)
{
    SYS_ASSERT_AT(font != nullptr, "font != NULL", "FONT_GetGlyph", "TEXT", __LINE__);
    *bits = nullptr;
    if (!font->data)
        return font->height / 2;
    const int32_t g = FONT_GlyphIndex(font, c);
    if (g < 0 || g >= font->glyphCount)
        return font->height / 2;
    if (font->fixedWidth) {
        *bits = font->data + (size_t)font->fixedWidth * font->height * (size_t)g;
        return font->fixedWidth;
    }
    const uint16_t o = font->offsets[g];
    *bits = font->data + o + 1;
    return font->data[o];
}
