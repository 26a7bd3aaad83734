// The screen layer: modes and pages, palette conversion and fades, and LLS_DUMP's picture.
#include "platform/backend.h"
#include "platform/desktop/desktop.h"
#include "platform/screen.h"
#include "common/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void ResetPalette()
{
    std::memset(PAL_Current, 0, PAL_BYTES);
    std::memset(PAL_Target, 0, PAL_BYTES);
    PAL_Fading = 0;
    PAL_FadeSpeed = 1;
    PAL_FadeTime = 0;
}


TEST(Screen, InitSetsModesAndClearedPages)
{
    LLS_Init(1, 0);
    EXPECT_EQ(LLS_Width, 320);
    EXPECT_EQ(LLS_Height, 200);
    EXPECT_EQ(LLS_Size, 64000);
    EXPECT_EQ(LLS_Screen, LLS_Page1);
    EXPECT_EQ(LLS_Page2, nullptr);
    for (int i = 0; i < LLS_Size; i++)
        ASSERT_EQ(LLS_Page1[i], 0) << "pages are cleared after the random fill";

    LLS_Init(2, 5);
    EXPECT_EQ(LLS_Size, 307200);
    ASSERT_NE(LLS_Page2, nullptr);
    EXPECT_EQ(LLS_Screen, LLS_Page1);

    LLS_Init(0, 0);
    EXPECT_EQ(LLS_Screen, LLS_VideoMemory);
    EXPECT_EQ(LLS_Page1, nullptr);
    EXPECT_EQ(LLS_Page2, nullptr);
}

TEST(Screen, InitWithTheSameModeStillReplacesThePages)
{
    LLS_Init(1, 0);
    LLS_Page1[5] = 77;
    LLS_Init(1, 0);
    EXPECT_EQ(LLS_Width, 320);
    EXPECT_EQ(LLS_Page1[5], 0) << "a fresh, cleared page";
}

TEST(Screen, UnsupportedModeIsTheNotProvidedStop)
{
    AssertionStop stop = TEST_ExpectStop([] { LLS_Init(1, 3); });
    EXPECT_EQ(stop.expr, "!\"NYI\"");
    EXPECT_EQ(stop.func, "LLS_Init");
    EXPECT_EQ(stop.unit, "VantrelPAL");
    EXPECT_EQ(stop.line, 712);
}

TEST(Screen, FlipShowsThePageOnlyInModeZero)
{
    LLS_Init(1, 0);
    std::memset(LLS_VideoMemory, 0, sizeof LLS_VideoMemory);
    LLS_Screen[1234] = 9;
    EXPECT_EQ(LLS_VideoMemory[1234], 0) << "drawing shows nothing before the flip";
    LLS_Flip();
    EXPECT_EQ(LLS_VideoMemory[1234], 9);
}

TEST(Palette, SetPaletteShiftsSixBitValuesIntoBytes)
{
    uint8_t pal[PAL_BYTES] = {};
    pal[0] = 63; pal[1] = 0; pal[2] = 1;
    pal[765] = 1; pal[766] = 2; pal[767] = 63;
    LLS_SetPalette(pal, 0, 256);
    EXPECT_EQ(LLS_ColorTable[0], 0xFC0004u);
    EXPECT_EQ(LLS_ColorTable[255], 0x0408FCu);
}

TEST(Palette, StepTowardsMovesEachByteOneUnit)
{
    uint8_t cur[6] = {0, 10, 5, 63, 7, 7};
    const uint8_t tgt[6] = {3, 9, 5, 0, 8, 6};
    PAL_StepTowards(cur, tgt, 2);
    EXPECT_EQ(std::vector<uint8_t>(cur, cur + 6), (std::vector<uint8_t>{1, 9, 5, 62, 8, 6}));
}

TEST(Palette, FadeCatchesUpAfterALateFrame)
{
    ResetPalette();
    std::memset(PAL_Target, 63, PAL_BYTES);
    PAL_FadeTick(100);        // not fading: time recorded
    PAL_Fading = 1;
    PAL_FadeTick(100);        // same tick: nothing
    EXPECT_EQ(PAL_Current[0], 0);
    PAL_FadeTick(105);        // first seen five ticks later
    EXPECT_EQ(PAL_Current[0], 5);
    EXPECT_EQ(LLS_ColorTable[0], (5u << 18) | (5u << 10) | (5u << 2));
    PAL_FadeSpeed = 2;
    PAL_FadeTick(106);
    EXPECT_EQ(PAL_Current[767], 7);
    PAL_FadeTick(200);
    EXPECT_EQ(PAL_Current[0], 63);
    EXPECT_FALSE(PAL_Fading) << "the fade ends when the target is reached";
    PAL_FadeSpeed = 1;
}

TEST(Palette, FadeToTheCurrentPaletteEndsAtItsFirstTickAfterOneUpload)
{
    ResetPalette();
    std::memset(PAL_Current, 20, PAL_BYTES);
    std::memset(PAL_Target, 20, PAL_BYTES);
    std::memset(LLS_ColorTable, 0, sizeof LLS_ColorTable);
    PAL_FadeTick(10);
    PAL_Fading = 1;
    PAL_FadeTick(10);
    EXPECT_TRUE(PAL_Fading);
    PAL_FadeTick(11);
    EXPECT_FALSE(PAL_Fading);
    EXPECT_EQ(LLS_ColorTable[7], (20u << 18) | (20u << 10) | (20u << 2)) << "uploaded once";
}

