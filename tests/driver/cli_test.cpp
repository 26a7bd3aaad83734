// The program's command line end to end: --from against a render from the start, the
// timedemo's table, the full render's frame count said up front, bad values and failed
// start-ups with their exit statuses, and a render interrupted by a signal.
#include "common/s3m_fixture.h"
#include "driver/demo.h"
#include "driver/timedemo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

uint32_t Le32(const std::string& b, size_t at)
{
    return (uint8_t)b[at] | (uint8_t)b[at + 1] << 8 | (uint8_t)b[at + 2] << 16 | (uint32_t)(uint8_t)b[at + 3] << 24;
}

std::string FrameName(int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", n);
    return name;
}

// A working folder with the generated pictures and, as MUSIC/VANTREL.S3M, the 2.4 s test
// module (or, with the real soundtrack, the generated one).
class Cli : public ::testing::Test {
protected:
    static std::string dataSet;
    std::string dir;

    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/vantrel-cli-data-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dataSet = tmpl;
        ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' '" + dataSet + "' >/dev/null").c_str()), 0);
    }
    static void TearDownTestSuite() { std::system(("rm -rf '" + dataSet + "'").c_str()); }

    void SetUp() override
    {
        char tmpl[] = "/tmp/vantrel-cli-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(std::system(("cp -r '" + dataSet + "/GFX' '" + dir + "/' && mkdir '" + dir + "/MUSIC'").c_str()), 0);
        ASSERT_TRUE(s3m_fixture::WriteFile(dir + "/MUSIC/VANTREL.S3M", s3m_fixture::Module()));
    }
    void TearDown() override { EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }

    void UseRealSoundtrack()
    {
        ASSERT_EQ(std::system(("cp '" + dataSet + "/MUSIC/VANTREL.S3M' '" + dir + "/MUSIC/'").c_str()), 0);
    }

    // Runs the program in the folder: its exit status (-1 when killed), stderr and stdout.
    int Run(const std::string& args, std::string* err = nullptr, std::string* out = nullptr,
            const std::string& env = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy")
    {
        std::string cmd = "cd '" + dir + "' && " + env + " '" VANTREL_BINARY_DIR "/vantrel' " + args +
                          " 2>stderr.txt >stdout.txt";
        int status = std::system(cmd.c_str());
        if (err)
            *err = ReadText(dir + "/stderr.txt");
        if (out)
            *out = ReadText(dir + "/stdout.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int CountFrames(const std::string& out)
    {
        int n = 0;
        while (Exists(dir + "/" + out + "/" + FrameName(n)))
            n++;
        return n;
    }
};

std::string Cli::dataSet;

TEST_F(Cli, FromGivesTheFramesAndAudioOfARenderFromTheStart)
{
    // Order 2 row 1 is passed 1020 ms in (60 ms rows, 16 in order 1), order 2 row 6 at 1320 ms.
    ASSERT_EQ(Run("--render full --until 2:6"), 0);
    std::string err;
    ASSERT_EQ(Run("--render part --from 2:1 --until 2:6", &err), 0) << err;
    EXPECT_NE(err.find("skipping to 2:1"), std::string::npos) << err;
    const int all = CountFrames("full"), part = CountFrames("part");
    ASSERT_GE(part, 18);
    ASSERT_LE(part, 23);
    const int start = all - part;
    EXPECT_NEAR(start, 72, 1) << "the first frame past 2:1 (tick 72 begins at 1015 ms)";
    for (int n = 0; n < part; n++)
        ASSERT_EQ(ReadText(dir + "/part/" + FrameName(n)), ReadText(dir + "/full/" + FrameName(start + n))) << n;
    // The index: one line per frame, the first one at the start's tick, just past 2:1.
    const std::string index = ReadText(dir + "/part/frames.txt");
    EXPECT_EQ(std::count(index.begin(), index.end(), '\n'), part);
    char name[32], time[16];
    unsigned long long tick = 0;
    int order = 0, row = 0;
    ASSERT_EQ(std::sscanf(index.c_str(), "%31s %llu %15s %d:%d", name, &tick, time, &order, &row), 5) << index;
    EXPECT_STREQ(name, "frame-000000.png");
    EXPECT_EQ(tick, (unsigned long long)start);
    EXPECT_EQ(order * 100 + row, 202);
    const std::string fullWav = ReadText(dir + "/full/audio.wav"), partWav = ReadText(dir + "/part/audio.wav");
    ASSERT_EQ(partWav.size(), 44u + (size_t)part * 630 * 4);
    EXPECT_EQ(Le32(partWav, 40), (uint32_t)part * 630 * 4);
    EXPECT_TRUE(partWav.compare(44, std::string::npos, fullWav, 44 + (size_t)start * 630 * 4, std::string::npos) == 0)
        << "the audio does not start at the first frame's tick";
}

TEST_F(Cli, FromPastTheEndOfTheShowIsBadUsage)
{
    // In the window (the dummy video driver) and in a render, skipping runs into the end of
    // the music before 60:1.
    for (const char* args : {"--nosound --from 60:1", "--render r --from 60:1"}) {
        std::string err;
        EXPECT_EQ(Run(args, &err), 2) << args;
        EXPECT_NE(err.find("ends before it passes --from 60:1"), std::string::npos) << args << ": " << err;
    }
    EXPECT_EQ(CountFrames("r"), 0);
}

TEST_F(Cli, FullRenderSaysUpFrontHowManyFramesItWrites)
{
    std::string err;
    ASSERT_EQ(Run("--render all", &err), 0) << err;
    const size_t about = err.find("about ");
    ASSERT_NE(about, std::string::npos) << err;
    EXPECT_LT(about, err.find("frame 1 ")) << "said before the frames";
    EXPECT_NEAR(std::atoi(err.c_str() + about + 6), CountFrames("all"), 1);

    ASSERT_EQ(Run("--render some --every 10", &err), 0);
    EXPECT_EQ(err.find("about"), std::string::npos) << "only a render of every frame to the end says it";
}

TEST_F(Cli, TimedemoPrintsItsFiguresAndOneLinePerInstalledHook)
{
    std::string err, out;
    ASSERT_EQ(Run("--timedemo", &err, &out), 0) << err;
    unsigned long long frames = 0;
    double seconds = 0, rate = 0, factor = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "timedemo: %llu frames in %lf s: %lf frames a second, %lf times real time",
                          &frames, &seconds, &rate, &factor),
              4)
        << out;
    EXPECT_NEAR((double)frames, 169, 1) << "the 2.4 s module ends the run";
    EXPECT_GT(factor, 0.0);

    // With this module the show gets to 3:16: the idle hook of the first row, then the weave.
    std::vector<std::string> effects;
    unsigned long long timed = 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        char at[16], name[64];
        unsigned long long count = 0;
        double mean = 0, worst = 0;
        if (std::sscanf(line.c_str(), "%15s %63s %llu %lf %lf", at, name, &count, &mean, &worst) != 5 ||
            !std::strchr(at, ':'))
            continue;
        effects.push_back(std::string(at) + " " + name);
        timed += count;
        EXPECT_LE(mean, worst) << line;
    }
    EXPECT_EQ(effects, (std::vector<std::string>{"1:1 CueIdleHook", "1:1 IntroWeaveStart"})) << out;
    EXPECT_EQ(timed, frames - 1) << "every frame but the first (with the start-up) is timed";
    EXPECT_EQ(CountFrames("."), 0);
}

