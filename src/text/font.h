// Bitmap fonts in the .FNT format: an 8-byte header (flags, height, fixed width, data size)
// and the glyph data, each glyph's pixel bytes stored column by column, 0 transparent.
#pragma once

#include <cstddef>
#include <cstdint>

#define FONT_FLAG_LETTERS 1   // 62 glyphs: 'A'-'Z', 'a'-'z', '0'-'9'
#define FONT_FLAG_ASCII 2     // 96 glyphs: codes 33-127, and 164 and 165 as one more
#define FONT_FLAG_MAP 8       // the data begins with a 256-byte map, code to glyph (255: none)

struct Font {
    uint16_t flags;       // character set selection, as in the file
    uint8_t fixedWidth;   // 0 for a proportional font
    uint8_t height;       // glyph height in pixels
    uint8_t* data;        // the glyph data (owned), or null
    uint16_t* offsets;    // offset of each glyph in data (proportional fonts only, owned), or null
    uint32_t dataSize;    // bytes of data
    int32_t glyphCount;   // glyph indices below this lie inside data
};

// Loads the .FNT file at path into font; 1 on success, 0 on failure (no file, a short file,
// or glyphs that would lie outside the data). On failure font has no glyph data.
int FONT_Load(Font* font, const char* path);

// FONT_Load from the bytes of a .FNT file in memory.
int FONT_LoadMemory(Font* font, const uint8_t* bytes, size_t size);

// Frees what a load allocated and leaves the font without glyph data.
void FONT_Free(Font* font);

// The glyph of character c: sets *bits to its first pixel byte and returns its width, or,
// when the font has none for c, sets *bits to null and returns height / 2 (a space's width).
int FONT_GetGlyph(const Font* font, int c, const uint8_t** bits);
