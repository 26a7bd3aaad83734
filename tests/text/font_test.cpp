// The .FNT loader: the character sets, glyph offsets, and the refusal of fonts whose glyphs
// would lie outside their data, from memory, from a loose file and from an archive member.
#include "common/font_fixture.h"
#include "common/picture_fixture.h"
#include "common/test_support.h"

#include "data/archive.h"
#include "data/datwrite.h"
#include "data/file.h"
#include "text/font.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The glyph index FONT_GetGlyph found for c in a fixed-width font of 3 x 2 glyphs, or -1.
int FixedIndex(const Font& font, int c)
{
    const uint8_t* bits;
    const int w = FONT_GetGlyph(&font, c, &bits);
    if (!bits) {
        EXPECT_EQ(w, font.height / 2) << "a character without a glyph is as wide as a space";
        return -1;
    }
    EXPECT_EQ(w, 3);
    return (int)(bits - font.data) / 6;
}

TEST(FontLoad, CharacterSetsMapCodesToGlyphs)
{
    uint8_t map[256];
    for (uint8_t& m : map)
        m = 255;
    map['A'] = 5;
    map['b'] = 7;
    map[200] = 9;
    // Fixed-width glyphs count from the data's first byte, map included.
    const std::vector<uint8_t> mapData(map, map + 256);

    struct Case {
        uint16_t flags;
        int c;
        int glyph;
    };
    const Case cases[] = {
        {0, ' ', 0},      {0, 'A', 33},     {0, 255, 223},    {0, -1, -1},      {0, 31, -1},
        {1, 'A', 0},      {1, 'Z', 25},     {1, 'a', 26},     {1, 'z', 51},     {1, '0', 52},
        {1, '9', 61},     {1, ' ', -1},     {1, -65, -1},     {1, 'A' + 128, -1},
        {2, '!', 0},      {2, 127, 94},     {2, 164, 95},     {2, 165, 95},     {2, 128, -1},
        {2, 32, -1},      {2, -92, -1},
        {8, 'A', 5},      {8, 'a', 5},      {8, 'b', 7},      {8, 'B', -1},     {8, 200, 9},
        {8, -56, 9},      {8, 'C', -1},     {8 | 1, 'A', 5},  {8 | 2, 'b', 7},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("flags " + std::to_string(k.flags) + ", character " + std::to_string(k.c));
        const size_t glyphs = (k.flags & 8) ? 0 : (k.flags & 1) ? 62 : (k.flags & 2) ? 96 : 224;
        std::vector<uint8_t> data = (k.flags & 8) ? mapData : std::vector<uint8_t>(glyphs * 6, 1);
        Font font;
        ASSERT_EQ(FONT_LoadMemory(&font, FIX_FontFile(k.flags, 2, 3, data).data(), 8 + data.size()), 1);
        EXPECT_EQ(FixedIndex(font, k.c), k.glyph);
        FONT_Free(&font);
    }
}

TEST(FontLoad, ProportionalGlyphsFollowOneAnother)
{
    // Widths 2, 0 and 3 at height 4: offsets 0, 9 and 10 of the data after the map.
    uint8_t map[256];
    for (uint8_t& m : map)
        m = 255;
    map['x'] = 0;
    map['y'] = 1;
    map['z'] = 2;
    std::vector<FIX_Glyph> glyphs = {FIX_SolidGlyph(2, 4, 11), FIX_SolidGlyph(0, 4, 0), FIX_SolidGlyph(3, 4, 33)};
    glyphs[2].pixels[11] = 44;   // the last pixel: column 2, row 3
    std::vector<uint8_t> file = FIX_FontFile(8, 4, 0, FIX_ProportionalData(glyphs, map));
    Font font;
    ASSERT_EQ(FONT_LoadMemory(&font, file.data(), file.size()), 1);

    const uint8_t* bits;
    EXPECT_EQ(FONT_GetGlyph(&font, 'x', &bits), 2);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits - font.data, 257);
    EXPECT_EQ(FONT_GetGlyph(&font, 'y', &bits), 0);
    EXPECT_EQ(bits - font.data, 266);
    EXPECT_EQ(FONT_GetGlyph(&font, 'z', &bits), 3);
    EXPECT_EQ(bits[0], 33);
    EXPECT_EQ(bits[11], 44);
    EXPECT_EQ(bits + 12, font.data + font.dataSize);
    FONT_Free(&font);
}

// A proportional font of the 224-glyph set at height 16 whose glyphs end at byte end of the
// data: 16 glyphs of width 255, one whose width makes up the rest, the others empty.
std::vector<uint8_t> FontEndingAt(size_t end)
{
    std::vector<FIX_Glyph> glyphs;
    for (int i = 0; i < 16; i++)
        glyphs.push_back(FIX_SolidGlyph(255, 16, 1));
    glyphs.push_back(FIX_SolidGlyph((int)(end - 224 - 16 * 16 * 255) / 16, 16, 1));
    while (glyphs.size() < 224)
        glyphs.push_back(FIX_SolidGlyph(0, 16, 0));
    return FIX_FontFile(0, 16, 0, FIX_ProportionalData(glyphs));
}

