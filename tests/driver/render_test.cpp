// The offline renderer through the real program: a short headless render of the show with
// the test module, its files, their repeatability, and its failure messages.
#include "common/s3m_fixture.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

// A working folder holding the generated pictures and tables (GFX/) and, as
// MUSIC/VANTREL.S3M, the short test module, where the program runs.
class RenderTest : public ::testing::Test {
protected:
    static std::string dataSet;  // one generated data set for the whole suite
    std::string dir;

    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/vantrel-render-data-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dataSet = tmpl;
        ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' '" + dataSet + "' >/dev/null").c_str()), 0);
    }

    static void TearDownTestSuite() { std::system(("rm -rf '" + dataSet + "'").c_str()); }

    void SetUp() override
    {
        char tmpl[] = "/tmp/vantrel-render-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(std::system(("cp -r '" + dataSet + "/GFX' '" + dir + "/' && mkdir '" + dir + "/MUSIC'").c_str()), 0);
        ASSERT_TRUE(s3m_fixture::WriteFile(dir + "/MUSIC/VANTREL.S3M", s3m_fixture::Module()));
    }

    void TearDown() override { EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }

    // Runs the program in the folder; returns its exit status, with its stderr in *err.
    int Run(const std::string& args, std::string* err = nullptr, const std::string& env = "")
    {
        std::string cmd = "cd '" + dir + "' && " + env + " '" VANTREL_BINARY_DIR "/vantrel' " + args +
                          " 2>stderr.txt >/dev/null";
        int status = std::system(cmd.c_str());
        if (err) {
            std::vector<uint8_t> e = ReadAll(dir + "/stderr.txt");
            err->assign(e.begin(), e.end());
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int CountFrames(const std::string& out)
    {
        int n = 0;
        while (access((dir + "/" + out + "/" + FrameName(n)).c_str(), F_OK) == 0)
            n++;
        return n;
    }

    static std::string FrameName(int n)
    {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", n);
        return name;
    }
};

std::string RenderTest::dataSet;

// The soundtrack as the module player renders it alone: total frames, 16-bit little-endian.
std::vector<uint8_t> ReferenceAudio(size_t total)
{
    std::vector<uint8_t> module = s3m_fixture::Module();
    const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
    openmpt_module* mod = openmpt_module_create_from_memory2(module.data(), module.size(), nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr, ctls);
    std::vector<int16_t> samples(2 * total, 0);
    openmpt_module_read_interleaved_stereo(mod, 44100, total, samples.data());
    openmpt_module_destroy(mod);
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back((uint8_t)s);
        bytes.push_back((uint8_t)((uint16_t)s >> 8));
    }
    return bytes;
}

TEST_F(RenderTest, ShortRenderWritesFramesAndMatchingAudioTheSameEveryTime)
{
    std::string err;
    ASSERT_EQ(Run("--render a --frames 24", &err), 0) << err;
    ASSERT_EQ(Run("--render b --frames 24"), 0);
    EXPECT_NE(err.find("order:row"), std::string::npos) << err;  // the progress line
    EXPECT_EQ(CountFrames("a"), 24);

    for (int n = 0; n < 24; n++) {
        std::vector<uint8_t> a = ReadAll(dir + "/a/" + FrameName(n));
        ASSERT_GT(a.size(), 8u);
        EXPECT_EQ(a, ReadAll(dir + "/b/" + FrameName(n))) << FrameName(n);
    }
    std::vector<uint8_t> wav = ReadAll(dir + "/a/audio.wav");
    EXPECT_EQ(wav, ReadAll(dir + "/b/audio.wav"));

    // 16-bit stereo at 44100 Hz, 630 audio frames per frame of show.
    const uint32_t bytes = 24 * 630 * 4;
    ASSERT_EQ(wav.size(), 44u + bytes);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(wav, 4), 36 + bytes);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le32(wav, 20), 1u | 2u << 16);  // PCM, 2 channels
    EXPECT_EQ(Le32(wav, 24), 44100u);
    EXPECT_EQ(Le32(wav, 28), 44100u * 4);
    EXPECT_EQ(Le32(wav, 32), 4u | 16u << 16);
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(Le32(wav, 40), bytes);
    // The audio is the module's own, from its first frame on.
    EXPECT_TRUE(std::vector<uint8_t>(wav.begin() + 44, wav.end()) == ReferenceAudio(24 * 630));
}

TEST_F(RenderTest, EveryKeepsOneFrameInKAndTheAudioStaysWhole)
{
    ASSERT_EQ(Run("--render all --frames 20"), 0);
    ASSERT_EQ(Run("--render some --frames 20 --every 3"), 0);
    EXPECT_EQ(CountFrames("some"), 7);  // frames 0, 3, ..., 18
    for (int k = 0; k < 7; k++)
        EXPECT_EQ(ReadAll(dir + "/some/" + FrameName(k)), ReadAll(dir + "/all/" + FrameName(3 * k)));
    EXPECT_EQ(ReadAll(dir + "/some/audio.wav"), ReadAll(dir + "/all/audio.wav"));
}

TEST_F(RenderTest, StopsAtUntilAndAtTheEndOfTheMusic)
{
    // Order 2 row 4 ends 1200 ms in (rows of 60 ms, 16 rows in order 1): the render stops
    // at the first frame that the music has passed it, tick 84 or 85.
    // Only the frames' count matters here: one PNG is kept, the audio counts the frames.
    ASSERT_EQ(Run("--render u --until 2:4 --every 1000"), 0);
    size_t bytes = ReadAll(dir + "/u/audio.wav").size() - 44;
    EXPECT_EQ(bytes % (630 * 4), 0u);
    size_t frames = bytes / (630 * 4);
    EXPECT_TRUE(frames == 84 || frames == 85) << frames;

    // With no limit the render ends with the module (2.4 s, 168 ticks), not with the schedule.
    std::string err;
    ASSERT_EQ(Run("--render e --every 1000", &err), 0);
    size_t audio = ReadAll(dir + "/e/audio.wav").size() - 44;
    EXPECT_EQ(audio % (630 * 4), 0u);
    EXPECT_NEAR((double)audio / (630 * 4), 169, 1);
    EXPECT_NE(err.find("the end of the music"), std::string::npos) << err;
}

TEST_F(RenderTest, FailuresSayWhatAndExitWithStatusOne)
{
    ASSERT_TRUE(s3m_fixture::WriteFile(dir + "/afile", {1}));
    const struct {
        const char* args;
        const char* env;
        const char* message;
        bool writes;   // whether the folder and its audio.wav are made before the failure
    } cases[] = {
        {"--render out --video out.mp4", "PATH=/nonexistent", "--video needs ffmpeg", false},
        {"--render afile", "", "cannot make the folder \"afile\"", false},
        {"--render out", "rm MUSIC/VANTREL.S3M &&", "MUSIC\\VANTREL.S3M\" is missing or empty", true},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(Run(c.args, &err, c.env), 1) << c.args;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.args << ": " << err;
        EXPECT_EQ(access((dir + "/out").c_str(), F_OK) == 0, c.writes) << c.args;
    }
}

TEST_F(RenderTest, VideoWhereFfmpegIsInstalled)
{
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    std::string err;
    ASSERT_EQ(Run("--render v --frames 10 --video v/show.mp4", &err), 0) << err;
    std::vector<uint8_t> mp4 = ReadAll(dir + "/v/show.mp4");
    ASSERT_GT(mp4.size(), 12u);
    EXPECT_EQ(std::string(mp4.begin() + 4, mp4.begin() + 8), "ftyp");
    EXPECT_EQ(CountFrames("v"), 10);
}

}  // namespace
