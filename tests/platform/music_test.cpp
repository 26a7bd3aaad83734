// The music layer and the tick timer: numbering, headless positions against the module
// player's own, the stop, the failure exits, and the sound-device path.
#include "common/s3m_fixture.h"
#include "driver/options.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"
#include "platform/timer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <SDL.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A temporary folder holding the test module (and bad variants of it).
class MusicTest : public ::testing::Test {
protected:
    std::string dir;
    std::string modulePath;

    void SetUp() override
    {
        char tmpl[] = "/tmp/vantrel-music-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        modulePath = dir + "/test.s3m";
        ASSERT_TRUE(s3m_fixture::WriteFile(modulePath, s3m_fixture::Module()));
        PLAT_UseHeadless();
        PLAT_VirtualMs = 0;
        DEMO_Options = DemoOptions();
    }

    void TearDown() override
    {
        BASS_Free();
        SND_SetCapture(nullptr, nullptr);
        PLAT_UseHeadless();
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }

    std::string Write(const char* name, const std::vector<uint8_t>& bytes)
    {
        std::string path = dir + "/" + name;
        EXPECT_TRUE(s3m_fixture::WriteFile(path, bytes));
        return path;
    }
};

// The module player alone, set up as the layer sets it up, for reference positions.
struct Reference {
    openmpt_module* mod = nullptr;
    uint64_t rendered = 0;
    std::vector<uint8_t> bytes = s3m_fixture::Module();

    Reference()
    {
        const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
        mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr,
                                                 nullptr, nullptr, ctls);
    }
    ~Reference() { openmpt_module_destroy(mod); }

    // Renders up to total frames in one read and returns the position word then.
    uint32_t At(uint64_t total, std::vector<int16_t>* audio = nullptr)
    {
        std::vector<int16_t> buf(2 * (total - rendered) + 2);
        size_t got = openmpt_module_read_interleaved_stereo(mod, 44100, total - rendered, buf.data());
        if (audio)
            audio->insert(audio->end(), buf.begin(), buf.begin() + 2 * got);
        rendered = total;
        return (uint32_t)openmpt_module_get_current_order(mod) |
               (uint32_t)openmpt_module_get_current_row(mod) << 16;
    }
};

TEST(Timer, TicksFollowTheMillisecondClock)
{
    PLAT_UseHeadless();
    // Start values include one just below the wrap of the 32-bit clock: the difference is unsigned.
    for (uint32_t start : {0u, 123456u, 0xFFFFFFF0u}) {
        PLAT_VirtualMs = start;
        TIMER_Start(17039);
        const struct {
            uint32_t ms, ticks;
        } cases[] = {{0, 0}, {14, 0}, {15, 1}, {28, 1}, {29, 2}, {999, 69}, {1000, 70}, {60000, 4200}};
        for (const auto& c : cases) {
            PLAT_VirtualMs = start + c.ms;
            EXPECT_EQ(TIMER_GetTicks(), c.ticks) << "start " << start << ", " << c.ms << " ms";
        }
    }
}

TEST_F(MusicTest, HeadlessPositionsAreTheModulesOwnAndOneBased)
{
    MUSIC_Init();
    MUSIC_Load(modulePath.c_str());
    ASSERT_NE(MUSIC_Handle, 0u);
    EXPECT_TRUE(MUSIC_IsPlaying());
    EXPECT_EQ(MUSIC_GetOrder(), 1);
    EXPECT_EQ(MUSIC_GetRow(), 1);

    // The module's own layout, 1-based: 60 ms rows, 16 rows in order 1, 8 in order 2; the
    // position stays on the last row after the end.
    const struct {
        uint32_t ms;
        int order, row;
    } expected[] = {{30, 1, 1}, {90, 1, 2}, {930, 1, 16}, {990, 2, 1}, {1410, 2, 8}, {1470, 3, 1}, {2370, 3, 16}};
    for (const auto& e : expected) {
        PLAT_VirtualMs = e.ms;
        EXPECT_EQ(MUSIC_GetOrder(), e.order) << e.ms << " ms";
        EXPECT_EQ(MUSIC_GetRow(), e.row) << e.ms << " ms";
    }
    EXPECT_EQ(BASS_ChannelIsActive(MUSIC_Handle), (DWORD)BASS_ACTIVE_PLAYING);

    PLAT_VirtualMs = 0;
    ASSERT_EQ(BASS_ChannelPlay(MUSIC_Handle, 1), 1);
    // From the start again, every 7 ms of virtual time for 2.8 s: the layer's position equals the player's own
    // after the same number of frames, and never goes back. After the module's end at 2.4 s
    // the player reads 0/0; the layer stays on the last row (order index 2, row index 15).
    Reference ref;
    ASSERT_NE(ref.mod, nullptr);
    uint32_t last = 0;
    for (uint32_t ms = 0; ms <= 2800; ms += 7) {
        PLAT_VirtualMs = ms;
        uint32_t word = MUSIC_LibraryPosition();
        uint32_t own = ref.At((uint64_t)ms * 44100 / 1000);
        ASSERT_EQ(word, ms < 2400 ? own : 2u | 15u << 16) << ms << " ms";
        uint64_t key = (uint64_t)(word & 0xFFFF) << 16 | (word >> 16);
        uint64_t lastKey = (uint64_t)(last & 0xFFFF) << 16 | (last >> 16);
        ASSERT_GE(key, lastKey) << ms << " ms";
        last = word;
    }

    EXPECT_EQ(BASS_ChannelIsActive(MUSIC_Handle), (DWORD)BASS_ACTIVE_STOPPED);
}

