// The main loop driven through the platform seam with a scripted clock, music position and
// event queue: row dispatch, the hook step, the end of the show and quitting.
#include "driver/demo.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace {

// The script: before each frame, step(frame) may set the time, the position and queue events.
struct Script {
    uint32_t ms = 0;
    int order = 1, row = 1;  // 1-based, as the show reads them
    std::deque<PLAT_Event> events;
    int frame = 0;           // frames presented so far
    std::function<void(int)> step;
    std::vector<std::string> log;
    int maxFrames = 200;
} S;

uint32_t ScriptMs() { return S.ms; }
uint32_t ScriptPosition() { return (uint32_t)(S.order - 1) | ((uint32_t)(S.row - 1) << 16); }
bool ScriptPoll(PLAT_Event* e)
{
    if (S.events.empty())
        return false;
    *e = S.events.front();
    S.events.pop_front();
    return true;
}
void ScriptPresented()
{
    S.log.push_back("present");
    S.frame++;
    if (S.frame >= S.maxFrames)
        DemoQuit = 1;  // a safety net for a loop that would not end
    else if (S.step)
        S.step(S.frame);
}

// Milliseconds at which tick n begins.
uint32_t MsOfTick(uint32_t n) { return (n * 1000 + 69) / 70; }

PLAT_Event KeyEvent(PLAT_EventType type, PLAT_Key key) { return PLAT_Event{type, key}; }

// Entry points that record their calls.
template <int N>
bool Record(uint32_t t)
{
    S.log.push_back("row" + std::to_string(N) + "@" + std::to_string(t));
    return true;
}
bool Hook(uint32_t t)
{
    S.log.push_back("hook@" + std::to_string(t));
    return true;
}
bool InstallHook(uint32_t t)
{
    S.log.push_back("install@" + std::to_string(t));
    FrameHook = Hook;
    return true;
}
int g_refusals = 0;
bool RefuseThrice(uint32_t t)
{
    S.log.push_back("refuse@" + std::to_string(t));
    return ++g_refusals > 3;
}
bool RemoveHook(uint32_t)
{
    S.log.push_back("remove");
    FrameHook = nullptr;
    return true;
}
bool HookEnds(uint32_t)
{
    S.log.push_back("hook-ends");
    return false;
}
bool InstallEndingHook(uint32_t)
{
    FrameHook = HookEnds;
    return true;
}

class MainLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        S = Script();
        g_refusals = 0;
        DEMO_ResetShowState();
        LLS_Init(1, 0);
        PLAT_UseHeadless();
        PLAT.Milliseconds = ScriptMs;
        PLAT.PollEvent = ScriptPoll;
        PLAT.FramePresented = ScriptPresented;
        MUSIC_Position = ScriptPosition;
    }
    void TearDown() override
    {
        PLAT_UseHeadless();
        MUSIC_Position = MUSIC_LibraryPosition;
    }

    std::vector<std::string> Run(const std::vector<TimelineRow>& rows)
    {
        DEMO_RunLoop(rows.data(), (unsigned)rows.size());
        return S.log;
    }
};

using Log = std::vector<std::string>;

TEST_F(MainLoop, RowsAtOnePositionRunInOneFrameInTableOrder)
{
    S.step = [](int f) {
        if (f == 1) { S.order = 2; S.row = 5; S.ms = MsOfTick(1); }
    };
    Log log = Run({{1, 1, InstallHook}, {2, 1, Record<1>}, {2, 1, Record<2>}, {2, 4, Record<3>},
                   {2, 5, Record<4>}, {9, 1, nullptr}});
    Log want = {"install@0", "present", "row1@1", "row2@1", "row3@1", "hook@1", "present"};
    ASSERT_GE(log.size(), want.size());
    EXPECT_EQ(Log(log.begin(), log.begin() + want.size()), want);
    EXPECT_EQ(std::count(log.begin(), log.end(), "row4@1"), 0) << "(2,5) is not past (2,5)";
}

TEST_F(MainLoop, RowReturningFalseIsCalledAgainAndHoldsBackTheRest)
{
    S.order = 3;
    S.step = [](int f) { S.ms = MsOfTick((uint32_t)f); };
    Log log = Run({{1, 1, InstallHook}, {1, 1, RefuseThrice}, {1, 1, Record<1>}, {9, 1, nullptr}});
    Log want = {"install@0", "refuse@0", "present", "refuse@1", "hook@1", "present",
                "refuse@2", "hook@2", "present", "refuse@3", "row1@3", "hook@3", "present"};
    ASSERT_GE(log.size(), want.size());
    EXPECT_EQ(Log(log.begin(), log.begin() + want.size()), want);
}

