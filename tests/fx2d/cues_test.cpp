// Palette cues: the palette state each leaves, the fades they start, the sine brightening,
// the hooks and the still pictures.
#include "common/picture_fixture.h"
#include "common/test_support.h"

#include "driver/demo.h"
#include "fx2d/cues.h"
#include "platform/screen.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class CuesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LLS_Init(1, 0);
        PAL_Fading = 0;
        PAL_FadeSpeed = 1;
        PAL_FadeTick(100);   // the fade clock stands at tick 100
    }
    // A picture-like palette with distinct components in every entry.
    static void FillTarget()
    {
        for (int i = 0; i < 256; i++) {
            PAL_Target[3 * i] = (uint8_t)(i % 64);
            PAL_Target[3 * i + 1] = (uint8_t)((i * 3 + 5) % 64);
            PAL_Target[3 * i + 2] = (uint8_t)((i * 7 + 11) % 64);
        }
    }
    static bool All(const uint8_t* p, uint8_t v)
    {
        for (int i = 0; i < PAL_BYTES; i++)
            if (p[i] != v)
                return false;
        return true;
    }
};

TEST_F(CuesTest, NegativeFlashOnBlackStartsWhiteAndFadesToBlackIn63Ticks)
{
    std::memset(PAL_Target, 0, PAL_BYTES);
    std::memset(PAL_Current, 17, PAL_BYTES);
    PAL_FadeSpeed = 3;
    EXPECT_TRUE(CueNegativeFlash(100));
    EXPECT_TRUE(All(PAL_Current, 63));
    EXPECT_EQ(PAL_FadeSpeed, 1);
    EXPECT_TRUE(PAL_Fading);

    PAL_FadeTick(162);   // 62 ticks
    EXPECT_TRUE(All(PAL_Current, 1));
    EXPECT_TRUE(PAL_Fading);
    PAL_FadeTick(163);
    EXPECT_TRUE(All(PAL_Current, 0));
    EXPECT_FALSE(PAL_Fading);
    EXPECT_EQ(LLS_ColorTable[0], 0u);
}

TEST_F(CuesTest, FadeToBlackThenNegativeFlashFlashesWhiteToBlack)
{
    FillTarget();
    uint8_t picture[PAL_BYTES];
    std::memcpy(picture, PAL_Target, PAL_BYTES);

    EXPECT_TRUE(CueFadeToBlack(100));
    EXPECT_EQ(std::memcmp(PAL_Current, picture, PAL_BYTES), 0);
    EXPECT_TRUE(All(PAL_Target, 0));
    EXPECT_TRUE(PAL_Fading);
    EXPECT_EQ(PAL_FadeSpeed, 1);

    PAL_FadeTick(110);   // the fade is under way when the flash lands
    EXPECT_TRUE(CueNegativeFlash(110));
    EXPECT_TRUE(All(PAL_Current, 63));
    PAL_FadeTick(173);
    EXPECT_TRUE(All(PAL_Current, 0));
    EXPECT_FALSE(PAL_Fading);
}

TEST_F(CuesTest, WhiteFlashFadesFromWhiteIntoTheTarget)
{
    FillTarget();
    PAL_FadeSpeed = 4;
    EXPECT_TRUE(CueWhiteFlash(100));
    EXPECT_TRUE(All(PAL_Current, 63));
    EXPECT_EQ(PAL_FadeSpeed, 1);
    PAL_FadeTick(100 + 63);
    EXPECT_EQ(std::memcmp(PAL_Current, PAL_Target, PAL_BYTES), 0);
    EXPECT_FALSE(PAL_Fading);
}

TEST_F(CuesTest, ColourRotationsTurnEntriesAndUploadTheNegative)
{
    struct Case {
        EffectFn cue;
        int from[3];   // new component c is old component from[c]
    } cases[] = {
        {CueRotateColoursA, {2, 0, 1}},   // (r,g,b) -> (b,r,g)
        {CueRotateColoursB, {1, 2, 0}},   // (r,g,b) -> (g,b,r)
    };
    for (const Case& c : cases) {
        FillTarget();
        uint8_t old[PAL_BYTES];
        std::memcpy(old, PAL_Target, PAL_BYTES);
        PAL_FadeSpeed = 1;
        PAL_Fading = 0;
        EXPECT_TRUE(c.cue(100));
        for (int i = 0; i < 256; i++)
            for (int k = 0; k < 3; k++) {
                ASSERT_EQ(PAL_Target[3 * i + k], old[3 * i + c.from[k]]) << "entry " << i;
                ASSERT_EQ(PAL_Current[3 * i + k], 63 - PAL_Target[3 * i + k]) << "entry " << i;
            }
        // Uploaded at once: the colour table already shows the negative.
        for (int i = 0; i < 256; i++)
            ASSERT_EQ(LLS_ColorTable[i], ((uint32_t)PAL_Current[3 * i] << 18) |
                                             ((uint32_t)PAL_Current[3 * i + 1] << 10) |
                                             ((uint32_t)PAL_Current[3 * i + 2] << 2));
        EXPECT_EQ(PAL_FadeSpeed, 4);
        EXPECT_TRUE(PAL_Fading);
        // Three rotations cycle back to the picture's own colours.
        c.cue(100);
        c.cue(100);
        EXPECT_EQ(std::memcmp(PAL_Target, old, PAL_BYTES), 0);
    }
}