TEST_F(MusicTest, HeadlessAudioIsCapturedExactlyAndIsThePlayersOwn)
{
    std::vector<int16_t> captured;
    SND_SetCapture(
        [](const int16_t* frames, size_t count, void* user) {
            auto* v = (std::vector<int16_t>*)user;
            v->insert(v->end(), frames, frames + 2 * count);
        },
        &captured);
    MUSIC_Init();
    MUSIC_Load(modulePath.c_str());
    // Uneven steps of the clock, then an exact end frame past the module's end.
    for (uint32_t ms : {1u, 15u, 16u, 300u, 1234u})
        PLAT_VirtualMs = ms, MUSIC_LibraryPosition();
    SND_RenderTo(44100 * 3 + 17);
    SND_RenderTo(1000);  // already rendered: nothing
    ASSERT_EQ(captured.size(), 2u * (44100 * 3 + 17));
    EXPECT_EQ(SND_FramesRendered(), 44100u * 3 + 17);

    Reference ref;
    std::vector<int16_t> expected;
    ref.At(44100 * 3 + 17, &expected);
    // The player stops at the end; the layer pads with silence, and fades the song's last 10 ms.
    const long end = (long)expected.size() / 2, fade = 441;
    expected.resize(captured.size(), 0);
    EXPECT_TRUE(std::equal(captured.begin(), captured.begin() + 2 * (end - fade), expected.begin()));
    EXPECT_TRUE(std::all_of(captured.begin() + 2 * end, captured.end(), [](int16_t s) { return s == 0; }));
    EXPECT_NE(std::count(captured.begin(), captured.end(), 0), (long)captured.size());
}

TEST_F(MusicTest, StopEndsPlayingAndFreeingTwiceIsHarmless)
{
    MUSIC_Init();
    MUSIC_Load(modulePath.c_str());
    PLAT_VirtualMs = 500;
    EXPECT_EQ(MUSIC_GetOrder(), 1);
    MUSIC_Stop();
    EXPECT_EQ(MusicStopped, 1);
    EXPECT_FALSE(MUSIC_IsPlaying());
    MUSIC_Free();
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    // The library is gone: the position call fails, and both numbers read 65536.
    EXPECT_EQ(BASS_ChannelGetPosition(MUSIC_Handle, BASS_POS_MUSIC_ORDER), (QWORD)-1);
    EXPECT_EQ(MUSIC_GetOrder(), 65536);
    EXPECT_EQ(MUSIC_GetRow(), 65536);
    // A new start clears the flag again.
    MUSIC_Init();
    EXPECT_TRUE(MUSIC_IsPlaying());
}

