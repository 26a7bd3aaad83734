// The music layer on modules it was not written for, made with the S3M writer: the show ends
// with the music, "+++" markers, the file the module comes from, modules with nothing to
// play, and the fade at the end.
#include "common/s3m_songs.h"
#include "common/scratch_dir.h"
#include "data/archive.h"
#include "data/datwrite.h"
#include "data/file.h"
#include "driver/demo.h"
#include "driver/options.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using s3m_songs::kEnd;
using s3m_songs::kSkip;

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path p(path);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

// Every test runs in its own scratch folder with the headless backend and no sound device.
class MusicModules : public FIX_ScratchDirTest {
protected:
    MusicModules() : FIX_ScratchDirTest("vantrel-modules") {}

    void SetUp() override
    {
        FIX_ScratchDirTest::SetUp();
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        PLAT_UseHeadless();
        PLAT_VirtualMs = 0;
        DEMO_Options = DemoOptions();
    }

    void TearDown() override
    {
        MUSIC_Free();
        SND_SetCapture(nullptr, nullptr);
        PLAT_UseHeadless();
        FIX_ScratchDirTest::TearDown();
    }
};

// --- The live loop ends with the music ---

uint32_t g_frames = 0;
bool IdleHook(uint32_t) { return true; }
bool InstallIdleHook(uint32_t)
{
    FrameHook = IdleHook;
    return true;
}
// One frame per tick; a safety net ends a loop that would run on.
void NextTick(void)
{
    g_frames++;
    if (g_frames > 70 * 10)
        DemoQuit = 1;
    PLAT_VirtualMs = (g_frames * 1000 + 69) / 70;
}

TEST_F(MusicModules, ShowEndsWhenAModuleShorterThanTheScheduleHasPlayed)
{
    // Two orders, 1.44 s; the schedule waits for order 9, which never comes.
    const std::vector<uint8_t> orders = {0, 1};
    WriteBytes("short.s3m", s3m_songs::Module(orders));
    MUSIC_Init();
    MUSIC_Load("short.s3m");
    TIMER_Start(17039);
    LLS_Init(1, 0);
    g_frames = 0;
    PLAT.FramePresented = NextTick;
    const TimelineRow table[] = {{1, 1, InstallIdleHook}, {9, 1, InstallIdleHook}, {9, 1, nullptr}};
    DEMO_RunLoop(table, 3);
    FrameHook = nullptr;

    // Ended by the music, not by the safety net and not by a stop: every tick until the
    // module has been heard to its end was shown (1440 ms is tick 100.8).
    EXPECT_FALSE(MUSIC_IsPlaying());
    EXPECT_EQ(MusicStopped, 0);
    EXPECT_NEAR((double)g_frames, 101, 1);
    EXPECT_EQ(MUSIC_GetOrder(), 2);  // still on the last row
    EXPECT_EQ(MUSIC_GetRow(), 8);
}

// --- "+++" markers ---

TEST_F(MusicModules, LeadingMarkerPlaysEveryOrderCountingMarkersAsOrders)
{
    // Slots 1 and 3 are markers: the song plays slot 2 (16 rows), then slot 4 (8 rows).
    const std::vector<uint8_t> orders = {kSkip, 0, kSkip, 1};
    WriteBytes("marked.s3m", s3m_songs::Module(orders));
    MUSIC_Init();
    MUSIC_Load("marked.s3m");
    ASSERT_NE(MUSIC_Handle, 0u);

    // Twice: from the load, and after a restart of a module that has played to its end.
    for (int pass = 0; pass < 2; pass++) {
        SCOPED_TRACE(pass == 0 ? "from the load" : "after a restart");
        if (pass == 1) {
            PLAT_VirtualMs = 0;
            ASSERT_EQ(BASS_ChannelPlay(MUSIC_Handle, 1), 1);
        }
        std::vector<int> seen;
        uint32_t endedAt = 0;
        for (uint32_t ms = 10; ms <= 2000 && !endedAt; ms += 10) {
            PLAT_VirtualMs = ms;
            if (seen.empty() || seen.back() != MUSIC_GetOrder())
                seen.push_back(MUSIC_GetOrder());
            if (BASS_ChannelIsActive(MUSIC_Handle) == BASS_ACTIVE_STOPPED)
                endedAt = ms;
        }
        EXPECT_EQ(seen, (std::vector<int>{2, 4}));
        EXPECT_EQ(endedAt, (uint32_t)s3m_songs::LengthMs(orders) + 10) << "the whole song plays";
        EXPECT_EQ(MUSIC_GetRow(), 8);
    }
}

// --- Which file the module comes from ---

