// The progressive scene: the blend test between neighbours, the passes' coverage of one
// phase per tick, the black bottom rows, growing the scene, and the effect's lifecycle.
#include "common/test_support.h"
#include "driver/demo.h"
#include "fx3d/raytrace.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

class RayScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        LLS_Init(1, 0);
        RAY_ResetScene();
    }
    void TearDown() override
    {
        RAY_Stop(0);
        RAY_ResetScene();
    }
};

TEST_F(RayScene, NeighboursBlendWhenTheyAgreeOtherwiseThePixelIsCast)
{
    // Pixel 1 between neighbours 0 and 2; its own ray meets a sphere lit head-on (shade 255,
    // solid 0 at t = 4), so a cast is told apart from every blend.
    float dirs[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    RAY_Pixel records[3];
    RAY_Directions = dirs;
    RAY_Pixels = records;
    RAY_Objects[0] = RAY_Object{0, 0, 5, 1, 0, 0, RAY_HitSphere, 0};
    RAY_ObjectCount = 1;
    RAY_Lights[0] = RAY_Light{0, 0, 0};
    RAY_LightCount = 1;
    RAY_PrepareSpheres();

    const float inf = std::numeric_limits<float>::infinity();
    const struct { uint8_t a, b; int32_t ia, ib; float ta, tb; bool blend; } cases[] = {
        {100, 120, 2, 2, 5.0f, 5.0f, true},
        {120, 100, 2, 2, 5.0f, 5.0f, true},
        {100, 121, 2, 2, 5.0f, 5.0f, false},
        {100, 100, 2, 3, 5.0f, 5.0f, false},
        {100, 100, 2, 2, 5.0f, 6.9f, true},      // distances 1.9 apart
        {100, 100, 2, 2, 7.0f, 5.1f, true},
        {100, 100, 2, 2, 5.0f, 7.0f, false},     // 2.0 apart
        {100, 100, 2, 2, 7.5f, 5.5f, false},
        {60, 60, -1, -1, RAY_FAR, RAY_FAR, true},    // background blends with background
        {100, 100, 3, 3, 1e30f, 3e30f, false},   // a plane seen edge-on, far beyond any integer
        {100, 100, 3, 3, 3e9f, 3e9f, true},
        {100, 100, 3, 3, inf, inf, false},
    };
    for (const auto& c : cases) {
        LLS_Screen[0] = c.a;
        LLS_Screen[2] = c.b;
        records[0] = {c.ia, c.ta};
        records[2] = {c.ib, c.tb};
        RAY_BlendOrCast(1, 0, 2);
        if (c.blend) {
            EXPECT_EQ(LLS_Screen[1], (c.a + c.b) >> 1) << (int)c.a << "/" << (int)c.b << " " << c.ta << "/" << c.tb;
            EXPECT_EQ(records[1].index, c.ia);
            EXPECT_FLOAT_EQ(records[1].t, (c.tb + c.ta) * 0.5f);
        } else {
            EXPECT_EQ(LLS_Screen[1], 255) << (int)c.a << "/" << (int)c.b << " " << c.ta << "/" << c.tb;
            EXPECT_EQ(records[1].index, 0);
            EXPECT_FLOAT_EQ(records[1].t, 4.0f);
        }
    }
    RAY_Directions = nullptr;
    RAY_Pixels = nullptr;
}

TEST_F(RayScene, EachTickFillsOnePhaseAndTheBottomRowsStayBlack)
{
    RAY_Start(0);
    EXPECT_EQ(FrameHook, RAY_Frame);
    for (int i = 0; i < 320 * 200; i++)
        RAY_Pixels[i].index = -7;   // not written yet

    for (uint32_t tick = 1; tick <= 4; tick++) {
        const uint32_t c = RAY_PassCounter[0];
        const int p = (int)(c & 1), q = (int)((c >> 1) & 1);
        std::vector<int32_t> before(320 * 200);
        for (int i = 0; i < 320 * 200; i++)
            before[(size_t)i] = RAY_Pixels[i].index;
        EXPECT_TRUE(RAY_Frame(tick));
        for (int k = 0; k < RAY_PASSES; k++)
            EXPECT_EQ(RAY_PassCounter[k], c + 1);

        int lit = 0;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                const int i = y * 320 + x;
                if ((x & 1) == q && (y & 1) == p) {
                    ASSERT_NE(RAY_Pixels[i].index, -7) << "tick " << tick << " (" << x << ", " << y << ")";
                    lit += LLS_Screen[i] != 0;
                } else {
                    ASSERT_EQ(RAY_Pixels[i].index, before[(size_t)i]) << "another phase's (" << x << ", " << y << ")";
                    if (tick == 1) {
                        ASSERT_EQ(LLS_Screen[i], 0) << "black until its phase comes round";
                    }
                }
            }
        EXPECT_GT(lit, 10000);
        for (int i = 195 * 320; i < 64000; i++) {
            ASSERT_EQ(LLS_Screen[i], 0);
            ASSERT_EQ(LLS_VideoMemory[i], 0) << "rows 195-199 are shown black";
        }
    }
    for (int i = 0; i < 320 * 200; i++)
        ASSERT_NE(RAY_Pixels[i].index, -7) << "four ticks cover every pixel";
}

