// vantrel-anim as its users run it: GIF pictures made into a .ZAF come back exactly from the
// show's player and from its PNG frames, and bad input ends with a message and status 1.
#include "anim_fixture.h"

#include "fx2d/anim.h"

#include <sys/wait.h>

#include <filesystem>
#include <random>

namespace {

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun RunTool(const std::string& args)
{
    const std::string cmd = std::string(VANTREL_BINARY_DIR) + "/vantrel-anim " + args + " >tool.out 2>tool.err";
    const int raw = std::system(cmd.c_str());
    const std::vector<uint8_t> out = ANIMTEST_ReadFile("tool.out"), err = ANIMTEST_ReadFile("tool.err");
    return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(out.begin(), out.end()),
                   std::string(err.begin(), err.end())};
}

class AnimToolTest : public AnimDirTest {
protected:
    // Four pictures: a gradient, the same with a block painted, that again (an empty frame),
    // and noise.
    std::vector<std::vector<uint8_t>> pictures;

    void SetUp() override
    {
        AnimDirTest::SetUp();
        std::vector<uint8_t> p(64000);
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++)
                p[(size_t)(y * 320 + x)] = (uint8_t)((x + y) / 3);
        pictures.push_back(p);
        for (int y = 20; y < 120; y++)
            std::memset(&p[(size_t)(y * 320 + 50)], 200, 100);
        pictures.push_back(p);
        pictures.push_back(p);
        std::mt19937 rng(7);
        for (uint8_t& b : p)
            b = (uint8_t)rng();
        pictures.push_back(p);
        for (size_t k = 0; k < pictures.size(); k++) {
            char name[32];
            std::snprintf(name, sizeof name, "f%zu.gif", k);
            ANIMTEST_WriteGIF(name, 320, 200, pictures[k]);
        }
    }
};

TEST_F(AnimToolTest, MakeThenPlayGivesThePicturesBack)
{
    const std::string frames = "f0.gif f1.gif f2.gif f3.gif";
    ToolRun r = RunTool("make out.zaf " + frames);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(RunTool("make again.zaf " + frames).status, 0);
    EXPECT_EQ(ANIMTEST_ReadFile("again.zaf"), ANIMTEST_ReadFile("out.zaf"));

    // The show's player, forward and back.
    Anim anim;
    ASSERT_EQ(ANIM_Init(&anim, "out.zaf", 0, 0, 0), 1) << ANIM_Error();
    ASSERT_EQ(anim.frameCount, 4);
    EXPECT_EQ(anim.frames[2], nullptr);
    for (size_t k = 0; k < pictures.size(); k++) {
        ANIM_Play(&anim, 1, 0);
        EXPECT_EQ(Screen(), pictures[k]) << k;
    }
    ANIM_Play(&anim, -4, 0);
    EXPECT_EQ(Screen(), std::vector<uint8_t>(64000, 0));
    ANIM_End(&anim);

    // The PNG frames, with the pictures' own palette.
    std::vector<uint8_t> palette;
    for (int i = 0; i < 256; i++) {
        const GifColorType c = ANIMTEST_Colour(i, 0);
        palette.insert(palette.end(), {c.Red, c.Green, c.Blue});
    }
    r = RunTool("play out.zaf fwd --palette f0.gif");
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunTool("play --backward out.zaf back --palette f0.gif");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> cleared(64000, 0);
    const std::vector<uint8_t>* backward[] = {&pictures[2], &pictures[1], &pictures[0], &cleared};
    for (int k = 0; k < 4; k++) {
        SCOPED_TRACE(k);
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06d.png", k);
        AnimTestPng png;
        ASSERT_TRUE(ANIMTEST_ReadIndexedPNG("fwd" + std::string(name), &png));
        EXPECT_EQ(png.width, 320);
        EXPECT_EQ(png.height, 200);
        EXPECT_EQ(png.indices, pictures[(size_t)k]);
        EXPECT_EQ(png.palette, palette);
        ASSERT_TRUE(ANIMTEST_ReadIndexedPNG("back" + std::string(name), &png));
        EXPECT_EQ(png.indices, *backward[k]);
    }
    EXPECT_FALSE(std::filesystem::exists("fwd/frame-000004.png"));
    EXPECT_FALSE(std::filesystem::exists("back/frame-000004.png"));

    r = RunTool("info out.zaf");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("format: ZAF\nframes: 4\nheader word: 0\nframe 0: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nframe 2: empty\nframe 3: "), std::string::npos) << r.out;
}

