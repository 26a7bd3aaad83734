// The feedback zoom: the row sampler's wrapping, the first two frames worked out by hand at
// phase 0 (a scaled point reflection averaged with the frame before), the fade-in and the
// phase, and a harmless end.
#include "common/picture_fixture.h"
#include "common/test_support.h"

#include "driver/demo.h"
#include "fx2d/feedback.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A texel that tells its row and column apart.
uint8_t Texel(int row, int col) { return (uint8_t)(row * 29 + col * 7 + (row >> 3)); }

// The mathematical wrap: floor of an 8.24 value, taken modulo 256 (never negative).
int Wrap(int64_t fixed)
{
    const int64_t whole = fixed >= 0 ? fixed >> 24 : -((-fixed + 0xFFFFFF) >> 24);
    return (int)(((whole % 256) + 256) % 256);
}

// Coordinates far outside 0..255 in both directions, steps of either sign and of many texels:
// each read is the texel at the floor of the unwrapped position, modulo 256, and the blend
// averages it with what was there. The source is exactly 65,536 bytes, so the sanitizer build
// also proves that no read leaves it.
TEST(FeedbackSampleRow, WrapsBothWaysAndAverages)
{
    std::vector<uint8_t> source(FEEDBACK_BYTES);
    for (int r = 0; r < 256; r++)
        for (int c = 0; c < 256; c++)
            source[(size_t)(r * 256 + c)] = Texel(r, c);
    FeedbackSource = source.data();
    const struct { int64_t u, v, du, dv; } cases[] = {
        {0, 0, 1 << 24, 0},                                  // one texel a step along a row
        {0x7FFFFFFF, 0x7FFFFFFF, 0x1400000, -0x1400000},     // from just below 128.0, across the sign
        {-0x80000000LL, 0xFFFFFF, -0x1680000, 0x3FFFFFF},    // the most negative start, 4-texel steps
        {-1, -1, -0x7FFFFFFF, 0x7FFFFFFF},                   // just below 0, steps of almost 128
        {0x12345678, -0x6543210, 0x00ABCDEF, -0x00FEDCBA},   // fractional steps
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> dest(300);
        for (size_t i = 0; i < dest.size(); i++)
            dest[i] = (uint8_t)(i * 13);
        FeedbackSampleRow(dest.data(), 256, (uint32_t)c.u, (uint32_t)c.v, (uint32_t)c.du, (uint32_t)c.dv);
        for (int i = 0; i < 256; i++) {
            // The unwrapped position: 2^32 in 8.24 is 256 texels, so it wraps alike.
            const int texel = Texel(Wrap(c.v + i * c.dv), Wrap(c.u + i * c.du));
            ASSERT_EQ(dest[(size_t)i], (texel + (uint8_t)(i * 13)) >> 1) << "case u " << c.u << " pixel " << i;
        }
        for (size_t i = 256; i < dest.size(); i++)
            ASSERT_EQ(dest[i], (uint8_t)(i * 13)) << "written past the count";
    }
    FeedbackSource = nullptr;
}

class FeedbackTest : public ::testing::Test {
protected:
    FIX_ScratchDir scratch;
    void SetUp() override
    {
        SINCOS_Init();
        LLS_Init(1, 5);   // what the still picture before it leaves
        FIX_WriteGIF("GFX/feedback.gif", 256, 256, 100, [](int x, int y) { return Texel(y, x); });
        std::memset(PAL_Current, 0, PAL_BYTES);
        PAL_Fading = 0;
        PAL_FadeSpeed = 1;
        FeedbackPhase = 0;
    }
    void TearDown() override { FeedbackEnd(0); }
};

TEST_F(FeedbackTest, StartFadesInTheLoadedPictureInModeZero)
{
    std::memset(PAL_Current, 9, PAL_BYTES);
    EXPECT_TRUE(FeedbackStart(700));
    EXPECT_EQ(FrameHook, FeedbackFrame);
    EXPECT_EQ(LLS_Mode, 0);
    EXPECT_EQ(LLS_Screen, LLS_VideoMemory);
    for (int i = 0; i < LLS_VIDEO_BYTES; i++)
        ASSERT_EQ(LLS_Screen[i], 0) << i;
    for (int i = 0; i < FEEDBACK_BYTES; i++) {
        ASSERT_EQ(FeedbackSource[i], Texel(i >> 8, i & 255)) << i;
        ASSERT_EQ(FeedbackTarget[i], FeedbackSource[i]) << i;
    }
    EXPECT_EQ(PAL_Target[0], 25);     // the file's 100, in 6 bits
    EXPECT_EQ(PAL_Current[0], 9);     // left as it was: the fade starts from what is shown
    EXPECT_EQ(PAL_Fading, 1);
    EXPECT_EQ(PAL_FadeSpeed, 2);
}