TEST_F(MusicModules, EmptyLooseFileBesideTheArchivePlaysTheArchivesModule)
{
    std::string error;
    ASSERT_TRUE(DAT_WriteArchive("VANTREL.DAT", {{"VANTREL.S3M", s3m_songs::Module({0, 1})}}, &error)) << error;
    WriteBytes("MUSIC/VANTREL.S3M", {});
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);
    EXPECT_EXIT(
        {
            MUSIC_Init();
            MUSIC_Load("MUSIC\\VANTREL.S3M");
            PLAT_VirtualMs = 1000;  // into the second order
            std::exit(MUSIC_GetOrder() == 2 ? 7 : 8);
        },
        ::testing::ExitedWithCode(7), "");
}

// --- Modules with nothing to play ---

TEST_F(MusicModules, ModuleWithNothingToPlayIsRefusedByName)
{
    const struct {
        const char* name;
        std::vector<uint8_t> orders;
    } cases[] = {
        {"empty.s3m", {}},
        {"markers.s3m", {kSkip, kSkip}},
        {"endfirst.s3m", {kEnd, 0, 1}},
    };
    for (const auto& c : cases) {
        WriteBytes(c.name, s3m_songs::Module(c.orders));
        EXPECT_EXIT(
            {
                MUSIC_Init();
                MUSIC_Load(c.name);
            },
            ::testing::ExitedWithCode(1),
            ::testing::HasSubstr(std::string(c.name) + "\" cannot be played: its order list has nothing to play"))
            << c.name;
    }
}

// --- The end of the song ---

// The module player alone, without the layer: the song's own samples, to its end.
std::vector<int16_t> PlayerAlone(const std::vector<uint8_t>& module)
{
    const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
    openmpt_module* mod = openmpt_module_create_from_memory2(module.data(), module.size(), nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr, ctls);
    std::vector<int16_t> all, block(2 * 1000);
    for (size_t n; (n = openmpt_module_read_interleaved_stereo(mod, 44100, 1000, block.data())) > 0;)
        all.insert(all.end(), block.begin(), block.begin() + 2 * (long)n);
    openmpt_module_destroy(mod);
    return all;
}

int PeakOf(const std::vector<int16_t>& s, size_t fromFrame, size_t toFrame)
{
    int peak = 0;
    for (size_t i = 2 * fromFrame; i < 2 * toFrame; i++)
        peak = std::max(peak, std::abs((int)s[i]));
    return peak;
}

TEST_F(MusicModules, LoudEndFallsToSilenceWithoutChangingLengthOrPosition)
{
    const std::vector<uint8_t> module = s3m_songs::Module({0, 1});
    WriteBytes("loud.s3m", module);
    const std::vector<int16_t> alone = PlayerAlone(module);
    const size_t end = alone.size() / 2;
    ASSERT_EQ(end, 44100u * 1440 / 1000);
    // The song itself stops loud: the player alone ends in a click.
    ASSERT_GT(PeakOf(alone, end - 44, end), 8000);

    std::vector<int16_t> heard;
    SND_SetCapture(
        [](const int16_t* frames, size_t count, void* user) {
            auto* v = (std::vector<int16_t>*)user;
            v->insert(v->end(), frames, frames + 2 * count);
        },
        &heard);
    MUSIC_Init();
    MUSIC_Load("loud.s3m");
    // Uneven steps of the clock, to just before the end and to just past it.
    for (uint32_t ms : {7u, 500u, 1439u})
        PLAT_VirtualMs = ms, MUSIC_LibraryPosition();
    EXPECT_EQ(BASS_ChannelIsActive(MUSIC_Handle), (DWORD)BASS_ACTIVE_PLAYING);
    SND_RenderTo(end);
    EXPECT_EQ(BASS_ChannelIsActive(MUSIC_Handle), (DWORD)BASS_ACTIVE_PLAYING) << "the song keeps its length";
    SND_RenderTo(end + 441);
    EXPECT_EQ(BASS_ChannelIsActive(MUSIC_Handle), (DWORD)BASS_ACTIVE_STOPPED);
    EXPECT_EQ(MUSIC_GetOrder(), 2);
    EXPECT_EQ(MUSIC_GetRow(), 8);
    ASSERT_EQ(heard.size(), 2 * (end + 441));

    // Untouched up to its last 10 ms; then it falls to silence, the last frame to 0.
    const size_t fade = 441;
    EXPECT_TRUE(std::equal(heard.begin(), heard.begin() + 2 * (long)(end - fade), alone.begin()));
    for (size_t k = 0; k < 10; k++) {
        const size_t from = end - fade + k * fade / 10, to = end - fade + (k + 1) * fade / 10;
        EXPECT_LE(PeakOf(heard, from, to), PeakOf(alone, from, to) * (10 - (int)k) / 10 + 1) << "tenth " << k;
    }
    EXPECT_EQ(heard[2 * end - 2], 0);
    EXPECT_EQ(heard[2 * end - 1], 0);
    EXPECT_EQ(PeakOf(heard, end, end + 441), 0);
}

}  // namespace
