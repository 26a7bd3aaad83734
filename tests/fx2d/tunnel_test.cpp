// The circle tunnel: the ranges of the remapping tables over many times (their wraps, and
// 0/0 in mode 3), the frame drawn in the mode the counter selects, the counter across starts
// and ends, and a harmless end.
#include "common/picture_fixture.h"
#include "common/test_support.h"

#include "driver/demo.h"
#include "fx2d/polarmap.h"
#include "fx2d/tunnel.h"
#include "platform/screen.h"

#include <cstring>
#include <vector>

namespace {

const uint32_t kTimes[] = {0, 1, 37, 40, 448, 1000, 123457, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};

// The stored byte as the signed offset from base it stands for (-128..127).
int Offset(uint8_t stored, int base) { return (int8_t)(uint8_t)(stored - base); }

TEST(TunnelRemap, RowsAndColumnsStayInTheirRanges)
{
    std::vector<uint8_t> remap(TUNNEL_REMAP_BYTES);
    for (uint32_t t : kTimes) {
        // Mode 0: row = d + k with k in 5..25, kept to 8 bits; column = a + up to 30 either way.
        TUNNEL_BuildRemap(0, t, remap.data());
        for (int i = 0; i < 256; i++) {
            ASSERT_GE(Offset(remap[(size_t)i], i), 5) << "t " << t << " d " << i;
            ASSERT_LE(Offset(remap[(size_t)i], i), 25) << "t " << t << " d " << i;
            ASSERT_LE(std::abs(Offset(remap[(size_t)(256 + i)], i)), 30) << "t " << t << " a " << i;
        }
        // Modes 1 to 3: the depth 256 k / (k + d) with k in its mode's range; at d = 0 it is
        // 256 (or 0/0), stored as 0.
        const struct { int mode; float kmin, kmax; } depth[] = {{1, 5, 45}, {2, 10, 40}, {3, 0, 20}};
        for (const auto& m : depth) {
            TUNNEL_BuildRemap(m.mode, t, remap.data());
            ASSERT_EQ(remap[0], 0) << "mode " << m.mode << " t " << t;
            for (int d = 1; d < 256; d++) {
                ASSERT_GE(remap[(size_t)d], (int)(256 * m.kmin / (m.kmin + d)) - 1) << m.mode << " t " << t << " d " << d;
                ASSERT_LE(remap[(size_t)d], (int)(256 * m.kmax / (m.kmax + d))) << m.mode << " t " << t << " d " << d;
            }
        }
        TUNNEL_BuildRemap(1, t, remap.data());
        for (int a = 0; a < 256; a++)
            ASSERT_LE(std::abs(Offset(remap[(size_t)(256 + a)], a)), 10) << "mode 1 t " << t << " a " << a;
    }
}

// In mode 3, k = 10 cos((d - t) pi / 40) + 10 is 0 where d - t is 40 modulo 80: at t = 40 the
// centre's entry is 256 * 0 / (0 + 0) and stores 0, and d = 80 stores 0 / 80 = 0. At t = 0 the
// centre has k = 20, 256 k / k = 256, stored as 0 too.
TEST(TunnelRemap, ModeThreeStoresZeroWhereTheDepthVanishes)
{
    std::vector<uint8_t> remap(TUNNEL_REMAP_BYTES, 0xAA);
    TUNNEL_BuildRemap(3, 40, remap.data());
    EXPECT_EQ(remap[0], 0);
    EXPECT_EQ(remap[80], 0);
    EXPECT_EQ(remap[160], 0);
    EXPECT_GT(remap[40], 0);   // there k is 20: 256 * 20 / 60
    TUNNEL_BuildRemap(3, 0, remap.data());
    EXPECT_EQ(remap[0], 0);
    EXPECT_EQ(remap[1], 243);   // 256 * 19.98... / 20.98...: k is nearly 20
}

class TunnelTest : public ::testing::Test {
protected:
    FIX_ScratchDir scratch;
    std::vector<uint8_t> map = std::vector<uint8_t>(POLAR_MAP_BYTES);
    void SetUp() override
    {
        LLS_Init(1, 5);
        FIX_WriteGIF("GFX/circler.gif", 256, 256, 200, [](int x, int y) { return (y * 29 + x * 7 + (y >> 3)) & 255; });
        TunnelModeCounter = 0;
        POLAR_BuildMap(map.data());
    }
    void TearDown() override
    {
        TunnelEnd(0);
        TunnelModeCounter = 0;
    }
    // Checks the screen against the tables of mode at t: the window samples the texture at
    // (R[distance], S[angle]); the side columns stay cleared.
    void ExpectFrame(int mode, uint32_t t)
    {
        std::vector<uint8_t> remap(TUNNEL_REMAP_BYTES);
        TUNNEL_BuildRemap(mode, t, remap.data());
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                uint8_t want = 0;
                if (x >= 32 && x < 288) {
                    const uint8_t* rec = &map[(size_t)(2 * (y * 256 + x - 32))];
                    want = TunnelTexture[remap[rec[1]] * 256 + remap[256 + rec[0]]];
                }
                ASSERT_EQ(LLS_VideoMemory[y * 320 + x], want) << "mode " << mode << " t " << t << " at " << x << "," << y;
            }
    }
};

