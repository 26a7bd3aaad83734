// The glow lights: palette and blob, saturating and clipped drawing, the gravity step, and
// the centre body that pulls but never moves or shows.
#include "driver/demo.h"
#include "fx2d/glow.h"
#include "fx2d/shake.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

class GlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LLS_Init(1, 0);
        SHAKE_Amplitude = 0;   // plain copies: the display shows the drawn frame
        PAL_Fading = 1;
        ASSERT_TRUE(GlowStart(0));
        ASSERT_EQ(FrameHook, GlowFrame);
    }
    void TearDown() override { FrameHook = nullptr; }

    // Parks every light far from the screen and from each other, so only the ones a test
    // places matter (the pull of a parked light is below 1e-9 pixels per frame).
    static void ParkLights()
    {
        for (int i = 0; i < GLOW_LIGHTS; i++)
            GlowBodies[i] = GlowBody{-1.0e5f - 1.0e4f * (float)i, -1.0e5f, 0.0f, 0.0f, 1.0f};
    }
    static int Blob(int u, int v) { return GlowBlob[v * GLOW_BLOB_SIZE + u]; }
};

TEST_F(GlowTest, StartShowsTheGreenToWhitePaletteAtOnce)
{
    EXPECT_EQ(PAL_Fading, 0);
    const uint8_t* p = PAL_Target;
    EXPECT_EQ(p[0] + p[1] + p[2], 0);
    static const int green[3] = {27, 63, 7};
    for (int c = 0; c < 3; c++) {
        EXPECT_NEAR(p[3 * 63 + c], green[c], 1);
        EXPECT_GE(p[3 * 127 + c], 62);
    }
    for (int i = 1; i < 256; i++)
        for (int c = 0; c < 3; c++)
            ASSERT_GE(p[3 * i + c], p[3 * (i - 1) + c]) << i;   // brighter all the way up
    for (int i = 128; i < 256; i++)
        ASSERT_EQ(std::memcmp(p + 3 * i, p + 3 * 127, 3), 0) << i;
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(LLS_ColorTable[i],
                  (uint32_t)p[3 * i] << 18 | (uint32_t)p[3 * i + 1] << 10 | (uint32_t)p[3 * i + 2] << 2);

    // The blob: 40 at the centre, falling to 0 at the rim and outside it, round.
    EXPECT_EQ(Blob(32, 32), 40);
    EXPECT_EQ(Blob(0, 32), 0);
    EXPECT_EQ(Blob(1, 1), 0);
    for (int v = 1; v < 64; v++)
        for (int u = 1; u < 64; u++) {
            ASSERT_EQ(Blob(u, v), Blob(64 - u, v));
            ASSERT_EQ(Blob(u, v), Blob(v, u));
        }
    EXPECT_GT(Blob(32, 10), 0);
    EXPECT_LT(Blob(32, 10), Blob(32, 20));

    // Start positions: the lights in the middle half of the screen, the centre body at rest.
    for (int i = 0; i < GLOW_LIGHTS; i++) {
        EXPECT_TRUE(GlowBodies[i].x >= 80 && GlowBodies[i].x < 240 && GlowBodies[i].y >= 50 && GlowBodies[i].y < 150);
        EXPECT_EQ(GlowBodies[i].mass, 1.0f);
    }
    EXPECT_EQ(GlowBodies[31].x, 160.0f);
    EXPECT_EQ(GlowBodies[31].mass, 80.0f);
}

TEST_F(GlowTest, OverlappingBlobsSaturateAt127AndTheCentreIsNeverDrawn)
{
    ParkLights();
    GlowBodies[0].x = 40.7f;   // one light, truncated to (40, 150)
    GlowBodies[0].y = 150.9f;
    for (int i = 1; i <= 4; i++) {   // four on one spot
        GlowBodies[i].x = 250.0f;
        GlowBodies[i].y = 60.0f;
    }
    std::memset(LLS_Screen, 99, 64000);   // the frame starts from black, whatever was there
    GlowFrame(1);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            int want = 0;
            if (x >= 8 && x < 72 && y >= 118 && y < 182)
                want = Blob(x - 8, y - 118);
            if (x >= 218 && x < 282 && y >= 28 && y < 92)
                want = std::min(4 * Blob(x - 218, y - 28), 127);
            ASSERT_EQ(LLS_VideoMemory[y * 320 + x], want) << x << "," << y;
        }
    EXPECT_EQ(LLS_VideoMemory[60 * 320 + 250], 127);
}