TEST(Dump, ModeZeroIsDoubledAndCentredBetweenBlackBands)
{
    LLS_Init(0, 0);
    uint8_t pal[PAL_BYTES] = {};
    for (int i = 0; i < 256; i++)
        pal[3 * i] = pal[3 * i + 1] = pal[3 * i + 2] = (uint8_t)(i % 64);
    LLS_SetPalette(pal, 0, 256);
    for (int i = 0; i < LLS_VIDEO_BYTES; i++)
        LLS_VideoMemory[i] = (uint8_t)(1 + (i * 7) % 63);
    LLS_VideoMemory[0] = 63;
    std::fill(LLS_Frame32, LLS_Frame32 + 640 * 480, 0xFFFFFFu);
    LLS_DUMP();
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            uint32_t want = 0;
            if (y >= 40 && y < 440)
                want = LLS_ColorTable[LLS_VideoMemory[((y - 40) / 2) * 320 + x / 2]];
            ASSERT_EQ(LLS_Frame32[y * 640 + x], want) << x << "," << y;
        }
    EXPECT_EQ(LLS_Frame32[40 * 640], 0xFCFCFCu) << "63 shows as 252";
}

TEST(Dump, ModeFiveShowsTheScreenAsItIs)
{
    LLS_Init(1, 5);
    for (int i = 0; i < 256; i++)
        LLS_ColorTable[i] = 0x010203u * (uint32_t)i;
    for (int i = 0; i < LLS_Size; i++)
        LLS_Screen[i] = (uint8_t)(i * 13);
    LLS_DUMP();
    for (int i = 0; i < LLS_Size; i++)
        ASSERT_EQ(LLS_Frame32[i], LLS_ColorTable[LLS_Screen[i]]) << i;
    LLS_Init(0, 5);  // no page: only the 64000 bytes of video memory exist
    LLS_DUMP();
    EXPECT_EQ(LLS_Frame32[640 * 479 + 639], 0u);
}

// The text screen: channels in 10-bit fields with overflow guards, shown like mode 0.
TEST(Dump, TextScreenIsShownFromItsChannelFields)
{
    static uint32_t text[320 * 200];
    for (int i = 0; i < 320 * 200; i++)
        text[i] = (uint32_t)(i & 0xFF) << 22 | (uint32_t)((i >> 8) & 0xFF) << 12 | 0x55u << 2 | 0xC0300C03u;
    TCS_Show(text, 0, 0);
    EXPECT_FALSE(TCS_Active) << "first >= count does nothing";
    TCS_Show(text, 0, 200);
    ASSERT_TRUE(TCS_Active);
    LLS_Init(1, 0);
    LLS_DUMP();
    TCS_Active = 0;
    for (int y = 0; y < 200; y += 37)
        for (int x = 0; x < 320; x += 11) {
            int i = y * 320 + x;
            uint32_t want = (uint32_t)(i & 0xFF) << 16 | (uint32_t)((i >> 8) & 0xFF) << 8 | 0x55u;
            EXPECT_EQ(LLS_Frame32[(2 * y + 41) * 640 + 2 * x + 1], want);
        }
    EXPECT_EQ(LLS_Frame32[0], 0u);
}

// The desktop maps each colour once (or copies rows its surface stores as they are); its
// surface must equal the literal per-pixel path, for a surface that stores red in the low byte
// and one that stores frame pixels as they are.
TEST(Dump, SurfaceMatchesTheLiteralConversionForEveryByteOrder)
{
    for (uint32_t redMask : {0xFFu, 0xFF0000u}) {
        SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, redMask, 0xFF00, redMask ^ 0xFF00FF, 0);
        ASSERT_NE(surface, nullptr);
        ScreenSurface = surface;
        PLAT_UseWindow(false);   // the desktop's presentation, without opening a window
        for (int i = 0; i < 256; i++)
            LLS_ColorTable[i] = (uint32_t)(i * 4) << 16 | (uint32_t)(252 - (i % 64) * 4) << 8 | (uint32_t)((i * 37) & 0xFC);
        for (int mode : {0, 5}) {
            LLS_Init(1, mode);
            for (int i = 0; i < LLS_Size; i++)
                LLS_Screen[i] = (uint8_t)(i * 7 + i / 640);
            LLS_Flip();
            for (int order = 0; order < 3; order++) {
                ByteOrderB = order == 1;
                ByteOrderR = order == 2;
                LLS_DUMP();
                const uint32_t* px = (const uint32_t*)surface->pixels;
                for (int y = 0; y < 480; y++)
                    for (int x = 0; x < 640; x++)
                        ASSERT_EQ(px[y * surface->pitch / 4 + x], LLS_SurfacePixel(surface->format, LLS_Frame32[y * 640 + x]))
                            << "red mask " << redMask << " mode " << mode << " order " << order << " at " << x << ","
                            << y;
            }
        }
        ByteOrderB = ByteOrderR = 0;
        ScreenSurface = nullptr;
        PLAT_UseHeadless();
        SDL_FreeSurface(surface);
    }
}

TEST(Dump, ByteOrderFlagsRewriteThePixelBytes)
{
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF, 0xFF00, 0xFF0000, 0);
    ASSERT_NE(surface, nullptr);
    const uint32_t p = 0x00A0B0C0;  // R A0, G B0, B C0
    ByteOrderB = ByteOrderR = 0;
    EXPECT_EQ(LLS_SurfacePixel(surface->format, p), 0x00C0B0A0u) << "this surface stores red in the low byte";
    ByteOrderB = 1;
    EXPECT_EQ(LLS_SurfacePixel(surface->format, p), 0x00A0B0C0u) << "bytes B, G, R, X";
    ByteOrderB = 0;
    ByteOrderR = 1;
    EXPECT_EQ(LLS_SurfacePixel(surface->format, p), 0xC0B0A000u) << "bytes X, R, G, B";
    ByteOrderR = 0;
    SDL_FreeSurface(surface);
}

}  // namespace
