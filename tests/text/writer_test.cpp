// The text writer on the text screen: advance, wrapping and the bottom edge, the saturating
// colour mix, the signed and unsigned character paths, the text screen's set-up.
#include "common/font_fixture.h"
#include "common/test_support.h"

#include "platform/screen.h"
#include "text/font.h"
#include "text/stext.h"
#include "text/tcscr.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 22 | g << 12 | b << 2; }

class Writer : public ::testing::Test {
protected:
    Font font{};   // 'A' and 'B': solid 3 x 5 glyphs of value 255; nothing else

    void SetUp() override
    {
        ASSERT_TRUE(TCS_Init(320, 200, 32));
        STEXT_InitColors();
        const std::vector<uint8_t> file = FIX_MapFont(5, "AB", 3, 255);
        ASSERT_EQ(FONT_LoadMemory(&font, file.data(), file.size()), 1);
    }
    void TearDown() override
    {
        FONT_Free(&font);
        TCS_End();
        TCS_Active = 0;
        STEXT_InitColors();
    }
    static uint32_t At(int x, int y) { return TCS_Picture[y * 320 + x] & TCS_MASK; }
    // Columns of row y that hold anything, as a string of '#' and '.' from x0 to x1.
    static std::string Row(int y, int x0, int x1)
    {
        std::string s;
        for (int x = x0; x <= x1; x++)
            s += At(x, y) ? '#' : '.';
        return s;
    }
};

TEST_F(Writer, CharacterWithoutGlyphAdvancesHalfTheHeightWithoutTheGap)
{
    // 'A' at 10-12, its gap 13-14, the space 15-16 (5 / 2), 'B' at 17-19.
    EXPECT_EQ(WriteText(&font, 10, 10, "A B", 239), 22);
    EXPECT_EQ(Row(10, 9, 21), ".###....###..");
    EXPECT_EQ(Row(14, 9, 21), ".###....###..");
    EXPECT_EQ(Row(15, 9, 21), ".............");
    // Full level: pixel 255 + 239 is entry 494, grey floor(100 * 238 / 256).
    EXPECT_EQ(At(10, 10), Rgb(92, 92, 92));
}

TEST_F(Writer, WrapsToTheLeftEdgeOneLineLowerAndSkipsGlyphsBelowTheBottom)
{
    // The second glyph would end at 321: it goes to x 0, 5 + 1 rows lower.
    EXPECT_EQ(WriteText(&font, 316, 20, "AB", 239), 5);
    EXPECT_EQ(Row(20, 315, 319), ".###.");
    EXPECT_EQ(Row(26, 0, 4), "###..");
    EXPECT_EQ(Row(25, 0, 4), ".....");

    // Below the bottom (the last row a glyph may start on is 195): not drawn, but the x still
    // advances by the glyph's width, without the gap.
    EXPECT_EQ(WriteText(&font, 40, 196, "AA", 239), 46);
    EXPECT_EQ(WriteText(&font, 318, 190, "A", 239), 3);   // wraps to row 196
    EXPECT_EQ(WriteText(&font, 100, 195, "A", 239), 105);
    int lit = 0;
    for (int y = 190; y < 200; y++)
        for (int x = 0; x < 320; x++)
            lit += At(x, y) != 0;
    EXPECT_EQ(lit, 3 * 5) << "only the glyph at row 195";
}

TEST_F(Writer, PartOfALineLeftOfOrAboveTheScreenIsSkipped)
{
    EXPECT_EQ(WriteText(&font, -2, -3, "AB", 239), 8);
    EXPECT_EQ(Row(0, 0, 6), "#..###.");
    EXPECT_EQ(Row(1, 0, 6), "#..###.");
    EXPECT_EQ(Row(2, 0, 6), ".......");
}

TEST_F(Writer, MixingAddsEachChannelAndSaturatesItAlone)
{
    // Colour k is planted as table entry 255 + 1 and drawn at level 1 over pixel d.
    struct Case {
        uint32_t d, k, mixed;
    };
    const Case cases[] = {
        {Rgb(255, 255, 255), Rgb(255, 255, 255), Rgb(255, 255, 255)},
        {Rgb(0, 0, 255), Rgb(0, 0, 1), Rgb(0, 0, 255)},
        {Rgb(10, 200, 20), Rgb(0, 100, 0), Rgb(10, 255, 20)},
        {Rgb(250, 5, 0), Rgb(10, 5, 0), Rgb(255, 10, 0)},
        {Rgb(10, 20, 30), Rgb(1, 2, 3), Rgb(11, 22, 33)},
        {Rgb(255, 0, 255), Rgb(1, 0, 1), Rgb(255, 0, 255)},
        // Guard bits left set by an earlier saturation are ignored.
        {Rgb(1, 2, 3) | 0xC0300C00u, Rgb(1, 1, 1), Rgb(2, 3, 4)},
    };
    for (const Case& c : cases) {
        TCS_Picture[0] = c.d;
        STEXT_Colors[256] = c.k;
        WriteText(&font, 0, 0, "A", 1);
        EXPECT_EQ(TCS_Picture[0] & TCS_MASK, c.mixed) << std::hex << c.d << " + " << c.k;
    }
}