TEST_F(RayScene, GrowAddsThreeSolidsAndALightThenNothing)
{
    for (int i = 0; i < 3; i++)
        RAY_Grow(0);
    EXPECT_EQ(RAY_ObjectCount, 8);
    EXPECT_EQ(RAY_LightCount, 2);
    EXPECT_FLOAT_EQ(RAY_Objects[1].size, 0.6144f);
    RAY_Object objects[RAY_MAX_OBJECTS];
    std::memcpy(objects, RAY_Objects, sizeof objects);
    EXPECT_TRUE(RAY_Grow(0));
    EXPECT_EQ(RAY_ObjectCount, 8);
    EXPECT_EQ(RAY_LightCount, 2);
    EXPECT_EQ(std::memcmp(objects, RAY_Objects, sizeof objects), 0);
}

TEST_F(RayScene, StartPlacesTheSceneAndTheFramesFollowTheTimeSinceStart)
{
    std::memset(LLS_ColorTable, 0, sizeof LLS_ColorTable);
    RAY_Start(1000);
    EXPECT_FLOAT_EQ(RAY_FocalX, 400.0f);
    EXPECT_FLOAT_EQ(RAY_FocalY, 1000.0f / 3.0f);
    // The scene at t = 0; the palette (black through orange to white, brightened) waits for
    // a cue to fade it in.
    EXPECT_FLOAT_EQ(RAY_Objects[0].x, 1.2f);
    EXPECT_FLOAT_EQ(RAY_Objects[1].y, 0.5f);
    EXPECT_FLOAT_EQ(RAY_Objects[2].size, 1.5f);
    EXPECT_FLOAT_EQ(RAY_Objects[3].x, 1.0f);
    EXPECT_FLOAT_EQ(RAY_Lights[0].x, 1.5f);
    EXPECT_FLOAT_EQ(RAY_Lights[0].z, 5.0f);
    EXPECT_EQ(PAL_Target[0], 0);
    EXPECT_EQ(PAL_Target[3 * 255], 63);
    EXPECT_EQ(PAL_Target[3 * 128 + 1], 39) << "27, brightened";
    EXPECT_EQ(LLS_ColorTable[255], 0u) << "not uploaded";

    // A frame 200 ticks on moves the scene to t = 1 for the next one.
    RAY_Frame(1200);
    EXPECT_FLOAT_EQ(RAY_Lights[0].x, (float)(1.5 * std::cos(3.0)));
    EXPECT_FLOAT_EQ(RAY_Objects[3].y, std::sin(1.0f));
}

TEST_F(RayScene, FramesWithoutTablesOrInAnotherModeDrawNothing)
{
    RAY_Start(0);
    RAY_Stop(5);
    EXPECT_EQ(FrameHook, nullptr);
    EXPECT_EQ(RAY_Directions, nullptr);
    EXPECT_EQ(RAY_Pixels, nullptr);
    RAY_Resume(6);
    EXPECT_EQ(FrameHook, RAY_Frame);
    const uint32_t c = RAY_PassCounter[0];
    EXPECT_TRUE(RAY_Frame(7));
    EXPECT_EQ(RAY_PassCounter[0], c) << "nothing to cast into";

    // The mode changed under the tables; then 640 x 480 with no page, where the screen is
    // only the 64000-byte video memory.
    RAY_Start(0);
    LLS_Init(1, 5);
    EXPECT_TRUE(RAY_Frame(8));
    LLS_Init(0, 5);
    RAY_Start(0);
    EXPECT_TRUE(RAY_Frame(9));
    EXPECT_EQ(RAY_PassCounter[0], c);
    FrameHook = nullptr;
}

}  // namespace
