// GFX/FONT2.FNT: the closing text's proportional font, rasterised with FreeType into the
// .FNT map variant (flag bit 3), with pixel values picked for the text colour table.
#include "assets.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

static const int FONT_PIXEL_SIZE = 12;
static const uint16_t FONT_FLAG_MAP = 8;

// The closing screen adds the text into its picture every frame, and its softening carries
// that light up and to the left, where it gathers from every letter below and to the right:
// what shows is many frames of light. At the pager's full level (239) a pixel value v adds
// grey floor(100 (v - 17) / 256) a frame, so the values stay low (the strongest adds grey 18)
// for a page's glow not to burn out to white, and the coverage is squared so that the cores
// of the strokes outshine their antialiased edges, which would only feed the glow. Every
// inked pixel keeps a value above 17, where the colour table's black entries end.
static const int FONT_STRONGEST = 64;

static uint8_t FONT_Intensity(int coverage)
{
    if (coverage <= 0)
        return 0;
    const double c = coverage / 255.0;
    return (uint8_t)(17 + std::max(1, (int)std::lround(c * c * (FONT_STRONGEST - 17))));
}

std::vector<uint8_t> ASSET_MakeFont(void)
{
    std::string path = ART_FontPath("DejaVuSans.ttf");
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0)
        ASSET_Fail("cannot initialise FreeType");
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0)
        ASSET_Fail("cannot open the font %s (Debian package fonts-dejavu-core)", path.c_str());
    if (FT_Set_Pixel_Sizes(face, 0, FONT_PIXEL_SIZE) != 0)
        ASSET_Fail("%s: cannot set the size %d", path.c_str(), FONT_PIXEL_SIZE);
    int ascent = (int)((face->size->metrics.ascender + 63) >> 6);
    int descent = (int)((-face->size->metrics.descender + 63) >> 6);
    int height = ascent + descent;
    // Lines of the end text are 19 pixels apart; wrapped lines are height + 1 apart.
    if (height > 18)
        ASSET_Fail("font height %d does not fit lines 19 pixels apart", height);

    std::vector<uint8_t> data(256, 255);
    int glyphs = 0;
    for (int c = 32; c < 127; c++) {
        if (FT_Load_Char(face, (FT_ULong)c, FT_LOAD_RENDER) != 0)
            ASSET_Fail("%s: cannot render the character '%c'", path.c_str(), c);
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        data[c] = (uint8_t)glyphs++;
        if (c == ' ') {
            // Blank; with the writer's 2-pixel gap it advances like the font's space.
            int w = std::max(2, (int)((g->advance.x + 32) >> 6) - 2);
            data.push_back((uint8_t)w);
            data.insert(data.end(), (size_t)w * height, 0);
            continue;
        }
        // Crop to the inked columns; the writer adds 2 pixels after every glyph.
        int first = (int)bm.width, last = -1, strongest = 0;
        for (int col = 0; col < (int)bm.width; col++)
            for (int row = 0; row < (int)bm.rows; row++)
                if (bm.buffer[row * bm.pitch + col]) {
                    first = std::min(first, col);
                    last = std::max(last, col);
                    strongest = std::max(strongest, (int)bm.buffer[row * bm.pitch + col]);
                }
        if (last < first)
            ASSET_Fail("%s: the character '%c' has no ink", path.c_str(), c);
        int w = last - first + 1;
        data.push_back((uint8_t)w);
        int top = ascent - g->bitmap_top;   // cell row of the bitmap's first row
        for (int col = first; col <= last; col++)
            for (int y = 0; y < height; y++) {
                int row = y - top;
                int coverage = row >= 0 && row < (int)bm.rows ? bm.buffer[row * bm.pitch + col] : 0;
                // Thin marks that fall between pixels ('|', '.', ':') never reach full
                // coverage; every glyph is scaled so that its strongest pixel is full.
                data.push_back(FONT_Intensity((coverage * 255 + strongest / 2) / strongest));
            }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    // The loader keeps 16-bit glyph offsets.
    if (data.size() > 65535)
        ASSET_Fail("font data of %zu bytes exceeds the 16-bit glyph offsets", data.size());

    std::vector<uint8_t> file = {(uint8_t)(FONT_FLAG_MAP & 0xFF), (uint8_t)(FONT_FLAG_MAP >> 8), (uint8_t)height, 0};
    uint32_t size = (uint32_t)data.size();
    for (int i = 0; i < 4; i++)
        file.push_back((uint8_t)(size >> (8 * i)));
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

int ASSET_FontTextExtent(const std::vector<uint8_t>& font, const char* text)
{
    int height = font[2];
    const uint8_t* data = font.data() + 8;
    std::vector<size_t> offsets;
    size_t p = 256;
    for (int c = 0; c < 256; c++)
        if (data[c] != 255) {
            offsets.push_back(p);
            p += (size_t)data[p] * height + 1;
        }
    int width = 0;
    for (const char* s = text; *s; s++) {
        uint8_t g = data[(unsigned char)*s];
        width += g == 255 ? height / 2 : data[offsets[g]] + 2;
    }
    return width;
}