TEST(Timedemo, EveryTimelineEntryHasItsName)
{
    for (int i = 0; i < TIMELINE_ROWS - 1; i++)
        EXPECT_NE(TIMEDEMO_EntryName(Timeline[i].fn), nullptr) << "row " << i;
    EXPECT_STREQ(TIMEDEMO_EntryName(Timeline[12].fn), "RippleStart");
}

TEST_F(Cli, BadValuesAreRefusedWithStatusTwoAndNothingIsWritten)
{
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"--from 0:1", "--from wants ORDER:ROW"},
        {"--from 5", "--from wants ORDER:ROW"},
        {"--from 5:0", "--from wants ORDER:ROW"},
        {"--from 5:1x", "--from wants ORDER:ROW"},
        {"--from ' 5:1'", "--from wants ORDER:ROW"},
        {"--from 257:1", "--from wants ORDER:ROW"},
        {"--from 99999999999:1", "--from wants ORDER:ROW"},
        {"--render o --until 5:-1", "--until wants ORDER:ROW"},
        {"--render o --from 5:1 --until 4:64", "--until 4:64 does not lie after --from 5:1"},
        {"--render o --from 5:1 --until 5:1", "does not lie after"},
        {"--render o --frames 0", "--frames wants"},
        {"--render o --frames 12abc", "--frames wants"},
        {"--render o --frames 99999999999", "--frames wants"},
        {"--render o --every 0", "--every wants"},
        {"--render o --every +3", "--every wants"},
        {"--scale 0", "--scale wants"},
        {"--scale 9", "--scale wants"},
        {"--scale 1.5", "--scale wants"},
        {"--render o --scale 2", "--scale sizes the window"},
        {"--timedemo --render o", "--timedemo plays the whole show"},
        {"--frames 10", "need --render"},
        {"--from", "needs a value"},
        {"--loud", "unknown option --loud"},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(Run(c.args, &err), 2) << c.args;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.args << ": " << err;
        EXPECT_FALSE(Exists(dir + "/o")) << c.args;
    }
}

