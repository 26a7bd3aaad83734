// Bitmap fonts in the .FNT format.
#pragma once

#include <cstdint>

struct Font {
    uint16_t flags;       // character set selection, as in the file
    uint8_t fixedWidth;   // 0 for a proportional font
    uint8_t height;       // glyph height in pixels
    uint8_t* data;        // the glyph data (owned), or null
    uint16_t* offsets;    // offset of each glyph in data (proportional fonts only, owned), or null
};

// Loads the .FNT file at path into font; 1 on success, 0 on failure.
int FONT_Load(Font* font, const char* path);
