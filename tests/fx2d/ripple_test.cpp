// The polar ripple: the polar map's angles and distances, the picture and palette it loads,
// the calm first frame, the moving waves, the side columns that stay cleared, and a harmless
// repeated end.
#include "common/picture_fixture.h"
#include "common/test_support.h"

#include "driver/demo.h"
#include "fx2d/polarmap.h"
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

TEST(PolarMap, AnglesAndDistances)
{
    std::vector<uint8_t> map(POLAR_MAP_BYTES);
    POLAR_BuildMap(map.data());
    const struct { int x, y, a, d; } cases[] = {
        {128, 100, 192, 0},    // the centre: atan2(0, 0) = 0
        {128, 50, 0, 50},      // straight above: 256 wraps to 0
        {128, 0, 0, 100},
        {228, 100, 192, 100},  // right
        // Left and below: the quarter and half turns land exactly, not one unit short
        // (the lower end of the angle range is 64).
        {0, 100, 64, 128},
        {128, 199, 128, 99},
        {131, 104, -1, 5},     // an exact integer distance
        {0, 0, -1, 162},       // the farthest corners
        {255, 199, -1, 161},
    };
    for (const auto& c : cases) {
        const uint8_t* rec = &map[(size_t)(2 * (c.y * 256 + c.x))];
        if (c.a >= 0) {
            EXPECT_EQ(rec[0], c.a) << c.x << "," << c.y;
        }
        EXPECT_EQ(rec[1], c.d) << c.x << "," << c.y;
    }
    for (int y = 0; y < 100; y++)
        EXPECT_EQ(map[(size_t)(2 * (y * 256 + 128))], 0) << "above the centre, row " << y;
}

// Length 0 (row 63) moves nothing; length 1 (row 64) moves only at angle entry 0, one row down.
TEST(PolarOffsetsTable, ShortLengthsBarelyMove)
{
    std::vector<int32_t> offsets(RIPPLE_OFFSET_ROWS * 256);
    RIPPLE_BuildOffsets(offsets.data());
    for (int a = 0; a < 256; a++) {
        EXPECT_EQ(offsets[(size_t)(63 * 256 + a)], 0) << a;
        EXPECT_EQ(offsets[(size_t)(64 * 256 + a)], a == 0 ? 256 : 0) << a;
    }
    EXPECT_EQ(offsets[127 * 256 + 0], 64 * 256);
    EXPECT_EQ(offsets[0 * 256 + 0], -63 * 256);
}

class RippleTest : public ::testing::Test {
protected:
    FIX_ScratchDir scratch;
    FIX_Picture picture;
    void SetUp() override
    {
        SINCOS_Init();
        LLS_Init(1, 0);
        SHAKE_Amplitude = 0;   // no shake: the display is a plain copy
        picture = FIX_WriteSeededGIF("GFX/ripp2.gif", 256, 256, 1);
        std::memset(LLS_Screen, 0x77, 64000);
    }
    void TearDown() override { RippleEnd(0); }
    // A picture with no zero pixel, so every written window pixel is nonzero.
    static void PlantTexture()
    {
        for (int i = 0; i < RIPPLE_TEXTURE_BYTES; i++)
            RippleTexture[i] = (uint8_t)(1 + (i * 37 + (i >> 8) * 11) % 255);
    }
};

TEST_F(RippleTest, StartLoadsThePictureAndShowsItsBrightenedPalette)
{
    const std::vector<uint8_t> brightened = FIX_Brightened(picture.palette6);
    std::memset(PAL_Target, 5, PAL_BYTES);
    EXPECT_TRUE(RippleStart(500));
    EXPECT_EQ(FrameHook, RippleFrame);
    ASSERT_NE(RipplePolarMap, nullptr);
    ASSERT_NE(PolarOffsets, nullptr);
    ASSERT_NE(RippleTexture, nullptr);
    for (int i = 0; i < 64000; i++)
        ASSERT_EQ(LLS_Screen[i], 0) << i;
    EXPECT_TRUE(std::equal(picture.pixels.begin(), picture.pixels.end(), RippleTexture));
    EXPECT_TRUE(std::equal(brightened.begin(), brightened.end(), PAL_Target));
    EXPECT_TRUE(FIX_ShowsPalette(brightened)) << "shown at once, without a fade";
}

// At t = 0 both strengths are 0: each pixel reads its own texel, except at angle entry 192
// (the swirl term's quarter turn lands on entry 0) and angle entry 0, one row down each.
TEST_F(RippleTest, FirstFrameIsCalm)
{
    RippleStart(500);
    PlantTexture();
    EXPECT_TRUE(RippleFrame(500));
    std::vector<uint8_t> map(POLAR_MAP_BYTES);
    POLAR_BuildMap(map.data());
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 256; x++) {
            const int a = map[(size_t)(2 * (y * 256 + x))];
            const uint32_t index = (uint32_t)(y * 256 + x + (a == 192 ? 256 : 0) + (a == 0 ? 256 : 0));
            ASSERT_EQ(LLS_Screen[y * 320 + 32 + x], RippleTexture[index & 0xFFFF]) << x << "," << y;
        }
    EXPECT_EQ(std::memcmp(LLS_VideoMemory, LLS_Screen, 64000), 0);
}

