// The light beams: the strips they light, the frame's draw-then-step order, the spin's
// triangle wave, the swarm's gravity, and bodies far off the screen.
#include "common/test_support.h"
#include "driver/demo.h"
#include "fx3d/beams.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// A 320 x 200 screen between two guard zones of its own size: a strip that wrote outside
// the screen shows in the guards.
struct GuardedScreen {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(3 * 64000, 0xA5);
    GuardedScreen()
    {
        std::memset(screen(), 0, 64000);
        BEAM_Screen = screen();
        BEAM_BuildCosTable();
    }
    ~GuardedScreen() { BEAM_Screen = nullptr; }
    uint8_t* screen() { return bytes.data() + 64000; }
    uint8_t at(int x, int y) { return screen()[y * 320 + x]; }
    bool GuardsIntact() const
    {
        auto guard = [](uint8_t b) { return b == 0xA5; };
        return std::all_of(bytes.begin(), bytes.begin() + 64000, guard) &&
               std::all_of(bytes.end() - 64000, bytes.end(), guard);
    }
    // Lit columns of row y, as [first, last) when they are one run; {-1, -1} when none.
    std::pair<int, int> Run(int y)
    {
        int first = -1, last = -1;
        for (int x = 0; x < 320; x++)
            if (at(x, y)) {
                if (first < 0)
                    first = x;
                else if (last != x)
                    return {-2, -2};   // two runs
                last = x + 1;
            }
        return {first, last};
    }
};

BEAM_Particle Body(float x, float y, uint16_t angle)
{
    return BEAM_Particle{x, y, 0.0f, 0.0f, 1.0f, angle};
}

TEST(Beams, VerticalBeamCoversTheFortyColumnsAroundItsBody)
{
    const struct { float x; int first, last; } cases[] = {
        {100.0f, 80, 120}, {100.7f, 80, 120}, {10.0f, 0, 30}, {310.0f, 290, 320}, {-10.0f, 0, 10},
        {-30.0f, -1, -1}, {350.0f, -1, -1},
    };
    for (const auto& c : cases)
        for (uint16_t angle : {0x4000, 0xC000, 0x400F}) {   // half a turn on, or within one table step
            GuardedScreen s;
            const BEAM_Particle body = Body(c.x, 57.0f, angle);
            BEAM_DrawStrip(&body);
            for (int y = 0; y < 200; y++) {
                ASSERT_EQ(s.Run(y), std::make_pair(c.first, c.last)) << "x " << c.x << " angle " << angle << " row " << y;
                if (c.first >= 0) {
                    ASSERT_EQ(s.at(c.first, y), BEAM_LIGHT);
                }
            }
            ASSERT_TRUE(s.GuardsIntact());
        }
}

TEST(Beams, HorizontalBeamLightsWholeRows)
{
    const struct { float y; int first, last; } cases[] = {
        {50.0f, 30, 70}, {50.9f, 30, 70}, {10.0f, 0, 30}, {190.0f, 170, 200}, {230.0f, 0, 0}, {-25.0f, 0, 0},
    };
    for (const auto& c : cases)
        for (uint16_t angle : {0, 19, 0x8000 + 7}) {
            GuardedScreen s;
            const BEAM_Particle body = Body(-500.0f, c.y, angle);   // wherever the body is along the row
            BEAM_DrawStrip(&body);
            for (int y = 0; y < 200; y++) {
                const bool lit = y >= c.first && y < c.last;
                ASSERT_EQ(s.Run(y), lit ? std::make_pair(0, 320) : std::make_pair(-1, -1)) << "y " << c.y << " row " << y;
            }
        }
}

TEST(Beams, ABeamCrossesTheScreenWhereverItsBodyIs)
{
    // The line x = y through a body far up and left: angle 0x6000 turns the beam by 135 degrees.
    GuardedScreen s;
    const BEAM_Particle body = Body(-100.0f, -100.0f, 0x6000);
    BEAM_DrawStrip(&body);
    EXPECT_EQ(s.at(100, 100), BEAM_LIGHT);
    EXPECT_EQ(s.at(180, 170), BEAM_LIGHT);
    EXPECT_EQ(s.at(100, 160), 0);   // 42 pixels from the line
    EXPECT_EQ(s.at(160, 100), 0);
}

