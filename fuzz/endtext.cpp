// Fuzz target: the end-text pager reading a script from memory page after page, cleaning,
// splitting and placing its lines and drawing them with a small font, once over the whole
// input and once with the text ending halfway (the end of an archive member).
#include "driver/demo.h"
#include "sections/endtext.h"
#include "text/font.h"
#include "text/stext.h"
#include "text/tcscr.h"

#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!TCS_Picture) {
        TCS_Init(320, 200, 32);
        STEXT_InitColors();
        // Printable characters as 3 x 5 glyphs.
        std::vector<uint8_t> file = {8, 0, 5, 0};
        std::vector<uint8_t> glyphs(256, 255);
        for (int c = 33; c < 127; c++) {
            glyphs[(size_t)c] = (uint8_t)(c - 33);
            glyphs.push_back(3);
            for (int i = 0; i < 15; i++)
                glyphs.push_back((uint8_t)(i * 17 + c));
        }
        const uint32_t n = (uint32_t)glyphs.size();
        file.insert(file.end(), {(uint8_t)n, (uint8_t)(n >> 8), (uint8_t)(n >> 16), (uint8_t)(n >> 24)});
        file.insert(file.end(), glyphs.begin(), glyphs.end());
        FONT_LoadMemory(&DemoFont, file.data(), file.size());
    }
    if (size == 0)
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    for (long end : {(long)size, (long)size / 2}) {
        ENDTEXT_Start(fmemopen(bytes.data(), size, "r"), end);
        // Each update past the page's duration reads the next page.
        uint32_t t = 0;
        for (int page = 0; page < 6; page++) {
            EndTextUpdate(t);
            EndTextUpdate(t + 130);
            t += 131 + (uint32_t)(ENDTEXT_State.pageDuration > 0 ? ENDTEXT_State.pageDuration : 0);
            ENDTEXT_State.pageStart = -1;
        }
        ENDTEXT_Close();
    }
    return 0;
}
