// The text writer: glyphs of a font added into the text screen with saturating colour mixing.
#pragma once

#include <cstdint>

struct Font;

#define STEXT_COLORS 768

// Text-screen colours by pixel value + colour base: 0-255 black (adding nothing), 256 + i
// grey floor(100 i / 256), 512-767 grey 100. Built by STEXT_InitColors.
extern uint32_t STEXT_Colors[STEXT_COLORS];

// Builds STEXT_Colors; runs before the first WriteText.
void STEXT_InitColors(void);

// Writes text with its first glyph's top-left corner at (x, y) into TCS_Picture: every
// nonzero pixel byte b of a glyph adds STEXT_Colors[b + base], each channel saturating at 255.
// A glyph that would end beyond the right edge goes to x 0, height + 1 rows lower; a glyph
// below the bottom is not drawn. Each character reaches the font as a signed value (codes
// 128-255 as -128 to -1). Returns the x after the text.
int WriteText(const Font* font, int x, int y, const char* text, int base);

// The width of text in pixels as the writer lays it out on one line (characters as 0-255).
int GetTextExtent(const Font* font, const char* text);
