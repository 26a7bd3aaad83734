// Fuzz target: the .FNT loader on bytes in memory, then every glyph a character can reach,
// read to its last pixel, and text written with the font across the text screen's edges.
#include "support/assert.h"
#include "text/font.h"
#include "text/stext.h"
#include "text/tcscr.h"

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
    if (!TCS_Picture) {
        TCS_Init(320, 200, 32);
        STEXT_InitColors();
    }
    // An exact copy, so that a read past the input is caught.
    std::vector<uint8_t> bytes(data, data + size);
    Font font;
    if (!FONT_LoadMemory(&font, bytes.data(), bytes.size()))
        return 0;
    unsigned sum = 0;
    for (int c = -300; c < 300; c++) {
        const uint8_t* bits;
        const int w = FONT_GetGlyph(&font, c, &bits);
        for (int i = 0; bits && i < w * font.height; i++)
            sum += bits[i];
    }
    char text[256];
    for (int i = 0; i < 255; i++)
        text[i] = (char)(i + 1);
    text[255] = 0;
    const int width = GetTextExtent(&font, text);
    for (int x : {-width, -7, 0, 300})
        for (int y : {-20, 0, 190})
            WriteText(&font, x, y, text, (int)(sum % 300));
    FONT_Free(&font);
    return 0;
}
