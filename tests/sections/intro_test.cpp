// The intro: the pictures and palettes it loads and where it puts them, the weave's first
// frame, its phase and amplitude steps, the shifted texture reads, the mix file check, and
// the two title pictures.
#include "common/picture_fixture.h"
#include "common/test_support.h"

#include "driver/demo.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"
#include "sections/intro.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

uint8_t MixOf(int a, int b)
{
    return (uint8_t)(a * 3 + b * 5 + 1);
}

class IntroTest : public ::testing::Test {
protected:
    FIX_ScratchDir scratch;
    // Three pictures that differ in pixels and palette, so one in the wrong place shows.
    FIX_Picture weave, logo, title;
    void SetUp() override
    {
        SINCOS_Init();
        LLS_Init(1, 0);
        std::vector<uint8_t> mix(65536);
        for (int a = 0; a < 256; a++)
            for (int b = 0; b < 256; b++)
                mix[(size_t)(a * 256 + b)] = MixOf(a, b);
        FIX_WriteFile("GFX/weave.mix", mix);
        weave = FIX_WriteSeededGIF("GFX/WEAVE.GIF", 320, 200, 4);
        logo = FIX_WriteSeededGIF("GFX/TALVIK1.GIF", 320, 200, 5);
        title = FIX_WriteSeededGIF("GFX/VANTREL3.GIF", 320, 200, 6);
        std::memset(PAL_Target, 9, PAL_BYTES);
    }
    static bool Holds(const uint8_t* at, const std::vector<uint8_t>& bytes)
    {
        return std::equal(bytes.begin(), bytes.end(), at);
    }
    void TearDown() override
    {
        IntroShowLogo(0);
        IntroShowTitle(0);
        FrameHook = nullptr;
    }
};

// The weave picture and its brightened palette, shown at once; the logo and the title with
// their palettes as loaded, each in its own block; the texture tiled from the weave picture.
TEST_F(IntroTest, StartLoadsEachPictureWhereTheIntroUsesIt)
{
    const std::vector<uint8_t> brightened = FIX_Brightened(weave.palette6);
    std::memset(PAL_Target, 9, PAL_BYTES);
    EXPECT_TRUE(IntroWeaveStart(10));
    const IntroState& s = INTRO_State;
    EXPECT_TRUE(Holds(s.weave, weave.pixels));
    EXPECT_TRUE(Holds(PAL_Target, brightened));
    EXPECT_TRUE(FIX_ShowsPalette(brightened));
    EXPECT_TRUE(Holds(s.pictures, logo.pixels));
    EXPECT_TRUE(Holds(s.pictures + INTRO_PICTURE_BYTES, logo.palette6));
    EXPECT_TRUE(Holds(s.pictures + INTRO_BLOCK_BYTES, title.pixels));
    EXPECT_TRUE(Holds(s.pictures + INTRO_BLOCK_BYTES + INTRO_PICTURE_BYTES, title.palette6));
    for (int r = 0; r < 256; r++)
        for (int c = 0; c < INTRO_TEXTURE_PITCH; c++) {
            const uint8_t want = r < 200 && c < 320 ? 0 : weave.pixels[(size_t)((r % 200) * 320 + c % 320)];
            ASSERT_EQ(s.texture[r * INTRO_TEXTURE_PITCH + c], want) << c << "," << r;
        }
}

