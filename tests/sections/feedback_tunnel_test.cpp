// The feedback zoom and the circle tunnel end to end: the real Timeline through the real main
// loop, headless, over the generated data set. The scripted music starts at (33,1), so every
// earlier row runs in the first frame, and then moves one row every 8 ticks, one tick a frame,
// up to (40,33). Every presented frame is checked as it leaves LLS_DUMP.
#include "common/scripted_show.h"
#include "driver/demo.h"
#include "fx2d/feedback.h"
#include "fx2d/tunnel.h"
#include "platform/backend.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

const int kFirstRow = 32 * 64;   // (33,1) as a row count from (1,1)
const uint32_t kTicksPerRow = 8;

struct SectionRun {
    uint32_t frame = 0;
    int key = 0;                              // order * 1000 + row of the frame, 1-based
    EffectFn lastHook = nullptr;
    uint8_t lastPicture[LLS_VIDEO_BYTES];
    int feedbackFrames = 0, tunnelFrames = 0, stillFrames = 0;
    int sideFaults = 0, bandFaults = 0, hookFaults = 0, modeFaults = 0;
    size_t fewestIndices = 256;
} *s_run;

int RowsIntoShow(uint32_t frame) { return kFirstRow + (int)(frame / kTicksPerRow); }

uint32_t ScriptedPosition(void)
{
    const int rows = RowsIntoShow(s_run->frame);
    return (uint32_t)(rows / 64) | ((uint32_t)(rows % 64) << 16);
}

// Distinct palette indices in the 256 x 200 window.
size_t WindowIndices()
{
    std::set<uint8_t> indices;
    for (int y = 0; y < 200; y += 2)
        for (int x = 32; x < 288; x += 2)
            indices.insert(LLS_VideoMemory[y * 320 + x]);
    return indices.size();
}

void Presented(void)
{
    SectionRun& r = *s_run;
    const int rows = RowsIntoShow(r.frame);
    r.key = (rows / 64 + 1) * 1000 + rows % 64 + 1;

    // The hook the rows must have left: feedback from (34,1), the tunnel from (36,1) to (40,32).
    EffectFn want = nullptr;
    if (r.key > 34001 && r.key <= 36001)
        want = FeedbackFrame;
    else if (r.key > 36001 && r.key <= 40032)
        want = TunnelFrame;
    if (want && FrameHook != want)
        r.hookFaults++;
    if (r.key > 40032 && (FrameHook == TunnelFrame || FrameHook == FeedbackFrame))
        r.hookFaults++;

    // One mode step on each beat of orders 37 to 39.
    if (FrameHook == TunnelFrame) {
        const int32_t mode = r.key > 39001 ? 3 : r.key > 38001 ? 2 : r.key > 37001 ? 1 : 0;
        if (TunnelModeCounter != mode)
            r.modeFaults++;
    }

    if (FrameHook == FeedbackFrame || FrameHook == TunnelFrame) {
        (FrameHook == FeedbackFrame ? r.feedbackFrames : r.tunnelFrames)++;
        // Every tick moves the picture.
        if (FrameHook == r.lastHook && std::memcmp(r.lastPicture, LLS_VideoMemory, LLS_VIDEO_BYTES) == 0)
            r.stillFrames++;
        // The 256-pixel window: the side columns stay as the start cleared them.
        for (int y = 0; y < 200; y++)
            for (int x : {0, 31, 288, 319})
                if (LLS_VideoMemory[y * 320 + x] != 0 || LLS_Frame32[(40 + 2 * y) * 640 + 2 * x] != LLS_ColorTable[0])
                    r.sideFaults++;
        // The 320 x 200 picture doubled in the middle of the 640 x 480 frame: black bands.
        for (int i = 0; i < 640 * 40; i++)
            if (LLS_Frame32[i] != 0 || LLS_Frame32[640 * 440 + i] != 0) {
                r.bandFaults++;
                break;
            }
        r.fewestIndices = std::min(r.fewestIndices, WindowIndices());
    }
    r.lastHook = FrameHook;
    std::memcpy(r.lastPicture, LLS_VideoMemory, LLS_VIDEO_BYTES);

    if (r.key > 40033)
        DemoQuit = 1;
    r.frame++;
    PLAT_VirtualMs = (r.frame * 1000 + 69) / 70;   // the first millisecond of tick r.frame
}

TEST(FeedbackTunnel, PlayWithTheGeneratedDataThroughTheMainLoop)
{
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    char tmpl[] = "/tmp/vantrel-act3-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' '" + dir.string() + "' >/dev/null").c_str()), 0);
    fs::current_path(dir);

    static SectionRun run;   // large: keep it off the stack
    run = SectionRun();
    s_run = &run;
    FIX_PlayScriptedShow(ScriptedPosition, Presented);
    LLS_Init(1, 0);
    fs::current_path(previous);
    fs::remove_all(dir);

    EXPECT_EQ(run.key, 40034) << "the show ran up to the stop, not shorter";
    EXPECT_EQ(run.hookFaults, 0);
    EXPECT_EQ(run.modeFaults, 0);
    EXPECT_GT(run.feedbackFrames, 2 * 64 * (int)kTicksPerRow - 10) << "two orders of feedback";
    EXPECT_GT(run.tunnelFrames, (4 * 64 + 31) * (int)kTicksPerRow - 10) << "four and a half orders of tunnel";
    EXPECT_EQ(run.stillFrames, 0);
    EXPECT_EQ(run.sideFaults, 0);
    EXPECT_EQ(run.bandFaults, 0);
    EXPECT_GT(run.fewestIndices, 16u) << "every frame shows the picture";
}

}  // namespace
