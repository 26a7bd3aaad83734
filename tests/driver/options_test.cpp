// The command line: plain arguments select full screen and the byte order; "--" options don't.
#include "driver/options.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Options, PlainArgumentsSelectFullScreenAndByteOrder)
{
    struct Case {
        std::vector<const char*> args;
        bool fullscreen;
        int orderB, orderR;
    } cases[] = {
        {{}, false, 0, 0},
        {{"big"}, true, 1, 0},
        {{"rgb"}, true, 0, 1},
        {{"x"}, true, 0, 0},
        {{"x", "b", "r"}, true, 0, 0},   // only the first character of the first argument counts
        {{"--nosound"}, false, 0, 0},    // options do not select full screen
        {{"--nosound", "b"}, true, 1, 0},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv = {(char*)"vantrel"};
        for (const char* a : c.args)
            argv.push_back((char*)a);
        DemoOptions o;
        ASSERT_TRUE(DEMO_ParseOptions((int)argv.size(), argv.data(), &o));
        ByteOrderB = ByteOrderR = 0;
        EXPECT_EQ(DEMO_FullScreen(o), c.fullscreen) << c.args.size();
        EXPECT_EQ(ByteOrderB, c.orderB);
        EXPECT_EQ(ByteOrderR, c.orderR);
    }
    ByteOrderB = ByteOrderR = 0;
}

TEST(Options, RenderOptionsAreParsedAndCheckedAgainstEachOther)
{
    char* good[] = {(char*)"v", (char*)"--render", (char*)"out", (char*)"--until", (char*)"10:1",
                    (char*)"--frames", (char*)"70", (char*)"--every", (char*)"2"};
    DemoOptions o;
    ASSERT_TRUE(DEMO_ParseOptions(9, good, &o));
    EXPECT_STREQ(o.renderDir, "out");
    EXPECT_EQ(o.untilOrder, 10);
    EXPECT_EQ(o.untilRow, 1);
    EXPECT_EQ(o.frames, 70);
    EXPECT_EQ(o.every, 2);
    EXPECT_EQ(o.plainCount, 0);

    const std::vector<std::vector<const char*>> bad = {
        {"--until", "10:1"},              // needs --render
        {"--render"},                     // missing value
        {"--render", "o", "--until", "10"},
        {"--render", "o", "--every", "0"},
        {"--render", "o", "--frames", "-3"},
        {"--fullscreen"},
    };
    for (const auto& args : bad) {
        std::vector<char*> argv = {(char*)"v"};
        for (const char* a : args)
            argv.push_back((char*)a);
        EXPECT_FALSE(DEMO_ParseOptions((int)argv.size(), argv.data(), &o)) << args[0];
    }
}