TEST_F(IntroTest, StartBuildsTablesAndInstallsTheWeave)
{
    EXPECT_TRUE(IntroWeaveStart(10));
    const IntroState& s = INTRO_State;
    EXPECT_EQ(FrameHook, IntroWeaveFrame);
    EXPECT_EQ(s.p1, 17);
    EXPECT_EQ(s.p2, 93);
    EXPECT_EQ(s.amplitude, 0);
    EXPECT_EQ(s.mix[3 * 256 + 4], MixOf(3, 4));
    // Wave rows: floor(A cos(2 pi i / 256)), rounded down for negative values.
    const struct { int a, i, v; } waves[] = {
        {0, 37, 0}, {31, 0, 31}, {31, 128, -31}, {31, 64, 0}, {5, 100, -4}, {1, 1, 0}, {1, 129, -1}, {5, 128, -5},
    };
    for (const auto& w : waves)
        EXPECT_EQ(s.wave[w.a * 256 + w.i], w.v) << w.a << "," << w.i;
    // The texture tiles the weave picture, its top-left 320 x 200 cleared.
    for (int i = 0; i < 64000; i++)
        s.weave[i] = (uint8_t)(1 + i % 253);
    INTRO_BuildTexture();
    EXPECT_EQ(s.texture[210 * 512 + 330], s.weave[10 * 320 + 10]);
    EXPECT_EQ(s.texture[50 * 512 + 400], s.weave[50 * 320 + 80]);
    EXPECT_EQ(s.texture[255 * 512 + 511], s.weave[55 * 320 + 191]);
    EXPECT_EQ(s.texture[199 * 512 + 319], 0);
    EXPECT_EQ(s.texture[0], 0);
}

TEST_F(IntroTest, FirstFrameIsMixOfOldAndZeroEverywhere)
{
    std::vector<uint8_t> old(64000);
    for (int i = 0; i < 64000; i++)
        old[(size_t)i] = LLS_Screen[i] = (uint8_t)(i * 13 + i / 320);
    IntroWeaveStart(10);
    EXPECT_TRUE(IntroWeaveFrame(11));
    for (int i = 0; i < 64000; i++)
        ASSERT_EQ(LLS_Screen[i], MixOf(old[(size_t)i], 0)) << i;
    EXPECT_EQ(std::memcmp(LLS_VideoMemory, LLS_Screen, 64000), 0);
    // The frame is fed back into the texture's top-left corner.
    for (int y = 0; y < 200; y++)
        ASSERT_EQ(std::memcmp(INTRO_State.texture + y * 512, LLS_Screen + y * 320, 320), 0) << y;
}

TEST_F(IntroTest, PhasesAdvanceByElapsedTicksAndJump)
{
    IntroWeaveStart(10);
    IntroState& s = INTRO_State;
    s.accumulator = 0.0f;
    IntroWeaveFrame(11);
    EXPECT_EQ(s.p1, 19);
    EXPECT_EQ(s.p2, 96);
    IntroWeaveFrame(15);   // four ticks at once
    EXPECT_EQ(s.p1, 27);
    EXPECT_EQ(s.p2, 108);
    IntroWeaveFrame(15);   // no tick elapsed
    EXPECT_EQ(s.p1, 27);
    EXPECT_FLOAT_EQ(s.accumulator, 5 * 0.017f);
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(IntroWeaveJump(15));
    EXPECT_EQ(s.p1, (27 + 240) % 256);
    EXPECT_EQ(s.p2, (108 + 150) % 256);
}

// The accumulator gains 0.017 per tick: row 31 after 1824 ticks, and no further.
TEST_F(IntroTest, AmplitudeReaches31AndStays)
{
    IntroWeaveStart(0);
    IntroState& s = INTRO_State;
    s.accumulator = 0.0f;
    IntroWeaveFrame(1823);
    EXPECT_EQ(s.amplitude, 30);
    IntroWeaveFrame(1824);
    EXPECT_EQ(s.amplitude, 31);
    IntroWeaveFrame(20000);
    EXPECT_EQ(s.amplitude, 31);
    EXPECT_GT(s.accumulator, 300.0f);
}

