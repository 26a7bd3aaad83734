// The end-text pager: what each script line becomes on a page, the page durations and the
// loop back to the text's start, the line-by-line cross-fade, and the end of an archive member.
#include "common/font_fixture.h"
#include "common/picture_fixture.h"

#include "data/archive.h"
#include "data/datwrite.h"
#include "data/file.h"
#include "driver/demo.h"
#include "platform/screen.h"
#include "sections/endtext.h"
#include "text/font.h"
#include "text/stext.h"
#include "text/tcscr.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct Line {
    int x, y;
    std::string text;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& l)
{
    return out << "(" << l.x << ", " << l.y << ", \"" << l.text << "\")";
}

// The pager runs in a scratch folder with a text screen and a start-up font whose printable
// characters are solid 4 x 8 glyphs of value 255 (space has none: it advances 4).
class Pager : public ::testing::Test {
protected:
    std::optional<FIX_ScratchDir> scratch;

    void SetUp() override
    {
        scratch.emplace();
        std::string printable;
        for (int c = 33; c < 127; c++)
            printable += (char)c;
        const std::vector<uint8_t> file = FIX_MapFont(8, printable, 4, 255);
        ASSERT_EQ(FONT_LoadMemory(&DemoFont, file.data(), file.size()), 1);
        ASSERT_TRUE(TCS_Init(320, 200, 32));
        STEXT_InitColors();
    }
    void TearDown() override
    {
        FONT_Free(&DemoFont);
        TCS_End();
        TCS_Active = 0;
        ENDTEXT_Close();
        DAT_CloseAll();
        scratch.reset();
    }

    static void WriteScript(const std::string& name, const std::string& text)
    {
        FIX_WriteFile(name, std::vector<uint8_t>(text.begin(), text.end()));
    }

    static std::vector<Line> Page()
    {
        std::vector<Line> lines;
        for (int i = 0; i < ENDTEXT_PAGE_LINES; i++) {
            const EndTextEntry& e = ENDTEXT_State.current[i];
            if (e.text[0] || e.x || e.y)
                lines.push_back({e.x, e.y, e.text});
        }
        return lines;
    }

    // Reads the next page (the update at its start) and returns it with its duration.
    static std::vector<Line> NextPage(uint32_t* t, int64_t* duration)
    {
        ENDTEXT_State.pageStart = -1;
        EndTextUpdate(*t);
        *duration = ENDTEXT_State.pageDuration;
        *t += 1000;
        return Page();
    }

    static uint32_t Grey(int x, int y) { return (TCS_Picture[y * 320 + x] & TCS_MASK) >> 22; }
};