TEST(FontLoad, GlyphTablesThatRunPastTheDataAreRefused)
{
    std::vector<uint8_t> map(256, 255);
    map['A'] = 0;
    map['B'] = 1;
    std::vector<uint8_t> twoGlyphs = map;
    twoGlyphs.insert(twoGlyphs.end(), {1, 9, 9, 1, 9, 9});
    std::vector<uint8_t> naming5 = twoGlyphs;
    naming5['C'] = 5;
    std::vector<uint8_t> tenLetters = FIX_ProportionalData(std::vector<FIX_Glyph>(10, FIX_SolidGlyph(1, 2, 7)));
    std::vector<uint8_t> letters = FIX_ProportionalData(std::vector<FIX_Glyph>(62, FIX_SolidGlyph(1, 2, 7)));
    std::vector<uint8_t> widthPast = letters;
    widthPast[widthPast.size() - 3] = 5;   // the last glyph claims 5 columns; 2 pixel bytes follow

    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        bool loads;
    };
    const Case cases[] = {
        {"a map font", FIX_FontFile(8, 2, 0, twoGlyphs), true},
        {"a map entry naming a glyph the font lacks", FIX_FontFile(8, 2, 0, naming5), false},
        {"a map font shorter than its map", FIX_FontFile(8, 2, 0, std::vector<uint8_t>(200, 255)), false},
        {"62 letters", FIX_FontFile(1, 2, 0, letters), true},
        {"width bytes beyond the data", FIX_FontFile(1, 2, 0, tenLetters), false},
        {"a width whose pixels run past the data", FIX_FontFile(1, 2, 0, widthPast), false},
        {"glyphs ending at byte 65536", FontEndingAt(65536), true},
        {"glyphs ending past byte 65536", FontEndingAt(65552), false},
        {"96 fixed glyphs of 4 x 4", FIX_FontFile(2, 4, 4, std::vector<uint8_t>(96 * 16, 1)), true},
        {"95 fixed glyphs for 96 characters", FIX_FontFile(2, 4, 4, std::vector<uint8_t>(95 * 16, 1)), false},
        {"a fixed 1 x 1 map font naming glyph 5", FIX_FontFile(8, 1, 1, naming5), true},
        {"no data", FIX_FontFile(0, 2, 0, {}), false},
        {"a data size beyond the file", [] {
             std::vector<uint8_t> f = FIX_FontFile(0, 1, 1, std::vector<uint8_t>(224, 1));
             f.pop_back();
             return f;
         }(), false},
        {"a header cut short", std::vector<uint8_t>{0, 0, 4, 4}, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Font font;
        EXPECT_EQ(FONT_LoadMemory(&font, k.file.data(), k.file.size()), k.loads ? 1 : 0);
        if (!k.loads) {
            EXPECT_EQ(font.data, nullptr);
            EXPECT_EQ(font.offsets, nullptr);
        }
        FONT_Free(&font);
    }
}

TEST(FontLoad, ReadsLooseFilesAndArchiveMembersButNotPastThem)
{
    FIX_ScratchDir scratch;
    const std::vector<uint8_t> good = FIX_MapFont(6, "AB", 3, 200);
    std::vector<uint8_t> cut = good;
    cut.resize(good.size() - 5);
    FIX_WriteFile("GFX/GOOD.FNT", good);
    FIX_WriteFile("GFX/CUT.FNT", cut);
    // In the archive the cut font is followed by enough bytes to fill its data.
    std::string error;
    ASSERT_TRUE(DAT_WriteArchive("FONTS.DAT", {{"INNER.FNT", good}, {"SHORT.FNT", cut}, {"PAD", good}}, &error))
        << error;
    ASSERT_EQ(DAT_Open("FONTS.DAT"), 1);

    Font font;
    EXPECT_EQ(FONT_Load(&font, "GFX\\GOOD.FNT"), 1);
    const uint8_t* bits;
    EXPECT_EQ(FONT_GetGlyph(&font, 'b', &bits), 3);
    EXPECT_EQ(bits[0], 200);
    FONT_Free(&font);
    EXPECT_EQ(FONT_Load(&font, "GFX\\INNER.FNT"), 1);
    FONT_Free(&font);

    for (const char* path : {"GFX\\CUT.FNT", "GFX\\SHORT.FNT", "GFX\\MISSING.FNT"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(FONT_Load(&font, path), 0);
        EXPECT_EQ(font.data, nullptr);
        EXPECT_EQ(FONT_GetGlyph(&font, 'A', &bits), 3) << "half the height";
        EXPECT_EQ(bits, nullptr);
    }
    DAT_CloseAll();
}

}  // namespace