// The wave rows at a few times, worked out independently of this code from the formulas'
// single- and double-precision steps, at values well away from a truncation boundary: each row
// holds (length + 64) * 256, the swirl's length trunc(sin((i - t) pi / 44) m1) and the
// pull's trunc((sin((i - t) pi / 64) + 1) m2), m1 following cos(t pi / 554) and m2
// cos(t pi / 874). Swapped strengths or periods, or waves running inward, change them.
TEST_F(RippleTest, WavesTravelOutwardAndSwellAtTheirOwnPace)
{
    const struct {
        uint32_t t;
        int i, swirl, pull;
    } cases[] = {
        {300, 0, -9, 1},  {300, 90, -11, 14}, {300, 175, -8, 9},   {700, 0, 7, 23},
        {700, 85, 1, 55}, {700, 170, -3, 6},  {4000, 92, -15, 23}, {4000, 166, 11, 25},
    };
    RippleStart(1000);
    for (const auto& c : cases) {
        RippleFrame(1000 + c.t);
        EXPECT_EQ(RippleWave1[c.i], (c.swirl + 64) * 256) << "t " << c.t << ", distance " << c.i;
        EXPECT_EQ(RippleWave2[c.i], (c.pull + 64) * 256) << "t " << c.t << ", distance " << c.i;
    }
}

// In the column above the centre (angle 0) the pull points straight down, toward the centre,
// and the swirl straight across: with a picture whose every texel holds its row number, each
// pixel there shows the row its pull length reached, whatever the swirl does. Giving the
// swirl's length to the pull (the two terms swapped) shows other rows.
TEST_F(RippleTest, PullRunsTowardTheCentreAndSwirlAlongTheCircle)
{
    RippleStart(1000);
    for (int i = 0; i < RIPPLE_TEXTURE_BYTES; i++)
        RippleTexture[i] = (uint8_t)(i >> 8);
    std::vector<uint8_t> map(POLAR_MAP_BYTES);
    POLAR_BuildMap(map.data());
    for (uint32_t t : {300u, 700u, 4000u}) {
        RippleFrame(1000 + t);
        int lengthsDiffer = 0;
        for (int y = 0; y < 100; y++) {
            const size_t record = 2 * (size_t)(y * 256 + 128);
            ASSERT_EQ(map[record], 0) << "above the centre";
            const int d = map[record + 1];
            // Row 64 + m of the offsets is a length of 1 + m pixels.
            const int pull = RippleWave2[d] / 256 - 63;
            const int swirl = RippleWave1[d] / 256 - 63;
            lengthsDiffer += pull != swirl;
            EXPECT_EQ(LLS_Screen[y * 320 + 32 + 128], (uint8_t)(y + pull)) << "t " << t << ", row " << y;
        }
        EXPECT_GT(lengthsDiffer, 50) << "t " << t;
    }
}

TEST_F(RippleTest, SideColumnsStayClearedAndTheWindowIsFilled)
{
    RippleStart(1000);
    PlantTexture();
    for (uint32_t t : {1u, 137u, 554u, 5000u, 70000u, 0xFFFFFF00u}) {
        RippleFrame(1000 + t);
        for (int y = 0; y < 200; y++) {
            const uint8_t* row = LLS_Screen + y * 320;
            for (int x = 0; x < 320; x++) {
                if (x < 32 || x >= 288)
                    ASSERT_EQ(row[x], 0) << "t " << t << " at " << x << "," << y;
                else
                    ASSERT_NE(row[x], 0) << "t " << t << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(RippleTest, EndIsHarmlessTwiceAndBeforeStart)
{
    for (int run = 0; run < 2; run++) {
        FrameHook = RippleFrame;
        EXPECT_TRUE(RippleEnd(0));   // the first run: nothing started yet
        EXPECT_EQ(FrameHook, nullptr);
        EXPECT_EQ(RippleTexture, nullptr);
        RippleStart(0);
        EXPECT_TRUE(RippleEnd(0));
        EXPECT_TRUE(RippleEnd(0));
        EXPECT_EQ(FrameHook, nullptr);
        EXPECT_EQ(RipplePolarMap, nullptr);
        EXPECT_EQ(PolarOffsets, nullptr);
        EXPECT_EQ(RippleTexture, nullptr);
    }
    // A frame after the end draws nothing.
    std::memset(LLS_Screen, 0x55, 64000);
    EXPECT_TRUE(RippleFrame(10));
    EXPECT_EQ(LLS_Screen[100 * 320 + 160], 0x55);
}

}  // namespace