TEST_F(Pager, ScriptLinesBecomePagesAndTheTextLoops)
{
    const std::string a195(195, 'a'), b47(47, 'b');
    struct Case {
        const char* what;
        std::string script;
        std::vector<Line> first;
        int64_t firstTicks;
        std::vector<Line> second;
        int64_t secondTicks;
    };
    const Case cases[] = {
        {"only ENDTEXT 3: empty pages of 3 seconds", "ENDTEXT 3\n", {}, 210, {}, 210},
        {"a centred line 19 pixels below the previous one",
         "10 20 first\n-1 -1 Hello world\nENDPAGE\n", {{10, 20, "first"}, {128, 39, "Hello world"}}, 700, {}, 700},
        {"a first line keeps its negative y", "5 -7 top\n", {{5, -7, "top"}}, 700, {{5, -7, "top"}}, 700},
        {"a comment inside quotes goes, the space before it stays", "10 20 'A /* note */'\n",
         {{10, 20, "A "}}, 700, {{10, 20, "A "}}, 700},
        {"nested comments", "5 6 x/* a /* b */ c */y\n", {{5, 6, "xy"}}, 700, {{5, 6, "xy"}}, 700},
        {"comment lines", "  # word\n/* closed */ ; 1 2 3\n:9 9 9\n\n1 2 kept\nENDPAGE 1\n", {{1, 2, "kept"}}, 70,
         {}, 700},
        {"ENDPAGE 2 extra is a text line", "ENDPAGE 2 extra\nENDPAGE 5\n3 4 next\nendpage\n",
         {{0, 2, "extra"}}, 350, {{3, 4, "next"}}, 700},
        {"lower-case endtext ends the text", "1 1 a\nendtext 4\n5 6 never\n", {{1, 1, "a"}}, 280, {{1, 1, "a"}}, 280},
        {"a tab between numbers is dropped: two tokens, ignored", "10\t20 Hi\n1 1 x\nENDPAGE\n", {{1, 1, "x"}}, 700,
         {}, 700},
        {"a 250-character line is read as 199 + 51", "1 2 " + a195 + "3 4 " + b47 + "\nENDTEXT\n",
         {{1, 2, std::string(99, 'a')}, {3, 4, b47}}, 700, {{1, 2, std::string(99, 'a')}, {3, 4, b47}}, 700},
        {"quotes", "7 8 \"say 'hi' now\"\n\"1\" '2' \"q\"rest\n1 2 it's \"x\"\nENDPAGE\n",
         {{7, 8, "say 'hi' now"}, {1, 2, "q"}, {1, 2, "it's \"x\""}}, 700, {}, 700},
        {"control characters go; the end of the file ends the text", "\x01 3 4 a\x7f b\r\n9 9 c", {{3, 4, "a b"}, {9, 9, "c"}},
         700, {{3, 4, "a b"}, {9, 9, "c"}}, 700},
        {"numbers that are not numbers read as 0", "x y z\nENDPAGE soon\n1 1 b\n", {{0, 0, "z"}}, 0, {{1, 1, "b"}}, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteScript("ENDTEXT.TXT", c.script);
        ASSERT_EQ(EndTextOpen("ENDTEXT.TXT"), 1);
        uint32_t t = 0;
        int64_t ticks = 0;
        EXPECT_EQ(NextPage(&t, &ticks), c.first);
        EXPECT_EQ(ticks, c.firstTicks);
        EXPECT_EQ(NextPage(&t, &ticks), c.second);
        EXPECT_EQ(ticks, c.secondTicks);
    }
}

TEST_F(Pager, TwentyLinesAtMostOnAPage)
{
    std::string script;
    for (int i = 0; i < 22; i++)
        script += std::to_string(i) + " -1 L" + std::to_string(i) + "\n";
    WriteScript("ENDTEXT.TXT", script + "ENDPAGE\n");
    ASSERT_EQ(EndTextOpen("ENDTEXT.TXT"), 1);
    uint32_t t = 0;
    int64_t ticks;
    const std::vector<Line> page = NextPage(&t, &ticks);
    ASSERT_EQ(page.size(), 20u);
    EXPECT_EQ(page.back(), (Line{19, -1 + 19 * 19, "L19"}));
}

TEST_F(Pager, LinesFadeInOneAfterAnotherWhileTheOldPageFadesOut)
{
    // 'A' is one pixel of value 255: at level L it shows grey floor(100 (L - 1) / 256).
    FONT_Free(&DemoFont);
    const std::vector<uint8_t> dot = FIX_MapFont(1, "A", 1, 255);
    ASSERT_EQ(FONT_LoadMemory(&DemoFont, dot.data(), dot.size()), 1);
    WriteScript("ENDTEXT.TXT", "0 0 A\n0 20 A\nENDPAGE 3\n100 0 A\n100 20 A\nENDTEXT 3\n");
    ASSERT_EQ(EndTextOpen("ENDTEXT.TXT"), 1);

    // Updates at the given ticks on a cleared picture; the grey at the four line places.
    auto frame = [&](uint32_t t) {
        std::fill(TCS_Picture, TCS_Picture + 320 * 200, 0u);
        EndTextUpdate(t);
        return std::vector<uint32_t>{Grey(0, 0), Grey(0, 20), Grey(100, 0), Grey(100, 20)};
    };
    using G = std::vector<uint32_t>;
    EXPECT_EQ(frame(0), (G{0, 0, 0, 0}));      // the first page is read: nothing fades out
    EXPECT_EQ(frame(25), (G{19, 0, 0, 0}));    // line 0 at level 50, line 1 not yet
    EXPECT_EQ(frame(27), (G{20, 1, 0, 0}));    // line 1 from tick 25 on: level 4
    EXPECT_EQ(frame(120), (G{92, 73, 0, 0}));  // line 0 full (239), line 1 at 190
    EXPECT_EQ(frame(145), (G{92, 92, 0, 0}));
    frame(210);
    EXPECT_EQ(ENDTEXT_State.pageStart, 0) << "not yet more than 3 seconds";
    frame(211);
    EXPECT_EQ(ENDTEXT_State.pageStart, -1);
    EXPECT_EQ(frame(212), (G{92, 92, 0, 0}));  // the new page is read: the old one at full level
    EXPECT_EQ(frame(237), (G{73, 92, 19, 0})); // line 0 crosses over, line 1 waits its turn
    EXPECT_EQ(frame(212 + 145), (G{0, 0, 92, 92}));
}

TEST_F(Pager, TextInTheArchiveStopsAtTheEndOfItsMember)
{
    // No closing line: without a bound, the reader would run on into the next member.
    std::string error;
    const std::string text = "5 5 one\n6 6 tw", next = "o and more\n7 7 LEAK\nENDPAGE\n";
    ASSERT_TRUE(DAT_WriteArchive("VANTREL.DAT",
                                 {{"ENDTEXT.TXT", std::vector<uint8_t>(text.begin(), text.end())},
                                  {"NEXT.TXT", std::vector<uint8_t>(next.begin(), next.end())}},
                                 &error))
        << error;
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);
    ASSERT_EQ(EndTextOpen("ENDTEXT.TXT"), 1);
    uint32_t t = 0;
    int64_t ticks;
    const std::vector<Line> page = {{5, 5, "one"}, {6, 6, "tw"}};
    EXPECT_EQ(NextPage(&t, &ticks), page);
    EXPECT_EQ(NextPage(&t, &ticks), page) << "the next page starts over at the member's start";
}

TEST_F(Pager, WithoutTheFileThePagesStayEmpty)
{
    EXPECT_EQ(EndTextOpen("ENDTEXT.TXT"), 0);
    for (uint32_t t = 0; t < 1500; t += 50)
        EndTextUpdate(t);
    EXPECT_TRUE(Page().empty());
    for (int i = 0; i < 320 * 200; i++)
        ASSERT_EQ(TCS_Picture[i], 0u);
}

}  // namespace