TEST_F(MusicTest, StartUpFailuresSayWhatAndExitWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::vector<uint8_t> module = s3m_fixture::Module();
    const std::string empty = Write("empty.s3m", {});
    const std::string junk = Write("junk.s3m", std::vector<uint8_t>(module.begin(), module.begin() + 40));
    const std::string missing = dir + "/missing.s3m";
    const struct {
        std::string path, message;
    } cases[] = {
        {missing, "missing.s3m\" is missing or empty"},
        {empty, "empty.s3m\" is missing or empty"},
        {junk, "junk.s3m\" cannot be played: "},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                MUSIC_Init();
                MUSIC_Load(c.path.c_str());
            },
            ::testing::ExitedWithCode(1), ::testing::HasSubstr(c.message));
    }

    // No usable sound device: the device's reason and the hint.
    PLAT_UseWindow(true);
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
            MUSIC_Init();
        },
        ::testing::ExitedWithCode(1), ::testing::ContainsRegex("cannot open the sound device: .+\n.*--nosound"));
    // --nosound takes no device, so the same machine plays.
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
            PLAT_UseWindow(false);   // --nosound
            MUSIC_Init();
            MUSIC_Load(modulePath.c_str());
            std::exit(MUSIC_GetOrder() == 1 ? 7 : 8);
        },
        ::testing::ExitedWithCode(7), "");
}

TEST_F(MusicTest, LayerCallsCheckTheirArguments)
{
    EXPECT_EQ(BASS_MusicLoad(1, "x", 0, 1, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_Init(3, 44100, 0, nullptr, nullptr), 0);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_EQ(BASS_Init(-1, 44100, 0, nullptr, nullptr), 0) << "the headless backend has no sound output";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    ASSERT_EQ(BASS_Init(0, 44100, 0, nullptr, nullptr), 1);
    EXPECT_EQ(BASS_Init(0, 44100, 0, nullptr, nullptr), 0);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_EQ(BASS_ChannelGetPosition(1, BASS_POS_MUSIC_ORDER), (QWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    std::vector<uint8_t> module = s3m_fixture::Module();
    std::vector<uint8_t> padded(5, 0xEE);
    padded.insert(padded.end(), module.begin(), module.end());
    HMUSIC h = BASS_MusicLoad(1, padded.data(), 5, (DWORD)module.size(), 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetPosition(h, 0), (QWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_ChannelIsActive(h), (DWORD)BASS_ACTIVE_STOPPED);  // loaded, not played
    ASSERT_EQ(BASS_ChannelPlay(h, 1), 1);
    EXPECT_EQ(BASS_ChannelIsActive(h), (DWORD)BASS_ACTIVE_PLAYING);
}

// The sound-device path with SDL's dummy driver: it opens and plays, and the position heard
// moves forward from the start; or, where even that driver is missing, it fails cleanly. The
// test follows the audio the device has taken, not the wall clock, so a slow or loaded
// machine only makes it wait longer.
TEST_F(MusicTest, SoundDeviceOpensOrFailsCleanly)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    PLAT_UseWindow(true);
    if (BASS_Init(-1, 44100, 0, nullptr, nullptr) != 1) {
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
        EXPECT_STRNE(SND_ErrorDetail(), "");
        GTEST_SKIP() << "no dummy sound driver: " << SND_ErrorDetail();
    }
    EXPECT_EQ(BASS_Start(), 1);
    std::vector<uint8_t> module = s3m_fixture::Module();
    HMUSIC h = BASS_MusicLoad(1, module.data(), 0, (DWORD)module.size(), 0, 0);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(BASS_ChannelPlay(h, 1), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_MUSIC_ORDER), 0u);  // nothing heard yet
    // 32768 frames (0.74 s of the module) lie well past its first 60 ms row, even less the two
    // device buffers that the position heard lags behind, and within its first order (0.96 s).
    const uint64_t target = 32768;
    uint32_t last = 0;
    for (int waited = 0; SND_FramesRendered() < target; waited++) {
        ASSERT_LT(waited, 60000) << "the device took " << SND_FramesRendered() << " frames in a minute";
        SDL_Delay(1);
        QWORD pos = BASS_ChannelGetPosition(h, BASS_POS_MUSIC_ORDER);
        ASSERT_NE(pos, (QWORD)-1);
        uint32_t word = (uint32_t)pos;
        EXPECT_GE(word >> 16, last >> 16);
        last = word;
    }
    last = (uint32_t)BASS_ChannelGetPosition(h, BASS_POS_MUSIC_ORDER);
    EXPECT_EQ(last & 0xFFFF, 0u) << "still in the first order";
    EXPECT_GT(last >> 16, 0u) << "the heard position did not move in " << target << " frames";
    EXPECT_EQ(BASS_ChannelIsActive(h), (DWORD)BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_Stop(), 1);
    EXPECT_EQ(BASS_Free(), 1);
    EXPECT_EQ(BASS_Free(), 0);
}

}  // namespace
