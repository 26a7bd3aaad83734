// The text writer and its measuring twin, and the colour table the writer mixes from.
#include "text/stext.h"

#include "support/assert.h"
#include "text/font.h"
#include "text/tcscr.h"

#include <algorithm>
#include <climits>

uint32_t STEXT_Colors[STEXT_COLORS];

void STEXT_InitColors(void)
{
    for (int i = 0; i < 256; i++) {
        STEXT_Colors[i] = 0;
        STEXT_Colors[256 + i] = TCS_Grey((uint32_t)(100 * i / 256));
        STEXT_Colors[512 + i] = TCS_Grey(100);
    }
}

// Adds colour k to pixel d. The masked fields sum without carries into their neighbours; a
// channel that overflowed into its guard bits is set to 255. The guards may stay set.
static inline uint32_t STEXT_Mix(uint32_t d, uint32_t k)
{
    uint32_t s = (d & TCS_MASK) + (k & TCS_MASK);
    if (s & TCS_GUARDS) {
        if (s > 0x3FFFFFFFu)
            s |= 0x3FC00000u;
        if (s & 0x300000u)
            s |= 0xFF000u;
        if (s & 0xC00u)
            s |= 0x3FCu;
    }
    return s;
}

// Draws a glyph of w columns at (x, y), which the caller has checked ends inside the right
// and bottom edges; only a line placed left of or above the screen has pixels to skip.
static void STEXT_DrawGlyph(const uint8_t* bits, int w, int h, int x, int y, int base)
{
    uint32_t* picture = TCS_Picture;
    const int32_t W = TCS_Width;
    for (int col = 0; col < w; col++, bits += h) {
        const int px = x + col;
        if (px < 0)
            continue;
        for (int row = 0; row < h; row++) {
            const uint8_t b = bits[row];
            if (!b || y + row < 0)
                continue;
            // Pixel value + base indexes the table; beyond its ends it stays black or full grey.
            int index = b + base;
            index = index < 0 ? 0 : index >= STEXT_COLORS ? STEXT_COLORS - 1 : index;
            uint32_t& d = picture[(int64_t)(y + row) * W + px];
            d = STEXT_Mix(d, STEXT_Colors[index]);
        }
    }
}

int WriteText(const Font* font, int x, int y, const char* text, int base)
{
    SYS_ASSERT_AT(font != nullptr, "font != NULL", "WriteText", "STEXT", 58);
    if (!text || !font->data)
        return x;
    // 64-bit positions: no start position or screen size can make the steps overflow.
    const int64_t W = TCS_Width, H = TCS_Height, h = font->height;
    int64_t cx = x, cy = y;
    for (const char* s = text; *s; s++) {
        const uint8_t* bits;
        const int w = FONT_GetGlyph(font, (signed char)*s, &bits);
        if (cx > W - w) {
            // Wrap to the left edge, not to the starting x.
            cy = std::min<int64_t>(cy + h + 1, INT_MAX);
            cx = 0;
        }
        if (bits && cx <= W - w && cy <= H - h) {
            if (TCS_Picture)
                STEXT_DrawGlyph(bits, w, (int)h, (int)cx, (int)cy, base);
            cx += 2;   // the gap after a drawn glyph
        }
        cx = std::min<int64_t>(cx + w, INT_MAX);
    }
    return (int)cx;
}

int GetTextExtent(const Font* font, const char* text)
{
    SYS_ASSERT_AT(font != nullptr, "font != NULL", "GetTextExtent", "STEXT", 86);
    if (!text || !font->data)
        return 0;
    int width = 0;
    for (const char* s = text; *s; s++) {
        const uint8_t* bits;
        width += FONT_GetGlyph(font, (unsigned char)*s, &bits);
        if (bits)
            width += 2;
    }
    return width;
}