TEST(Beams, BodiesFarOffTheScreenWriteNothingOutsideIt)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float far[][2] = {{1e30f, -1e30f}, {-1e12f, 3e9f}, {4e9f, 100.0f}, {160.0f, -5e9f}, {inf, 0.0f},
                            {0.0f, -inf}, {nan, 100.0f}, {160.0f, nan}, {-2e6f, 2e6f}};
    GuardedScreen s;
    for (const auto& p : far)
        for (uint32_t angle = 0; angle < 0x10000; angle += 37) {
            const BEAM_Particle body = Body(p[0], p[1], (uint16_t)angle);
            BEAM_DrawStrip(&body);
        }
    EXPECT_TRUE(s.GuardsIntact());
}

// All fifteen bodies on one pixel, their beams turned every which way.
void Gather(float x, float y)
{
    for (int i = 0; i < BEAM_DRAWN; i++)
        BEAM_Particles[i] = Body(x, y, (uint16_t)(i * 2185));
}

TEST(Beams, AFrameDrawsTheBodiesAsTheyStoodThenStepsEveryMissedTick)
{
    LLS_Init(1, 0);
    BEAM_Start(1000);
    FrameHook = nullptr;
    EXPECT_EQ(BEAM_Screen, LLS_Screen);
    Gather(160.5f, 100.5f);
    BEAM_Spin = 0;
    BEAM_SpinStep = BEAM_SPIN_STEP;

    // At BEAM_LastTick: drawn, not stepped.
    BEAM_Particle before[BEAM_BODIES];
    std::memcpy(before, BEAM_Particles, sizeof before);
    BEAM_Frame(1000);
    EXPECT_EQ(BEAM_LastTick, 1000u);
    EXPECT_EQ(std::memcmp(before, BEAM_Particles, sizeof before), 0);
    EXPECT_EQ(LLS_VideoMemory[100 * 320 + 160], 15 * BEAM_LIGHT);
    EXPECT_EQ(*std::max_element(LLS_VideoMemory, LLS_VideoMemory + 64000), 240) << "no pixel wraps";
    const uint8_t* white = PAL_Target + 3 * 240;
    EXPECT_TRUE(white[0] == 63 && white[1] == 63 && white[2] == 63) << "240 shows white";

    // Three ticks later: the picture of the bodies before the steps, then three steps.
    std::vector<uint8_t> shown(LLS_VideoMemory, LLS_VideoMemory + 64000);
    BEAM_Frame(1003);
    EXPECT_EQ(BEAM_LastTick, 1003u);
    EXPECT_EQ(std::memcmp(shown.data(), LLS_VideoMemory, 64000), 0);
    EXPECT_EQ(BEAM_Spin, 3 * BEAM_SPIN_STEP);
    EXPECT_EQ(BEAM_Particles[0].angle, (uint16_t)(before[0].angle + 0 + 4 + 8));
    EXPECT_NE(BEAM_Particles[0].x, before[0].x) << "pulled toward the attractor";
}

TEST(Beams, ReverseNegatesTheSpinAndItsStep)
{
    const struct { int32_t spin, step; } cases[] = {{0, 4}, {0, -4}, {100, -4}, {-3072, 4}};
    for (const auto& c : cases) {
        BEAM_Spin = c.spin;
        BEAM_SpinStep = c.step;
        EXPECT_TRUE(BEAM_Reverse(0));
        EXPECT_EQ(BEAM_Spin, -c.spin);
        EXPECT_EQ(BEAM_SpinStep, -c.step);
    }
}