// Row 20 at wave row 5 and phase 108: the horizontal shift is wave[128] = -5, so x = 0 reads
// texture column 507; each column's own vertical shift picks the texture row.
TEST_F(IntroTest, NegativeShiftWrapsToTheTexturesRightEdge)
{
    IntroWeaveStart(0);
    IntroState& s = INTRO_State;
    for (int i = 0; i < 65536; i++)
        s.mix[i] = (uint8_t)(i & 255);   // the result is the texture colour
    for (int i = 0; i < INTRO_TEXTURE_BYTES; i++)
        s.texture[i] = (uint8_t)(i * 7 + i / 512 * 3);
    std::vector<uint8_t> texture(s.texture, s.texture + INTRO_TEXTURE_BYTES);
    const int y = 20;
    s.amplitude = 5;
    s.p1 = 128 - y;
    s.p2 = 64;
    const int32_t* w = s.wave + 5 * 256;
    ASSERT_EQ(w[128], -5);
    IntroWeaveFrame(0);
    EXPECT_EQ(LLS_Screen[y * 320 + 0], texture[(size_t)(y * 512 + 507)]);   // wave[64] = 0
    for (int x = 0; x < 320; x++) {
        const int ty = (y + w[(64 + x) & 255]) & 255;
        ASSERT_EQ(LLS_Screen[y * 320 + x], texture[(size_t)(ty * 512 + ((x - 5) & 511))]) << x;
    }
}

TEST_F(IntroTest, MixFileMustHoldFullTable)
{
    const struct { const char* what; long size; } cases[] = {{"missing", -1}, {"short", 65535}, {"empty", 0}};
    for (const auto& c : cases) {
        std::remove("GFX/weave.mix");
        if (c.size >= 0)
            FIX_WriteFile("GFX/weave.mix", std::vector<uint8_t>((size_t)c.size, 9));
        AssertionStop stop = TEST_ExpectStop([] { IntroWeaveStart(0); });
        EXPECT_EQ(stop.expr, "!\"TEST\"") << c.what;
        EXPECT_EQ(stop.func, "Pow2") << c.what;
        EXPECT_EQ(stop.unit, "base") << c.what;
    }
    // A longer file gives its first 65536 bytes.
    std::vector<uint8_t> longer(70000, 1);
    longer[65535] = 42;
    FIX_WriteFile("GFX/weave.mix", longer);
    EXPECT_TRUE(IntroWeaveStart(0));
    EXPECT_EQ(INTRO_State.mix[65535], 42);
}

// Each picture as loaded from its own file: the logo's pixels on the screen and its palette
// brightened into the target, then the title's.
TEST_F(IntroTest, LogoThenTitleShowTheirPicturesBrightened)
{
    const std::vector<uint8_t> logoPalette = FIX_Brightened(logo.palette6);
    const std::vector<uint8_t> titlePalette = FIX_Brightened(title.palette6);
    IntroWeaveStart(0);
    IntroState& s = INTRO_State;

    EXPECT_TRUE(IntroShowLogo(0));
    EXPECT_EQ(FrameHook, nullptr);
    EXPECT_TRUE(Holds(LLS_VideoMemory, logo.pixels));
    EXPECT_TRUE(Holds(PAL_Target, logoPalette));
    EXPECT_EQ(s.wave, nullptr);
    EXPECT_EQ(s.texture, nullptr);
    EXPECT_EQ(s.mix, nullptr);
    EXPECT_EQ(s.weave, nullptr);
    ASSERT_NE(s.pictures, nullptr);

    EXPECT_TRUE(IntroShowTitle(0));
    EXPECT_TRUE(Holds(LLS_VideoMemory, title.pixels));
    EXPECT_TRUE(Holds(PAL_Target, titlePalette));
    EXPECT_EQ(s.pictures, nullptr);

    // The weave's frame after its end draws nothing.
    std::memset(LLS_Screen, 0x55, 64000);
    EXPECT_TRUE(IntroWeaveFrame(5));
    EXPECT_EQ(LLS_Screen[100 * 320 + 160], 0x55);

    // Out of order or repeated, they show nothing new and free nothing twice.
    std::memset(PAL_Target, 7, PAL_BYTES);
    EXPECT_TRUE(IntroShowTitle(0));
    EXPECT_TRUE(IntroShowLogo(0));
    EXPECT_EQ(PAL_Target[0], 7);
    EXPECT_EQ(LLS_Screen[100 * 320 + 160], 0x55);
}

}  // namespace