TEST_F(TunnelTest, StartShowsThePaletteAtOnceInModeZero)
{
    PAL_Fading = 0;
    EXPECT_TRUE(TunnelStart(100));
    EXPECT_EQ(FrameHook, TunnelFrame);
    EXPECT_EQ(LLS_Mode, 0);
    EXPECT_EQ(LLS_Screen, LLS_VideoMemory);
    for (int i = 0; i < LLS_VIDEO_BYTES; i++)
        ASSERT_EQ(LLS_Screen[i], 0) << i;
    ASSERT_EQ(std::memcmp(TunnelPolarMap, map.data(), POLAR_MAP_BYTES), 0) << "the ripple's polar map";
    EXPECT_EQ(PAL_Target[0], 50);
    EXPECT_EQ(LLS_ColorTable[255], (50u << 18) | (50u << 10) | (50u << 2));
    EXPECT_EQ(PAL_Fading, 0);
    EXPECT_EQ(TunnelTexture[3 * 256 + 5], (3 * 29 + 5 * 7) & 255);
}

// 0, 1 and 2 select their modes and every other counter value mode 3.
TEST_F(TunnelTest, FrameDrawsTheModeTheCounterSelects)
{
    TunnelStart(0);
    const struct { int32_t counter; int mode; } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 3}, {1000, 3}, {-1, 3}};
    uint32_t t = 5000;
    for (const auto& c : cases) {
        TunnelModeCounter = c.counter;
        EXPECT_TRUE(TunnelFrame(t));
        ExpectFrame(c.mode, t);
        t += 33;
    }
}

TEST_F(TunnelTest, TheCounterRunsOnBeforeStartAndAfterEnd)
{
    TunnelNextMode(0);
    TunnelNextMode(0);
    TunnelStart(0);
    TunnelFrame(777);
    ExpectFrame(2, 777);
    std::vector<uint8_t> mode2(LLS_VideoMemory, LLS_VideoMemory + LLS_VIDEO_BYTES);
    TunnelEnd(0);
    TunnelNextMode(0);
    TunnelStart(0);
    EXPECT_EQ(TunnelModeCounter, 3);
    TunnelFrame(777);
    ExpectFrame(3, 777);
    EXPECT_NE(std::memcmp(mode2.data(), LLS_VideoMemory, LLS_VIDEO_BYTES), 0) << "the modes differ";
}

TEST_F(TunnelTest, EndIsHarmlessBeforeStartAndTwice)
{
    FrameHook = TunnelFrame;
    EXPECT_TRUE(TunnelEnd(0));
    EXPECT_EQ(FrameHook, nullptr);
    TunnelStart(0);
    TunnelStart(0);   // a second start replaces the buffers without leaking the first
    EXPECT_TRUE(TunnelEnd(0));
    EXPECT_TRUE(TunnelEnd(0));
    EXPECT_EQ(FrameHook, nullptr);
    EXPECT_EQ(TunnelPolarMap, nullptr);
    EXPECT_EQ(TunnelRemap, nullptr);
    EXPECT_EQ(TunnelTexture, nullptr);
    std::memset(LLS_Screen, 0x55, LLS_VIDEO_BYTES);
    EXPECT_TRUE(TunnelFrame(10));   // a frame after the end draws nothing
    EXPECT_EQ(LLS_Screen[100 * 320 + 160], 0x55);
}

}  // namespace