TEST_F(AnimToolTest, RefusesBadInputWithAMessage)
{
    ANIMTEST_WriteGIF("other.gif", 320, 200, pictures[0], 1);
    ANIMTEST_WriteGIF("wide.gif", 321, 200, std::vector<uint8_t>(321 * 200, 1));
    ANIMTEST_WriteGIF("laced.gif", 320, 200, pictures[0], 0, true);
    ANIMTEST_WriteFile("text.txt", std::vector<uint8_t>(100, 'x'));
    // One frame of 3 bytes that stops 10 bytes into the screen.
    std::vector<uint8_t> bad = {'.', 'Z', 'A', 'F', 1, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 1, 0};
    ANIMTEST_WriteFile("bad.zaf", bad);
    bad.resize(6);
    ANIMTEST_WriteFile("short.zaf", bad);
    const struct {
        const char* args;
        const char* message;   // a part of stderr
    } cases[] = {
        {"make out.zaf f0.gif other.gif", "other.gif: its colour table differs from that of f0.gif"},
        {"make out.zaf f0.gif wide.gif", "wide.gif: 321 x 200 pixels"},
        {"make out.zaf laced.gif", "laced.gif: an interlaced GIF"},
        {"make out.zaf missing.gif", "cannot read missing.gif"},
        {"make out.zaf text.txt", "text.txt: not a picture"},
        {"make out.zaf f0.gif .", "cannot read .: it is a folder"},
        {"make out.zaf", "at least one picture"},
        {"info text.txt", "text.txt: not a .ZAF or .ZS2 file"},
        {"info short.zaf", "short.zaf: the file is shorter than the 8-byte header"},
        {"info bad.zaf", "bad.zaf: 1 corrupt frame"},
        {"info missing.zs2", "cannot read missing.zs2"},
        {"play bad.zaf png --palette f0.gif", "bad.zaf: frame 0 is corrupt"},
        {"play --backward bad.zaf png --palette f0.gif", "bad.zaf: frame 0 is corrupt"},
        {"play text.txt png --palette f0.gif", "text.txt: not a .ZAF file"},
        {"play missing.zaf png --palette f0.gif", "cannot read missing.zaf"},
        {"play bad.zaf png --palette missing.gif", "cannot read missing.gif"},
        {"play bad.zaf png", "needs --palette"},
        {"play bad.zaf png --palette", "--palette needs a picture"},
        {"play bad.zaf png --palette f0.gif --fast", "unknown option --fast"},
        {"frobnicate", "unknown command"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun r = RunTool(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists("out.zaf"));
    EXPECT_NE(RunTool("info bad.zaf").out.find("frame 0: 3 bytes (corrupt)"), std::string::npos);
    for (const char* command : {"--help", "make --help", "info --help", "play --help"}) {
        const ToolRun r = RunTool(command);
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("usage: vantrel-anim"), std::string::npos) << command;
    }
}

TEST_F(AnimToolTest, InfoDescribesASprite)
{
    std::vector<uint8_t> s = {'.', 'Z', 'S', '2', 2, 0, 3, 0, 0xFF, 0xFF, 4, 0, 9, 0, 8, 0, 0, 0, 0, 0, 7, 0, 0, 0};
    s.insert(s.end(), {1, 0, 2, 2, 5, 6, 0});   // by columns: two items of 2 and 5 bytes
    ANIMTEST_WriteFile("s.zs2", s);
    const ToolRun r = RunTool("info s.zs2");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "format: ZS2\nwidth: 2\nheight: 3\norigin: -1, 4\nflags: 0x00000000 (one item per column)\n"
              "fields E, F: 9, 8\nitems: 2\nitem 0: 2 bytes\nitem 1: 5 bytes\n");
}

}  // namespace