TEST_F(MainLoop, PositionJumpRunsEveryPassedRowInOneFrame)
{
    S.step = [](int f) {
        if (f == 2) { S.order = 7; S.row = 1; }
    };
    Log log = Run({{1, 1, InstallHook}, {2, 1, Record<1>}, {4, 32, Record<2>}, {6, 64, Record<3>},
                   {7, 1, Record<4>}, {9, 1, nullptr}});
    Log want = {"install@0", "present", "present", "row1@0", "row2@0", "row3@0", "present"};
    ASSERT_GE(log.size(), want.size());
    EXPECT_EQ(Log(log.begin(), log.begin() + want.size()), want);
}

TEST_F(MainLoop, HookRunsOncePerTickAndNeverAtTickZero)
{
    // Three frames at tick 0, two at tick 1, one at tick 2.
    static const uint32_t ticks[] = {0, 0, 0, 1, 1, 2};
    S.maxFrames = 6;
    S.step = [](int f) { S.ms = MsOfTick(ticks[f]); };
    Log log = Run({{1, 1, InstallHook}, {9, 1, nullptr}});
    EXPECT_EQ(std::count(log.begin(), log.end(), "hook@0"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "hook@1"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "hook@2"), 1);
}

TEST_F(MainLoop, FrameWithNoHookEndsTheShowAndStopsTheMusic)
{
    S.step = [](int f) {
        if (f == 2) { S.order = 2; S.row = 2; S.ms = MsOfTick(1); }
    };
    Log log = Run({{1, 1, InstallHook}, {2, 1, RemoveHook}, {2, 1, Record<1>}, {3, 1, Record<2>}, {9, 1, nullptr}});
    Log want = {"install@0", "present", "present", "remove", "row1@1"};
    EXPECT_EQ(log, want) << "no hook call and no presented frame after the hook is removed";
    EXPECT_TRUE(MusicStopped);
    EXPECT_FALSE(MUSIC_IsPlaying());
    EXPECT_TRUE(DemoQuit);
}

TEST_F(MainLoop, HookReturningFalseEndsAtOnce)
{
    S.step = [](int f) { S.ms = MsOfTick((uint32_t)f); };
    Log log = Run({{1, 1, InstallEndingHook}, {9, 1, nullptr}});
    EXPECT_EQ(log, (Log{"present", "hook-ends"}));
}

TEST_F(MainLoop, LoopEndsAtTheEndOfTheTable)
{
    S.order = 5;
    Log log = Run({{1, 1, InstallHook}, {1, 1, Record<1>}});
    EXPECT_EQ(log, (Log{"install@0", "row1@0"}));
}

TEST_F(MainLoop, QuitEventsEndTheShowAtTheEndOfTheirFrame)
{
    struct Case {
        const char* name;
        std::vector<PLAT_Event> events;
        bool quits;
    } cases[] = {
        {"Escape pressed", {KeyEvent(PLAT_EVENT_KEY_DOWN, PLAT_KEY_ESCAPE)}, false},
        {"Escape released", {KeyEvent(PLAT_EVENT_KEY_UP, PLAT_KEY_ESCAPE)}, true},
        {"other key released", {KeyEvent(PLAT_EVENT_KEY_UP, PLAT_KEY_OTHER)}, false},
        {"window closed", {KeyEvent(PLAT_EVENT_QUIT, PLAT_KEY_OTHER)}, true},
    };
    for (const Case& c : cases) {
        SetUp();
        S.maxFrames = 10;
        S.step = [&](int f) {
            if (f == 2)
                S.events.assign(c.events.begin(), c.events.end());
        };
        Log log = Run({{1, 1, InstallHook}, {9, 1, nullptr}});
        int frames = (int)std::count(log.begin(), log.end(), "present");
        EXPECT_EQ(frames, c.quits ? 2 : 10) << c.name;
        EXPECT_FALSE(MusicStopped) << c.name << ": quitting leaves the music to the shut-down";
    }
}

TEST_F(MainLoop, ReleasingQLeavesTheLoopInTheNextFrame)
{
    S.maxFrames = 10;
    S.step = [](int f) {
        if (f == 2)
            S.events.push_back(KeyEvent(PLAT_EVENT_KEY_UP, PLAT_KEY_Q));
    };
    Log log = Run({{1, 1, InstallHook}, {9, 1, nullptr}});
    EXPECT_EQ(std::count(log.begin(), log.end(), "present"), 2);
}

TEST(Timeline, TableEndsWithTheEndRowAndEveryOtherRowHasAnEntry)
{
    for (int i = 0; i < TIMELINE_ROWS - 1; i++)
        EXPECT_NE(Timeline[i].fn, nullptr) << "row " << i;
    EXPECT_EQ(Timeline[TIMELINE_ROWS - 1].fn, nullptr);
    EXPECT_EQ(Timeline[77].order, 49);
    EXPECT_EQ(Timeline[77].row, 32);
    for (int i = 1; i < TIMELINE_ROWS; i++) {
        bool ordered = Timeline[i - 1].order < Timeline[i].order ||
                       (Timeline[i - 1].order == Timeline[i].order && Timeline[i - 1].row <= Timeline[i].row);
        EXPECT_TRUE(ordered) << "row " << i << " lies before its predecessor's position";
    }
}

}  // namespace
