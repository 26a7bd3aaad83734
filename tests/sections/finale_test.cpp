// The closing screen: the softening pass with its row-end wrap and its bottom row, the cleared
// left column, text that glows and melts up and to the left, and the text screen's failure.
#include "common/font_fixture.h"
#include "common/picture_fixture.h"

#include "data/archive.h"
#include "driver/demo.h"
#include "platform/screen.h"
#include "sections/endtext.h"
#include "sections/finale.h"
#include "text/font.h"
#include "text/tcscr.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <optional>
#include <utility>

namespace {

constexpr uint32_t Grey(uint32_t g) { return g << 22 | g << 12 | g << 2; }

class Finale : public ::testing::Test {
protected:
    std::optional<FIX_ScratchDir> scratch;

    void SetUp() override { scratch.emplace(); }
    void TearDown() override
    {
        FONT_Free(&DemoFont);
        TCS_End();
        TCS_Active = 0;
        FrameHook = nullptr;
        ENDTEXT_Close();
        DAT_CloseAll();
        scratch.reset();
    }
    // The pixels that are not black after masking, by (x, y).
    static std::map<std::pair<int, int>, uint32_t> Lit()
    {
        std::map<std::pair<int, int>, uint32_t> lit;
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++)
                if (uint32_t v = TCS_Picture[y * 320 + x] & TCS_MASK)
                    lit[{x, y}] = v;
        return lit;
    }
};

TEST_F(Finale, OneFrameSpreadsALitPixelUpAndToTheLeft)
{
    // No end text: the frames show only the softening.
    ASSERT_TRUE(FinalePrepare(0));
    ASSERT_TRUE(FinaleStart(10));
    EXPECT_EQ(FrameHook, FinaleFrame);
    using Lits = std::map<std::pair<int, int>, uint32_t>;
    struct Case {
        const char* what;
        int x, y;
        Lits after;
    };
    const Case cases[] = {
        {"inside", 100, 50, {{{99, 49}, Grey(63)}, {{100, 49}, Grey(63)}, {{99, 50}, Grey(63)}, {{100, 50}, Grey(63)}}},
        {"in column 0: wraps into the last column of the two rows above", 0, 50,
         {{{319, 48}, Grey(63)}, {{319, 49}, Grey(63)}}},
        {"in the bottom row: kept, and feeds the row above", 100, 199,
         {{{99, 198}, Grey(63)}, {{100, 198}, Grey(63)}, {{100, 199}, Grey(252)}}},
        {"first of the bottom row: the last softened pixel reads it, nothing past the picture", 0, 199,
         {{{319, 197}, Grey(63)}, {{319, 198}, Grey(63)}}},
        {"last of the bottom row", 319, 199, {{{318, 198}, Grey(63)}, {{319, 198}, Grey(63)}, {{319, 199}, Grey(252)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::fill(TCS_Picture, TCS_Picture + 320 * 200, 0u);
        TCS_Picture[c.y * 320 + c.x] = Grey(252);
        EXPECT_TRUE(FinaleFrame(11));
        EXPECT_EQ(Lit(), c.after);
    }
}

TEST_F(Finale, TextGlowsAndMeltsUpAndToTheLeftOnTheShownScreen)
{
    const std::vector<uint8_t> font = FIX_MapFont(8, "H", 6, 255);
    ASSERT_EQ(FONT_LoadMemory(&DemoFont, font.data(), font.size()), 1);
    FIX_WriteFile("ENDTEXT.TXT", {'1', '0', '0', ' ', '1', '0', '0', ' ', 'H', '\n'});
    TCS_Active = 0;
    ASSERT_TRUE(FinalePrepare(500));
    ASSERT_TRUE(FinaleStart(1000));
    EXPECT_EQ(TCS_Active, 1);
    for (uint32_t t = 1001; t <= 1200; t++)
        FinaleFrame(t);
    LLS_DUMP();

    // The text screen is shown doubled from row 40 of the frame, each channel of its field.
    auto shown = [](int x, int y) { return LLS_Frame32[(40 + 2 * y) * 640 + 2 * x] & 0xFF; };
    EXPECT_GT(shown(102, 103), 150u) << "the glyph glows at full level";
    EXPECT_GT(shown(96, 96), 0u) << "light runs up and to the left";
    EXPECT_EQ(shown(108, 110), 0u) << "and never down or to the right";
    EXPECT_EQ(LLS_Frame32[(40 + 2 * 103) * 640 + 2 * 102], shown(102, 103) * 0x010101u) << "grey";
    EXPECT_EQ(LLS_Frame32[0], 0u);
}

TEST_F(Finale, TextScreenThatCannotBeAllocatedEndsTheShowSayingWhat)
{
    // A fresh process, whose heap holds no freed block the picture could reuse.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = ::testing::TempDir() + "/finale_fatal_stdout.txt";
    EXPECT_EXIT(
        {
            if (!std::freopen(path.c_str(), "w", stdout))
                std::abort();
            std::setvbuf(stdout, nullptr, _IONBF, 0);
            // Below what the process already holds: no new block of the heap can be had.
            struct rlimit limit;
            limit.rlim_cur = limit.rlim_max = 1 << 20;
            setrlimit(RLIMIT_DATA, &limit);
            FinaleStart(0);
        },
        ::testing::ExitedWithCode(1), "");
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        char buffer[256];
        text.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
        std::fclose(f);
    }
    EXPECT_EQ(text, "ERROR ERROR ERROR ERROR\nOut of memory: cannot allocate 256000 bytes for the 320 x 200 text screen.\n");
}

}  // namespace
