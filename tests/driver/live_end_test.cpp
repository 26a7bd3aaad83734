// The live show with a module shorter than its schedule: the real program, in real time,
// plays the module to its end and exits on its own with status 0.
#include "common/s3m_songs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class LiveEnd : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/vantrel-live-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' '" + dir + "' >/dev/null").c_str()), 0);
        // The data set's archive holds the show's own module: only the loose file is replaced.
        std::vector<uint8_t> module = s3m_songs::Module({0, 1, 1});
        std::ofstream(dir + "/MUSIC/VANTREL.S3M", std::ios::binary)
            .write((const char*)module.data(), (std::streamsize)module.size());
    }

    void TearDown() override { EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }
};

TEST_F(LiveEnd, ProgramEndsWithATwoSecondModuleOnItsOwn)
{
    const int lengthMs = s3m_songs::LengthMs({0, 1, 1});
    ASSERT_EQ(lengthMs, 1920);
    // Without a sound device, and with SDL's dummy one (the position of the audio heard).
    for (const char* args : {"--nosound", ""}) {
        SCOPED_TRACE(*args ? args : "sound device");
        const auto start = std::chrono::steady_clock::now();
        const std::string cmd = "cd '" + dir + "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 60 '"
                                VANTREL_BINARY_DIR "/vantrel' " + args +
                                " >/dev/null 2>stderr.txt";
        const int status = std::system(cmd.c_str());
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::ifstream e(dir + "/stderr.txt");
        const std::string err((std::istreambuf_iterator<char>(e)), std::istreambuf_iterator<char>());
        if (!*args && WEXITSTATUS(status) == 1 && err.find("cannot open the sound device") != std::string::npos)
            GTEST_SKIP() << "no dummy sound driver: " << err;
        ASSERT_TRUE(WIFEXITED(status)) << err;
        EXPECT_EQ(WEXITSTATUS(status), 0) << "124 means it was still running after 60 s; " << err;
        EXPECT_GE(ms, lengthMs) << "the module plays to its end first";
    }
}

}  // namespace
