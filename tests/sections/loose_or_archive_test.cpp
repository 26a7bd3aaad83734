// The show's last stretch, from the closing picture at (40,32) to the end at (49,32), played
// twice through the real Timeline and main loop with the generated data set: once from the
// loose files alone and once from VANTREL.DAT alone. Every frame must be byte-identical; the
// pages must light grey text, the last frame must hold from (49,1), and the end must stop the
// music and the loop.
#include "common/scratch_dir.h"
#include "common/scripted_show.h"

#include "data/archive.h"
#include "data/file.h"
#include "driver/demo.h"
#include "fx2d/cues.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"
#include "sections/endtext.h"
#include "sections/finale.h"
#include "text/font.h"
#include "text/tcscr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The first row of the stretch: the closing picture.
constexpr unsigned FIRST_ROW = 71;

struct StretchRun {
    uint32_t frame = 0;
    std::vector<uint64_t> hashes;        // one per presented frame
    int greyTextFrames = 0;              // frames of the text screen with grey light on it
    int colourFaults = 0;                // text-screen pixels that are not grey
    int heldFrames = 0, heldFaults = 0;  // frames after (49,1) and those that changed
    uint64_t heldHash = 0;
    bool musicStopped = false;           // as the loop left it
};
StretchRun* s_run;

// One music row every 8 frames (a row of the module lasts about 8 ticks) from order index 39,
// row index 32; after four orders of pages the position jumps to (48,57) for the end.
uint32_t PositionOf(uint32_t frame)
{
    uint32_t row = 39 * 64 + 32 + frame / 8;
    const uint32_t jumpAt = 43 * 64;
    if (row >= jumpAt)
        row = 47 * 64 + 56 + (row - jumpAt);
    return (row / 64) | ((row % 64) << 16);
}

uint32_t ScriptedPosition(void) { return PositionOf(s_run->frame); }

uint64_t HashFrame(void)
{
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : LLS_Frame32)
        h = (h ^ p) * 1099511628211ull;
    return h;
}

void Presented(void)
{
    StretchRun& r = *s_run;
    const uint64_t hash = HashFrame();
    r.hashes.push_back(hash);

    if (TCS_Active) {
        int lit = 0;
        for (int y = 40; y < 440; y += 2)
            for (int x = 0; x < 640; x += 2) {
                const uint32_t p = LLS_Frame32[y * 640 + x];
                const uint32_t red = p >> 16 & 255, green = p >> 8 & 255, blue = p & 255;
                lit += blue > 0;
                r.colourFaults += red != green || green != blue;
            }
        r.greyTextFrames += lit > 500;
    }
    // From (49,1) on the idle hook holds the last frame of the pages.
    const uint32_t pos = PositionOf(r.frame);
    if ((pos & 0xFFFF) == 48 && (pos >> 16) >= 1 && FrameHook == CUE_Idle) {
        if (r.heldFrames++ == 0)
            r.heldHash = hash;
        r.heldFaults += hash != r.heldHash;
    }
    r.frame++;
    uint32_t ms = r.frame * 1000 / 70;
    while (TIMER_TicksAt(ms) < r.frame)
        ms++;
    PLAT_VirtualMs = ms;
}

// Plays the stretch in the working folder as DemoMain would set it up.
void PlayStretch(StretchRun* run)
{
    s_run = run;
    // The reset also puts back the allocation fill's rand state, the same in both runs.
    FIX_PlayScriptedShow(ScriptedPosition, Presented, FIRST_ROW, [] {
        DAT_Open("VANTREL.DAT");
        FONT_Load(&DemoFont, "GFX\\FONT2.FNT");
    });
    run->musicStopped = MusicStopped != 0;
    TCS_End();
    TCS_Active = 0;
    ENDTEXT_Close();
    FONT_Free(&DemoFont);
    DAT_CloseAll();
    MusicStopped = 0;
}

TEST(LooseOrArchive, TheLastStretchIsTheSameFromLooseFilesAndFromTheArchive)
{
    FIX_TempDir scratch("vantrel-stretch");
    ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' data >/dev/null")), 0);
    fs::create_directories("packed");
    fs::rename("data/VANTREL.DAT", "packed/VANTREL.DAT");
    static_assert(FIRST_ROW < TIMELINE_ROWS, "the stretch starts inside the Timeline");
    ASSERT_EQ(Timeline[FIRST_ROW].fn, CueShowKolde);

    StretchRun loose, packed;
    fs::current_path("data");
    ASSERT_EQ(FILE_GetSize("VANTREL.DAT"), 0u) << "the loose folder holds no archive";
    PlayStretch(&loose);
    fs::current_path("../packed");
    ASSERT_EQ(FILE_GetSize("ENDTEXT.TXT"), 0u) << "the archive folder holds no loose files";
    PlayStretch(&packed);
    fs::current_path("..");

    ASSERT_GT(loose.hashes.size(), 2000u);
    EXPECT_EQ(loose.hashes.size(), packed.hashes.size());
    size_t firstDiff = 0;
    while (firstDiff < std::min(loose.hashes.size(), packed.hashes.size()) &&
           loose.hashes[firstDiff] == packed.hashes[firstDiff])
        firstDiff++;
    EXPECT_EQ(firstDiff, loose.hashes.size()) << "the first frame that differs between loose files and archive";

    // CueEndShow at (49,32) stopped the music and the loop in the first frame past that row.
    EXPECT_TRUE(loose.musicStopped);
    EXPECT_EQ(PositionOf(loose.frame), 48u | 32u << 16);
    EXPECT_LT(PositionOf(loose.frame - 1) >> 16, 32u);
    EXPECT_GT(loose.greyTextFrames, 1200);
    EXPECT_EQ(loose.colourFaults, 0);
    EXPECT_GT(loose.heldFrames, 200);
    EXPECT_EQ(loose.heldFaults, 0);
}

}  // namespace
