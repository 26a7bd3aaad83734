// The tower and the glow lights with the generated data set through the real main loop and
// Timeline: the music position is scripted at the show's tempo (eight ticks a row, one frame
// a tick) from just before order 24 until it passes (32,1), and every presented frame is
// checked as it leaves LLS_DUMP.
#include "common/scripted_show.h"
#include "common/scratch_dir.h"

#include "driver/demo.h"
#include "fx2d/glow.h"
#include "fx3d/tower.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const uint32_t kFirstRow = 22 * 64 + 59;   // 0-based rows from the song's start: (23,60)
const uint32_t kTicksPerRow = 8;           // 64 rows in 7.4 s at 70 ticks a second

struct ActRun {
    uint32_t frame = 0;
    int order = 0, row = 0;   // 1-based position of the frame
    uint8_t previous[LLS_VIDEO_BYTES];
    EffectFn previousHook = nullptr;
    int bandFaults = 0;
    // The tower.
    int towerFrames = 0, towerStill = 0, towerEdgeFaults = 0, towerHidden = 0;
    std::vector<int32_t> driveSteps;   // elapsed drive ticks between tower frames
    int32_t lastElapsed = 0;
    // The glow.
    int glowFrames = 0, glowStill = 0, glowDark = 0, glowOverBright = 0;
};
ActRun* s_act;

uint32_t GlobalRow(void) { return kFirstRow + s_act->frame / kTicksPerRow; }

uint32_t ScriptedPosition(void)
{
    const uint32_t g = GlobalRow();
    return (g / 64) | ((g % 64) << 16);
}

bool Passed(int order, int row) { return s_act->order > order || (s_act->order == order && s_act->row > row); }

void Presented(void)
{
    ActRun& r = *s_act;
    r.order = MUSIC_GetOrder();
    r.row = MUSIC_GetRow();
    // Black bands above and below the doubled 320 x 200 picture (the 640 x 480 still that
    // follows at (32,1) has none).
    for (int i = 0; i < 640 * 40 && LLS_Mode == 0; i++)
        if (LLS_Frame32[i] != 0 || LLS_Frame32[640 * 440 + i] != 0) {
            r.bandFaults++;
            break;
        }
    const uint8_t* shown = LLS_VideoMemory;
    const bool changed = std::memcmp(shown, r.previous, LLS_VIDEO_BYTES) != 0;
    const bool sameEffect = FrameHook == r.previousHook;

    if (FrameHook == TOWER_Frame) {
        r.towerFrames++;
        // The start's own tick draws nothing: the checks begin with the first drawn frame.
        if (sameEffect) {
            r.towerStill += !changed;
            r.driveSteps.push_back(TOWER_LastElapsed - r.lastElapsed);
            // Column 319 is never drawn, so it shows the background (moved to 128..255) on
            // every row; and the tower covers a good part of the picture.
            int texture = 0;
            for (int y = 0; y < 200; y++) {
                r.towerEdgeFaults += shown[y * 320 + 319] < 128;
                for (int x = 0; x < 320; x += 4)
                    texture += shown[y * 320 + x] < 128;
            }
            r.towerHidden += texture < 200 * 80 / 4;   // under a quarter of the picture
        }
        r.lastElapsed = TOWER_LastElapsed;
    } else if (FrameHook == GlowFrame) {
        r.glowFrames++;
        if (sameEffect)
            r.glowStill += !changed;
        int lit = 0;
        for (int i = 0; i < LLS_VIDEO_BYTES; i++) {
            lit += shown[i] != 0;
            r.glowOverBright += shown[i] > 127;
        }
        r.glowDark += lit < 2000;
    }
    std::memcpy(r.previous, shown, LLS_VIDEO_BYTES);
    r.previousHook = FrameHook;

    if (Passed(32, 1))
        DemoQuit = 1;
    r.frame++;
    PLAT_VirtualMs = (r.frame * 1000 + 69) / 70;   // the first millisecond of tick r.frame
}

TEST(TowerGlowShow, PlaysFromOrderTwentyFourToThirtyTwoWithTheGeneratedData)
{
    FIX_TempDir scratch("vantrel-tower-glow");
    ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' . >/dev/null")), 0);

    ActRun run;
    s_act = &run;
    FIX_PlayScriptedShow(ScriptedPosition, Presented);
    LLS_Init(1, 0);

    EXPECT_TRUE(Passed(32, 1)) << "stopped at " << run.order << ":" << run.row;
    EXPECT_EQ(run.bandFaults, 0);

    // Five orders of tower, every frame a new picture, the drive one tick a frame except the
    // three skips of 50 ticks at (25,1), (26,1) and (27,1).
    EXPECT_GT(run.towerFrames, 5 * 64 * (int)kTicksPerRow - 20);
    EXPECT_EQ(run.towerStill, 0);
    EXPECT_EQ(run.towerEdgeFaults, 0);
    EXPECT_EQ(run.towerHidden, 0);
    const auto& steps = run.driveSteps;
    EXPECT_EQ(std::count(steps.begin(), steps.end(), 1) + 3, (long)steps.size());
    EXPECT_EQ(std::count(steps.begin(), steps.end(), 1 + TOWER_SKIP_TICKS), 3);

    // Three orders of glow: the lights move every frame, stay in view, and never pass 127.
    EXPECT_GT(run.glowFrames, 3 * 64 * (int)kTicksPerRow - 20);
    EXPECT_EQ(run.glowStill, 0);
    EXPECT_EQ(run.glowDark, 0);
    EXPECT_EQ(run.glowOverBright, 0);
}

}  // namespace