TEST(Beams, TheSpinSweepsATriangleWaveBetweenItsLimits)
{
    Gather(100.0f, 100.0f);
    BEAM_Spin = 0;
    BEAM_SpinStep = BEAM_SPIN_STEP;
    std::vector<int32_t> spin(1, 0), step(1, BEAM_SPIN_STEP);
    for (int tick = 1; tick <= 4000; tick++) {
        BEAM_Step();
        spin.push_back(BEAM_Spin);
        step.push_back(BEAM_SpinStep);
    }
    EXPECT_EQ(*std::max_element(spin.begin(), spin.end()), 3072);
    EXPECT_EQ(*std::min_element(spin.begin(), spin.end()), -3072);
    // Up to 3072 in 768 ticks, held one tick as the step turns, down to -3072 in 1536.
    EXPECT_EQ(spin[768], 3072);
    EXPECT_EQ(step[768], 4);
    EXPECT_EQ(spin[769], 3072);
    EXPECT_EQ(step[769], -4);
    EXPECT_EQ(spin[2305], -3072);
    EXPECT_EQ(spin[2306], -3072);
    EXPECT_EQ(step[2306], 4);
    EXPECT_EQ(spin[3842], 3072);
}

TEST(Beams, GravityPullsTowardTheOthersWithAFloorOnTheDistance)
{
    // Bodies 1..14 sit on the attractor, so body 0 feels a mass of 94 at one point; closer
    // than about 31.6 pixels the pull is that at d2 = 1000, scaled by the distance.
    const struct { float distance; double accel; } cases[] = {
        {160.0f, 94.0 / (160.0 * 160.0)},
        {40.0f, 94.0 / (40.0 * 40.0)},
        {20.0f, 20.0 * 94.0 / (1000.0 * std::sqrt(1000.0))},
        {0.0f, 0.0},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < BEAM_BODIES; i++)
            BEAM_Particles[i] = Body(320.0f, 100.0f, 0);
        BEAM_Particles[15].mass = 80.0f;
        BEAM_Particles[0].x = 320.0f - c.distance;
        BEAM_Spin = 0;
        BEAM_Step();
        EXPECT_NEAR(BEAM_Particles[0].vx, c.accel, c.accel * 1e-5 + 1e-12) << c.distance;
        EXPECT_FLOAT_EQ(BEAM_Particles[0].x, 320.0f - c.distance + BEAM_Particles[0].vx);
        EXPECT_EQ(BEAM_Particles[0].vy, 0.0f);
        EXPECT_EQ(BEAM_Particles[15].x, 320.0f) << "the attractor never moves";
        EXPECT_EQ(BEAM_Particles[15].vx, 0.0f);
    }
}

TEST(Beams, StartPlacesTheSwarmAndUploadsItsPalette)
{
    LLS_Init(1, 0);
    BEAM_Start(77);
    EXPECT_EQ(FrameHook, BEAM_Frame);
    FrameHook = nullptr;
    EXPECT_EQ(BEAM_LastTick, 77u);
    for (int i = 0; i < BEAM_DRAWN; i++) {
        const BEAM_Particle& p = BEAM_Particles[i];
        EXPECT_TRUE(p.x >= 80 && p.x < 240 && p.y >= 50 && p.y < 150 && p.vx == 0 && p.mass == 1) << i;
    }
    const BEAM_Particle& a = BEAM_Particles[15];
    EXPECT_TRUE(a.x == 320 && a.y == 100 && a.mass == 80 && a.angle == 0);
    // Black through orange (red first) to white; uploaded at once.
    for (int i = 0; i < 64; i++)
        EXPECT_EQ(PAL_Target[3 * i], i);
    const uint8_t orange[3] = {63, 27, 7};
    EXPECT_EQ(std::memcmp(PAL_Target + 3 * 64, orange, 3), 0);
    for (int i = 0; i < 256; i++) {
        const uint8_t* c = PAL_Target + 3 * i;
        ASSERT_EQ(LLS_ColorTable[i], (uint32_t)c[0] << 18 | (uint32_t)c[1] << 10 | (uint32_t)c[2] << 2);
    }
    EXPECT_EQ(BEAM_CosTable[0], 1.0f);
    EXPECT_EQ(BEAM_CosTable[2048], -1.0f);
}

}  // namespace
