// The window's keys through the main loop, with a scripted clock and event queue: Space holds
// the tick count (nothing moves, the hook is not called) and resumes where it stood; F12 and
// Print Screen write the screenshot pair, the PCX holding the 8-bit screen and its palette.
#include "common/scratch_dir.h"
#include "driver/demo.h"
#include "image/pix.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"
#include "support/pngwrite.h"
#include "text/tcscr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <vector>

namespace {

struct KeyScript {
    uint32_t ms = 0;
    int frame = 0;
    std::deque<PLAT_Event> events;
    std::function<void(int)> step;   // before frame n: may move the clock and queue events
    std::vector<uint32_t> hookTicks;
    std::vector<int> hookFrames;
} K;

uint32_t KeyMs() { return K.ms; }
uint32_t KeyPosition() { return 0; }   // order 1, row 1 throughout
bool KeyPoll(PLAT_Event* e)
{
    if (K.events.empty())
        return false;
    *e = K.events.front();
    K.events.pop_front();
    return true;
}
void KeyPresented()
{
    K.frame++;
    if (K.frame >= 40)
        DemoQuit = 1;
    else if (K.step)
        K.step(K.frame);
}

bool Hook(uint32_t t)
{
    K.hookTicks.push_back(t);
    K.hookFrames.push_back(K.frame);
    return true;
}
bool InstallHook(uint32_t)
{
    FrameHook = Hook;
    return true;
}

PLAT_Event Released(PLAT_Key key) { return PLAT_Event{PLAT_EVENT_KEY_UP, key}; }

std::vector<uint8_t> ReadAll(const char* path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class Keys : public ::testing::Test {
protected:
    std::optional<FIX_TempDir> scratch;
    void SetUp() override
    {
        scratch.emplace("vantrel-keys");
        K = KeyScript();
        DEMO_ResetShowState();
        ShotCounter = 0;
        LLS_Init(1, 0);
        PLAT_UseHeadless();
        PLAT.Milliseconds = KeyMs;
        PLAT.PollEvent = KeyPoll;
        PLAT.FramePresented = KeyPresented;
        MUSIC_Position = KeyPosition;
        TIMER_Start(17039);
    }
    void TearDown() override
    {
        PLAT_UseHeadless();
        MUSIC_Position = MUSIC_LibraryPosition;
        TCS_Active = 0;
        TCS_Depth = 0;
        scratch.reset();
    }
    void Run()
    {
        const TimelineRow rows[] = {{1, 1, InstallHook}, {9, 1, nullptr}};
        DEMO_RunLoop(rows, 2);
    }
};

TEST_F(Keys, SpaceHoldsTheTicksAndResumesWhereTheyStood)
{
    // One tick per frame; Space at frame 5 and again at frame 25, the clock running on.
    K.step = [](int f) {
        K.ms = (uint32_t)(f * 1000 + 69) / 70;
        if (f == 5 || f == 25)
            K.events.push_back(Released(PLAT_KEY_SPACE));
    };
    Run();
    // Ticks 1..5 before the pause; no hook call while paused; after it the count goes on from
    // where it stood (about one tick a frame again), not from the clock's 26 and more.
    ASSERT_GE(K.hookTicks.size(), 10u);
    for (size_t i = 0; i < K.hookTicks.size(); i++) {
        const int f = K.hookFrames[i];
        // The key of frame n acts at the end of that frame's pass: passes 6 to 25 are paused.
        EXPECT_FALSE(f >= 6 && f <= 25) << "hook called while paused, in pass " << f;
        if (f <= 5) {
            EXPECT_EQ(K.hookTicks[i], (uint32_t)f) << "pass " << f;
        } else {
            EXPECT_NEAR((double)K.hookTicks[i], 5.0 + (f - 25), 1.0) << "pass " << f;
        }
        if (i > 0) {
            EXPECT_GT(K.hookTicks[i], K.hookTicks[i - 1]);
        }
    }
    EXPECT_FALSE(DemoPaused);
}

TEST_F(Keys, ScreenshotKeysWriteThePcxAndThePngWithTheSameNumber)
{
    // A recognisable screen and target palette; the screen is drawn before the first frame.
    for (int i = 0; i < 64000; i++)
        LLS_Screen[i] = (uint8_t)(i % 320 < 160 ? i / 320 : 200 + i % 7);
    for (int i = 0; i < 768; i++)
        PAL_Target[i] = (uint8_t)((i * 5) % 64);
    LLS_SetPalette(PAL_Target, 0, 256);
    LLS_Flip();
    K.step = [](int f) {
        if (f == 2)
            K.events.push_back(Released(PLAT_KEY_F12));
        if (f == 4)
            K.events.push_back(Released(PLAT_KEY_PRINT));
        if (f == 6) {
            TCS_Depth = 32;   // the closing's text screen is set up: no 8-bit picture to save
            K.events.push_back(Released(PLAT_KEY_F12));
        }
    };
    Run();
    EXPECT_EQ(ShotCounter, 3);

    for (const char* name : {"vantrl00.PCX", "vantrl01.PCX"}) {
        std::vector<uint8_t> pixels(64000, 0xEE);
        uint8_t palette[768];
        int32_t w = 0, h = 0;
        ASSERT_EQ(PIX_LoadPCX(name, pixels.data(), palette, &w, &h, pixels.size()), 1) << name;
        EXPECT_EQ(w, 320);
        EXPECT_EQ(h, 200);
        EXPECT_EQ(0, std::memcmp(pixels.data(), LLS_Screen, 64000)) << name;
        EXPECT_EQ(0, std::memcmp(palette, PAL_Target, 768)) << name;
    }
    EXPECT_TRUE(ReadAll("vantrl02.PCX").empty()) << "nothing 8-bit on the text screen";
    EXPECT_TRUE(ReadAll("vantrl02.TGA").empty());

    // The PNGs hold the frame as shown: the same bytes as the frame written directly.
    std::string error;
    TCS_Depth = 0;
    LLS_DUMP();
    ASSERT_TRUE(PNG_WriteRGB32("shown.png", LLS_Frame32, 640, 480, &error)) << error;
    for (const char* name : {"vantrl00.png", "vantrl01.png"})
        EXPECT_EQ(ReadAll(name), ReadAll("shown.png")) << name;
    EXPECT_FALSE(ReadAll("vantrl02.png").empty());
}

TEST_F(Keys, ScreenshotNumbersWrapAtOneHundred)
{
    ShotCounter = 199;
    K.step = [](int f) {
        if (f == 2)
            K.events.push_back(Released(PLAT_KEY_SYSREQ));
    };
    Run();
    EXPECT_EQ(ShotCounter, 200);
    EXPECT_FALSE(ReadAll("vantrl99.PCX").empty());
    EXPECT_FALSE(ReadAll("vantrl99.png").empty());
}

}  // namespace