TEST_F(GlowTest, BlobsAreClippedOnEverySide)
{
    std::vector<uint8_t> block(64000 + 2 * 4096, 0x33);
    uint8_t* picture = block.data() + 4096;
    const struct {
        int32_t cx, cy;
    } positions[] = {
        {-31, 100}, {-32, 100}, {-33, 100}, {351, 100}, {352, 100}, {300, 5}, {10, 190},
        {160, -32}, {160, 231}, {-20, -20}, {339, 219}, {0, 0}, {319, 199},
        {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MAX, 100}, {100, INT32_MIN},
    };
    for (const auto& p : positions) {
        SCOPED_TRACE(testing::Message() << p.cx << "," << p.cy);
        std::fill(block.begin(), block.end(), 0x33);
        std::memset(picture, 100, 64000);
        GLOW_AddBlob(picture, p.cx, p.cy);
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                const int64_t u = (int64_t)x - p.cx + 32, v = (int64_t)y - p.cy + 32;
                const int add = u >= 0 && u < 64 && v >= 0 && v < 64 ? Blob((int)u, (int)v) : 0;
                ASSERT_EQ(picture[y * 320 + x], std::min(100 + add, 127)) << x << "," << y;
            }
        for (size_t i = 0; i < 4096; i++) {
            ASSERT_EQ(block[i], 0x33);
            ASSERT_EQ(block[block.size() - 1 - i], 0x33);
        }
    }
}

TEST_F(GlowTest, LightsFarOffOrBrokenDownDrawNothing)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float xs[] = {std::nanf(""), inf, -inf, 1e30f, -1e30f, 3e9f, -3e9f};
    for (int i = 0; i < GLOW_LIGHTS; i++) {
        GlowBodies[i].x = xs[i % 7];
        GlowBodies[i].y = xs[(i / 7) % 7];
    }
    GlowFrame(1);
    for (int i = 0; i < 64000; i++)
        ASSERT_EQ(LLS_VideoMemory[i], 0) << i;
}

// One step from rest: the pull of the centre body of mass 80, with the squared distance
// held at 1000 or more.
TEST_F(GlowTest, GravityPullsTowardTheCentreBody)
{
    const struct {
        float dx;      // start offset from the centre, along x
        float accel;   // expected velocity after one step
    } cases[] = {
        {100.0f, -80.0f / (100.0f * 100.0f)},
        {-60.0f, 80.0f / (60.0f * 60.0f)},
        {5.0f, -80.0f * 5.0f / (1000.0f * std::sqrt(1000.0f))},   // inside the floor
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dx);
        ParkLights();
        GlowBodies[0] = GlowBody{160.0f + c.dx, 100.0f, 0.0f, 0.0f, 1.0f};
        GLOW_Step();
        EXPECT_NEAR(GlowBodies[0].vx, c.accel, std::fabs(c.accel) * 1e-4);
        EXPECT_NEAR(GlowBodies[0].x, 160.0f + c.dx + c.accel, 1e-4);
        EXPECT_NEAR(GlowBodies[0].vy, 0.0f, 1e-8);
        EXPECT_EQ(GlowBodies[31].x, 160.0f);
        EXPECT_EQ(GlowBodies[31].y, 100.0f);
    }
}

TEST_F(GlowTest, ALightAboveTheScreenFallsBackIntoView)
{
    ParkLights();
    GlowBodies[0] = GlowBody{160.0f, -40.0f, 0.0f, 0.0f, 1.0f};
    int frames = 0;
    bool seen = false;
    while (!seen && frames < 500) {
        GlowFrame((uint32_t)frames++);
        seen = std::any_of(LLS_VideoMemory, LLS_VideoMemory + 64000, [](uint8_t p) { return p != 0; });
    }
    EXPECT_TRUE(seen) << "after " << frames << " frames the light is at y = " << GlowBodies[0].y;
    EXPECT_GT(frames, 10);   // it was off the screen and had to fall
    EXPECT_EQ(GlowBodies[31].x, 160.0f);
    EXPECT_EQ(GlowBodies[31].vx, 0.0f);
}

}  // namespace
