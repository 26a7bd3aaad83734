// Holding the music: a paused module resumes exactly where it was (the audio is the same as
// without the pause), and a held sound device lets the caller render ahead on its own clock
// and then plays on from the frame reached.
#include "common/s3m_fixture.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>
#include <vector>

namespace {

std::vector<int16_t> g_captured;
void Capture(const int16_t* frames, size_t count, void*) { g_captured.insert(g_captured.end(), frames, frames + 2 * count); }

class Holding : public ::testing::Test {
protected:
    std::vector<uint8_t> module = s3m_fixture::Module();
    void SetUp() override
    {
        g_captured.clear();
        PLAT_UseHeadless();
        PLAT_VirtualMs = 0;
    }
    void TearDown() override
    {
        BASS_Free();
        SND_SetCapture(nullptr, nullptr);
        PLAT_UseHeadless();
    }
    HMUSIC Load()
    {
        HMUSIC h = BASS_MusicLoad(1, module.data(), 0, (DWORD)module.size(), 0, 0);
        EXPECT_NE(h, 0u);
        EXPECT_EQ(BASS_ChannelPlay(h, 1), 1);
        return h;
    }
    // Moves the virtual clock to ms in steps of 7 ms, reading the position as the show does.
    static uint32_t RunTo(HMUSIC h, uint32_t ms)
    {
        uint32_t word = 0;
        while (PLAT_VirtualMs < ms) {
            PLAT_VirtualMs = std::min(ms, PLAT_VirtualMs + 7);
            word = (uint32_t)BASS_ChannelGetPosition(h, BASS_POS_MUSIC_ORDER);
        }
        return word;
    }
};

TEST_F(Holding, PausedModuleResumesWhereItWasWithTheSameAudio)
{
    // Without a pause: 1500 ms of module.
    ASSERT_EQ(BASS_Init(0, 44100, 0, nullptr, nullptr), 1);
    SND_SetCapture(Capture, nullptr);
    HMUSIC h = Load();
    const uint32_t plainWord = RunTo(h, 1500);
    SND_RenderTo(44100 * 3 / 2);
    const std::vector<int16_t> plain = g_captured;
    BASS_Free();

    // Paused from 500 ms to 1200 ms of the clock, then 1000 ms more: the same 1500 ms of module.
    g_captured.clear();
    PLAT_VirtualMs = 0;
    ASSERT_EQ(BASS_Init(0, 44100, 0, nullptr, nullptr), 1);
    SND_SetCapture(Capture, nullptr);
    h = Load();
    const uint32_t atPause = RunTo(h, 500);
    ASSERT_EQ(BASS_ChannelPause(h), 1);
    EXPECT_EQ(BASS_ChannelPause(h), 0);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_EQ(RunTo(h, 1200), atPause) << "the position stays while paused";
    EXPECT_EQ(BASS_ChannelIsActive(h), (DWORD)BASS_ACTIVE_PAUSED);
    ASSERT_EQ(BASS_ChannelPlay(h, 0), 1);
    EXPECT_EQ(BASS_ChannelIsActive(h), (DWORD)BASS_ACTIVE_PLAYING);
    EXPECT_EQ(RunTo(h, 2200), plainWord);
    SND_RenderTo(44100 * 3 / 2);
    EXPECT_EQ(g_captured.size(), plain.size());
    EXPECT_TRUE(g_captured == plain) << "the pause cut or repeated audio";
}

TEST_F(Holding, HeldDeviceRendersOnTheCallersClockThenPlaysOnFromThere)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    PLAT_UseWindow(true);   // the window's sound output on the virtual clock, as while skipping
    PLAT.Milliseconds = PLAT_VirtualMilliseconds;
    SND_Hold(true);   // set before the device opens, as a run that skips ahead does
    if (BASS_Init(-1, 44100, 0, nullptr, nullptr) != 1)
        GTEST_SKIP() << "no dummy sound driver: " << SND_ErrorDetail();
    HMUSIC h = Load();
    // Held: exactly the clocked positions, whatever the device does meanwhile.
    const uint32_t held = RunTo(h, 1000);
    EXPECT_EQ(held, 1u | 0u << 16) << "1000 ms is order index 1, row 0 (60 ms rows, 16 in order 0)";
    SND_RenderTo(44100);
    EXPECT_EQ(SND_FramesRendered(), 44100u);
    SDL_Delay(100);
    EXPECT_EQ(SND_FramesRendered(), 44100u) << "the held device rendered by itself";

    // Released: the device goes on from frame 44100; until its audio is heard the position
    // stays on the one reached.
    PLAT_UseWindow(true);
    SND_Hold(false);
    EXPECT_EQ((uint32_t)BASS_ChannelGetPosition(h, BASS_POS_MUSIC_ORDER), held);
    SDL_Delay(300);
    EXPECT_GT(SND_FramesRendered(), 44100u + 4410u) << "the device did not take over";
    const uint32_t later = (uint32_t)BASS_ChannelGetPosition(h, BASS_POS_MUSIC_ORDER);
    EXPECT_EQ(later & 0xFFFF, 1u) << "still in order index 1 (0.48 s long)";
    EXPECT_GE(later >> 16, 1u) << "the position did not move on from where it was held";
    EXPECT_LE(later >> 16, 7u);
}

}  // namespace
