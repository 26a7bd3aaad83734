// The first act with the generated data set and the real music layer: DemoMain runs headless
// on the virtual clock, one frame per tick, from the first note until the music passes (10,1),
// and every presented frame is checked as it leaves LLS_DUMP.
#include "driver/demo.h"
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

struct ShowRun {
    uint32_t frame = 0;
    int order = 0, row = 0;
    int bandFaults = 0;
    bool logoSeen = false, logoChecked = false;
    uint32_t logoTick = 0;
    uint8_t logoPalette[PAL_BYTES];
    int rippleFrames = 0, calmRippleFrames = 0, sideFaults = 0;
    int32_t amplitudeBefore = 0;
    size_t fewestRippleColours = 256;
} s_show;

bool Passed(int order, int row) { return s_show.order > order || (s_show.order == order && s_show.row > row); }

// Distinct colours shown in the middle 512 x 400 of the frame.
size_t MiddleColours()
{
    std::set<uint32_t> colours;
    for (int y = 40; y < 440; y += 3)
        for (int x = 64; x < 576; x += 3)
            colours.insert(LLS_Frame32[y * 640 + x]);
    return colours.size();
}

// Distinct palette indices in the ripple's 256 x 200 window of the display (a flash shows
// every index white, so the picture is judged by its indices).
size_t WindowIndices()
{
    std::set<uint8_t> indices;
    for (int y = 0; y < 200; y += 2)
        for (int x = 32; x < 288; x += 2)
            indices.insert(LLS_VideoMemory[y * 320 + x]);
    return indices.size();
}

void CheckFrame(void)
{
    ShowRun& r = s_show;
    r.order = MUSIC_GetOrder();
    r.row = MUSIC_GetRow();
    for (int i = 0; i < 640 * 40; i++)
        if (LLS_Frame32[i] != 0 || LLS_Frame32[640 * 440 + i] != 0) {
            r.bandFaults++;
            break;
        }

    // The white flash and the logo at (3,32): 63 ticks later the colour table shows the
    // logo's brightened palette.
    if (Passed(3, 32) && !r.logoSeen) {
        r.logoSeen = true;
        r.logoTick = DemoTime;
        std::memcpy(r.logoPalette, PAL_Target, PAL_BYTES);
    }
    if (r.logoSeen && !r.logoChecked && DemoTime == r.logoTick + 63) {
        r.logoChecked = true;
        for (int i = 0; i < 256; i++) {
            const uint8_t* c = r.logoPalette + 3 * i;
            ASSERT_EQ(LLS_ColorTable[i], (uint32_t)c[0] << 18 | (uint32_t)c[1] << 10 | (uint32_t)c[2] << 2) << i;
        }
        EXPECT_GT(MiddleColours(), 30u) << "the logo is on the screen";
    }

    // The ripple from (5,1): once a shake has died away, the side columns stay as cleared.
    if (FrameHook == RippleFrame && Passed(5, 1)) {
        r.rippleFrames++;
        r.fewestRippleColours = std::min(r.fewestRippleColours, WindowIndices());
        // Unshaken: the amplitude was below one pixel and no shake started in this frame
        // (a shaken copy always changes the amplitude).
        if (r.amplitudeBefore < 0x10000 && SHAKE_Amplitude == r.amplitudeBefore) {
            r.calmRippleFrames++;
            for (int y = 0; y < 200; y++)
                for (int x : {0, 31, 288, 319})
                    if (LLS_VideoMemory[y * 320 + x] != 0)
                        r.sideFaults++;
        }
    }

    r.amplitudeBefore = SHAKE_Amplitude;
    if (Passed(10, 1))
        DemoQuit = 1;
    r.frame++;
    uint32_t ms = r.frame * 1000 / 70;
    while (TIMER_TicksAt(ms) < r.frame)
        ms++;
    PLAT_VirtualMs = ms;
}

TEST(Show, FirstActWithTheGeneratedDataAndTheRealMusic)
{
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    char tmpl[] = "/tmp/vantrel-show-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' '" + dir.string() + "' >/dev/null").c_str()), 0);
    fs::current_path(dir);

    PLAT_UseHeadless();
    PLAT.FramePresented = CheckFrame;
    PLAT_VirtualMs = 0;
    DemoMain();
    PLAT_UseHeadless();
    MUSIC_Position = MUSIC_LibraryPosition;
    FrameHook = nullptr;
    fs::current_path(previous);
    fs::remove_all(dir);

    EXPECT_TRUE(Passed(10, 1)) << "stopped at " << s_show.order << ":" << s_show.row;
    EXPECT_EQ(s_show.bandFaults, 0);
    EXPECT_TRUE(s_show.logoChecked);
    EXPECT_GT(s_show.rippleFrames, 2000) << "five orders of ripple at 70 frames a second";
    EXPECT_GT(s_show.calmRippleFrames, s_show.rippleFrames / 2);
    EXPECT_EQ(s_show.sideFaults, 0);
    EXPECT_GT(s_show.fewestRippleColours, 30u) << "every ripple frame shows the picture";
}

}  // namespace