// At phase 0 the cosines land on exact table entries: the scale is 1.25, du = -1.25, dv = 0,
// the drift X is 127 and Y is 0. So screen pixel (x, y) samples the last frame at column
// 224 - 1.25x and row 32 - 1.25y, each just below (the starts end in ...FFFFFF), wrapped.
TEST_F(FeedbackTest, FirstFramesAverageTheReflectedLastFrameWithTheOneBefore)
{
    FeedbackStart(700);
    auto col = [](int x) { return Wrap(0xDFFFFFFF - x * (int64_t)0x1400000); };
    auto row = [](int y) { return Wrap(0x1FFFFFFF - y * (int64_t)0x1400000); };
    EXPECT_EQ(col(4), 218);    // just below 219
    EXPECT_EQ(row(199), 39);   // just below 32 - 248.75, that is -217, wrapped

    std::vector<uint8_t> picture(FeedbackSource, FeedbackSource + FEEDBACK_BYTES);
    std::vector<uint8_t> first(picture);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 256; x++)
            first[(size_t)(y * 256 + x)] = (uint8_t)((picture[(size_t)(row(y) * 256 + col(x))] + picture[(size_t)(y * 256 + x)]) >> 1);

    EXPECT_TRUE(FeedbackFrame(700));   // no tick elapsed: the phase stays 0
    EXPECT_EQ(FeedbackPhase, 0);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            const uint8_t want = x < 32 || x >= 288 ? 0 : first[(size_t)(y * 256 + x - 32)];
            ASSERT_EQ(LLS_VideoMemory[y * 320 + x], want) << x << "," << y;
        }
    // The rows below the window are never drawn: they keep the picture.
    ASSERT_EQ(std::memcmp(FeedbackSource, first.data(), FEEDBACK_BYTES), 0);

    // The second frame samples the first (its rows below the window still the picture) and
    // averages with the frame before it, the picture.
    FeedbackFrame(700);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 256; x++) {
            const int want = (first[(size_t)(row(y) * 256 + col(x))] + picture[(size_t)(y * 256 + x)]) >> 1;
            ASSERT_EQ(LLS_VideoMemory[y * 320 + 32 + x], want) << x << "," << y;
        }
}

TEST_F(FeedbackTest, PhaseRunsDownWithElapsedTicksAndIsNotReset)
{
    FeedbackStart(700);
    FeedbackFrame(703);
    EXPECT_EQ(FeedbackPhase, -3);
    std::vector<uint8_t> before(LLS_VideoMemory, LLS_VideoMemory + LLS_VIDEO_BYTES);
    FeedbackFrame(710);
    EXPECT_EQ(FeedbackPhase, -10);
    EXPECT_NE(std::memcmp(before.data(), LLS_VideoMemory, LLS_VIDEO_BYTES), 0) << "the picture moves";
    FeedbackEnd(0);
    FeedbackStart(2000);
    FeedbackFrame(2001);
    EXPECT_EQ(FeedbackPhase, -11);
}

TEST_F(FeedbackTest, EndIsHarmlessBeforeStartAndTwice)
{
    FrameHook = FeedbackFrame;
    EXPECT_TRUE(FeedbackEnd(0));
    EXPECT_EQ(FrameHook, nullptr);
    FeedbackStart(5);
    FeedbackStart(6);   // a second start replaces the buffers without leaking the first
    EXPECT_TRUE(FeedbackEnd(0));
    EXPECT_TRUE(FeedbackEnd(0));
    EXPECT_EQ(FrameHook, nullptr);
    EXPECT_EQ(FeedbackPicture, nullptr);
    EXPECT_EQ(FeedbackSource, nullptr);
    EXPECT_EQ(FeedbackTarget, nullptr);
    std::memset(LLS_Screen, 0x55, LLS_VIDEO_BYTES);
    EXPECT_TRUE(FeedbackFrame(10));   // a frame after the end draws nothing
    EXPECT_EQ(LLS_Screen[100 * 320 + 160], 0x55);
}

}  // namespace