TEST_F(Cli, FailedStartUpsSayWhyAndExitWithStatusOne)
{
    std::string err;
    EXPECT_EQ(Run("--nosound", &err, nullptr, "SDL_VIDEODRIVER=nosuchdriver"), 1);
    EXPECT_NE(err.find("Video initialization failed"), std::string::npos) << err;

    // Without ffmpeg a video render creates nothing at all.
    EXPECT_EQ(Run("--render out --video out/show.mp4", &err, nullptr, "PATH=/nonexistent"), 1);
    EXPECT_NE(err.find("--video needs ffmpeg"), std::string::npos) << err;
    EXPECT_FALSE(Exists(dir + "/out"));
}

TEST_F(Cli, InterruptedRenderClosesItsFilesAndLeavesNoFfmpeg)
{
    UseRealSoundtrack();   // long enough to be interrupted
    const bool ffmpeg = std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
    const struct {
        int sig;
        bool video;
    } cases[] = {{SIGINT, ffmpeg}, {SIGTERM, false}};
    for (const auto& c : cases) {
        const std::string out = dir + (c.video ? "/video" : "/plain");
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0)
                _exit(127);
            std::freopen("/dev/null", "w", stderr);
            const std::string video = out + "/show.mp4";
            if (c.video)
                execl(VANTREL_BINARY_DIR "/vantrel", "vantrel", "--render", out.c_str(), "--video", video.c_str(),
                      (char*)nullptr);
            else
                execl(VANTREL_BINARY_DIR "/vantrel", "vantrel", "--render", out.c_str(), (char*)nullptr);
            _exit(127);
        }
        for (int i = 0; i < 6000 && !Exists(out + "/" + FrameName(12)); i++)
            usleep(10000);
        ASSERT_TRUE(Exists(out + "/" + FrameName(12))) << "the render did not get going";
        kill(pid, c.sig);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sig) << "ends by its signal, files closed";

        const std::string wav = ReadText(out + "/audio.wav");
        ASSERT_GT(wav.size(), 44u + 12 * 630 * 4);
        EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
        EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
        EXPECT_EQ((wav.size() - 44) % (630 * 4), 0u) << "whole frames of audio";
        if (c.video) {
            const std::string mp4 = ReadText(out + "/show.mp4");
            ASSERT_GT(mp4.size(), 12u);
            EXPECT_EQ(mp4.substr(4, 4), "ftyp");
            EXPECT_NE(mp4.find("moov"), std::string::npos) << "the video was not finished";
            // "[s]" keeps the pattern from matching the shell that runs pgrep.
            EXPECT_NE(std::system(("pgrep -f 'ffmpeg.*" + out + "/[s]how.mp4' >/dev/null").c_str()), 0)
                << "ffmpeg left running";
        }
    }
}

}  // namespace