TEST_F(CuesTest, SineBrightenLiftsMiddleTonesAndIsNotIdempotent)
{
    const struct { uint8_t in, once, twice; } cases[] = {
        {0, 0, 0}, {1, 2, 3}, {16, 24, 35}, {32, 45, 56}, {63, 63, 63},
    };
    std::memset(PAL_Current, 9, PAL_BYTES);
    PAL_Fading = 0;
    for (const auto& c : cases) {
        std::memset(PAL_Target, c.in, PAL_BYTES);
        PaletteSineBrighten();
        EXPECT_TRUE(All(PAL_Target, c.once)) << int(c.in);
        PaletteSineBrighten();
        EXPECT_TRUE(All(PAL_Target, c.twice)) << int(c.in);
    }
    // Neither uploads nor touches the fade.
    EXPECT_TRUE(All(PAL_Current, 9));
    EXPECT_FALSE(PAL_Fading);
}

TEST_F(CuesTest, HookCuesInstallTheIdleHookOrClearIt)
{
    FrameHook = nullptr;
    EXPECT_TRUE(CueIdleHook(5));
    ASSERT_NE(FrameHook, nullptr);
    EXPECT_TRUE(FrameHook(6));
    for (EffectFn clearing : {CueStopHook, CueEndShow}) {
        CueIdleHook(5);
        EXPECT_TRUE(clearing(5));
        EXPECT_EQ(FrameHook, nullptr);
    }
}

// The still pictures: 640 x 480 on a page, the picture's pixels in place (the closing one
// centred, 140 black columns either side), its own palette as the target, shown black and
// faded in at speed 1. The two files differ in pixels and palette.
TEST_F(CuesTest, StillPicturesLoadTheirPictureAndFadeItIn)
{
    FIX_ScratchDir scratch;
    const FIX_Picture freestyle = FIX_WriteSeededGIF("GFX/FREESTYL.GIF", 640, 480, 2);
    const FIX_Picture kolde = FIX_WriteSeededGIF("GFX/KOLDE640.GIF", 360, 480, 3);
    const struct {
        EffectFn cue;
        const FIX_Picture* picture;
        int left;   // the picture's first screen column
    } cases[] = {{CueShowFreestyle, &freestyle, 0}, {CueShowKolde, &kolde, 140}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture->width);
        LLS_Init(1, 0);
        PAL_Fading = 0;
        PAL_FadeTick(100);   // the fade clock at tick 100
        PAL_FadeSpeed = 4;
        std::memset(PAL_Current, 40, PAL_BYTES);
        std::memset(PAL_Target, 9, PAL_BYTES);
        FrameHook = CUE_Idle;
        EXPECT_TRUE(c.cue(100));
        EXPECT_EQ(LLS_Mode, 5);
        EXPECT_EQ(LLS_Size, 640 * 480);
        EXPECT_EQ(LLS_Screen, LLS_Page1);
        const FIX_Picture& p = *c.picture;
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++) {
                const bool inside = x >= c.left && x < c.left + p.width;
                ASSERT_EQ(LLS_Screen[y * 640 + x], inside ? p.pixels[(size_t)(y * p.width + x - c.left)] : 0)
                    << x << "," << y;
            }
        EXPECT_TRUE(std::equal(p.palette6.begin(), p.palette6.end(), PAL_Target)) << "the file's palette, as loaded";
        EXPECT_TRUE(All(PAL_Current, 0));
        EXPECT_TRUE(FIX_ShowsPalette(std::vector<uint8_t>(PAL_BYTES, 0))) << "shown black at once";
        EXPECT_TRUE(PAL_Fading);
        EXPECT_EQ(PAL_FadeSpeed, 1);
        EXPECT_EQ(FrameHook, CUE_Idle);
        // 63 ticks of the fade later the picture's own colours show.
        PAL_FadeTick(100 + 63);
        EXPECT_TRUE(FIX_ShowsPalette(p.palette6));
    }
}

TEST_F(CuesTest, KoldeIsPlacedInTheMiddleColumns)
{
    LLS_Init(1, 5);
    std::memset(LLS_Screen, 0, (size_t)LLS_Size);
    std::vector<uint8_t> picture(CUE_KOLDE_WIDTH * CUE_KOLDE_HEIGHT);
    for (int y = 0; y < CUE_KOLDE_HEIGHT; y++)
        for (int x = 0; x < CUE_KOLDE_WIDTH; x++)
            picture[(size_t)(y * CUE_KOLDE_WIDTH + x)] = (uint8_t)(1 + (x * 3 + y * 5) % 251);
    CUE_PlaceKolde(picture.data());
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            uint8_t want = (x >= 140 && x < 500) ? picture[(size_t)(y * 360 + x - 140)] : 0;
            ASSERT_EQ(LLS_Screen[y * 640 + x], want) << x << "," << y;
        }
}

}  // namespace