TEST_F(Writer, ExtentAndDrawnWidthDifferForHighCodesExceptInAMapFont)
{
    // 3 x 4 fixed glyphs: a glyph is 3 + 2 wide, a missing one 4 / 2.
    struct Case {
        const char* what;
        uint16_t flags;
        const char* text;
        int extent, drawn;
    };
    const Case cases[] = {
        {"no flag, code 200", 0, "\xC8", 5, 2},
        {"no flag, code 65", 0, "A", 5, 5},
        {"bit 1, code 164", 2, "\xA4", 5, 2},
        {"bit 1, code 200", 2, "\xC8", 2, 2},
        {"map, code 200", 8, "\xC8", 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> data((c.flags & 2) ? 96 * 12 : 224 * 12, 1);
        if (c.flags & 8) {
            data.assign(256, 255);
            data[200] = 0;
        }
        const std::vector<uint8_t> file = FIX_FontFile(c.flags, 4, 3, data);
        Font f;
        ASSERT_EQ(FONT_LoadMemory(&f, file.data(), file.size()), 1);
        EXPECT_EQ(GetTextExtent(&f, c.text), c.extent);
        EXPECT_EQ(WriteText(&f, 0, 100, c.text, 239), c.drawn);
        FONT_Free(&f);
    }
}

TEST_F(Writer, FontWithoutGlyphsDrawsNothing)
{
    Font empty{};
    EXPECT_EQ(WriteText(&empty, 7, 8, "AB", 239), 7);
    EXPECT_EQ(GetTextExtent(&empty, "AB"), 0);
    EXPECT_EQ(WriteText(&font, 7, 8, nullptr, 239), 7);
    EXPECT_EQ(GetTextExtent(&font, nullptr), 0);
    EXPECT_EQ(At(7, 8), 0u);
}

TEST(Text, NullFontStopsNamingTheFunctionAndPlace)
{
    struct Case {
        std::function<void()> call;
        const char* func;
        const char* unit;
        int line;
    };
    const Case cases[] = {
        {[] { FONT_Load(nullptr, "GFX\\FONT2.FNT"); }, "FONT_Load", "TEXT", 23},
        {[] { WriteText(nullptr, 0, 0, "A", 0); }, "WriteText", "STEXT", 58},
        {[] { GetTextExtent(nullptr, "A"); }, "GetTextExtent", "STEXT", 86},
    };
    for (const Case& c : cases) {
        AssertionStop stop = TEST_ExpectStop(c.call);
        EXPECT_EQ(stop.expr, "font != NULL");
        EXPECT_EQ(stop.func, c.func);
        EXPECT_EQ(stop.unit, c.unit);
        EXPECT_EQ(stop.line, c.line);
    }
}

TEST(TextScreen, InitClearsAndShowsEndFreesAndOldWideModesStop)
{
    TCS_Active = 0;
    ASSERT_TRUE(TCS_Init(320, 200, 8));
    ASSERT_NE(TCS_Picture, nullptr);
    EXPECT_EQ(TCS_Depth, 32);
    EXPECT_EQ(TCS_Active, 1);
    int nonzero = 0;
    for (int i = 0; i < 320 * 200; i++)
        nonzero += TCS_Picture[i] != 0;
    EXPECT_EQ(nonzero, 0) << "fresh memory carries noise until cleared";

    TCS_End();
    EXPECT_EQ(TCS_Picture, nullptr);
    EXPECT_EQ(TCS_Depth, 0);
    EXPECT_FALSE(TCS_Init(0, 200, 32));
    EXPECT_EQ(TCS_Picture, nullptr);
    EXPECT_FALSE(TCS_Init(320, -200, 32));
    ASSERT_TRUE(TCS_Init(640, 480, 32));
    EXPECT_EQ(TCS_Height, 480);
    for (int height : {240, 160, 200}) {
        AssertionStop stop = TEST_ExpectStop([&] { TCS_Init(640, height, 32); });
        EXPECT_EQ(stop.expr, "!\"NYI\"");
        EXPECT_EQ(stop.func, "TCS_Init");
        EXPECT_EQ(stop.unit, "TCSCR");
        EXPECT_EQ(stop.line, 84);
    }
    TCS_End();
    TCS_Active = 0;
}

TEST(TextScreen, ColourTableIsBlackThenARampThenGreyHundred)
{
    STEXT_InitColors();
    EXPECT_EQ(STEXT_Colors[0], 0u);
    EXPECT_EQ(STEXT_Colors[255], 0u);
    EXPECT_EQ(STEXT_Colors[256 + 3], Rgb(1, 1, 1));   // floor(300 / 256)
    EXPECT_EQ(STEXT_Colors[256 + 128], Rgb(50, 50, 50));
    EXPECT_EQ(STEXT_Colors[511], Rgb(99, 99, 99));
    EXPECT_EQ(STEXT_Colors[512], 0x19064190u);
    EXPECT_EQ(STEXT_Colors[767], 0x19064190u);
}

}  // namespace
