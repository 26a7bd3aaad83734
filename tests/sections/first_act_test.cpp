// The first act end to end: the real Timeline through the real main loop, headless, with a
// scripted music position (one row per frame, two ticks per frame) from the first note to
// order 10, checking the hooks at each position, the logo's fade-in, the shakes and the
// ripple's cleared side columns and black bands.
#include "common/scripted_show.h"
#include "common/picture_fixture.h"
#include "common/test_support.h"

#include "driver/demo.h"
#include "fx2d/cues.h"
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "platform/backend.h"
#include "platform/screen.h"
#include "sections/intro.h"

#include <cstring>
#include <vector>

namespace {

struct FirstActRun {
    uint32_t frame = 0;          // one music row per frame
    uint32_t logoTick = 0;       // the frame's tick when the logo's rows ran
    uint8_t logoTarget[PAL_BYTES];
    uint32_t fadeBase = 0;       // the tick the logo's fade was stepped from
    uint32_t prevTick = 0;
    bool logoSeen = false, logoChecked = false;
    int32_t lastAmplitude = 0;
    int shakenFrames = 0;
    int rippleFrames = 0, rippleQuietFrames = 0;
    int hookFaults = 0, sideFaults = 0, bandFaults = 0;
};
FirstActRun* s_run;

// Position as 1-based (order, row) packed into one number for comparisons: order * 1000 + row.
int PositionKey(uint32_t frame)
{
    return (int)(frame / 64 + 1) * 1000 + (int)(frame % 64 + 1);
}

uint32_t ScriptedPosition(void)
{
    return (s_run->frame / 64) | ((s_run->frame % 64) << 16);
}

// The hook that must be installed once the rows of a position have run.
EffectFn ExpectedHook(int key)
{
    if (key <= 1001)
        return CUE_Idle;
    if (key <= 3032)
        return IntroWeaveFrame;
    if (key <= 5001)
        return CUE_Idle;
    if (key <= 10001)
        return RippleFrame;
    return nullptr;   // a later effect's
}

void Presented(void)
{
    FirstActRun& r = *s_run;
    const int key = PositionKey(r.frame);
    EffectFn want = ExpectedHook(key);
    if (want && FrameHook != want)
        r.hookFaults++;
    if (key > 10001 && FrameHook == RippleFrame)
        r.hookFaults++;

    for (int i = 0; i < 640 * 40; i++)
        if (LLS_Frame32[i] != 0 || LLS_Frame32[640 * 440 + i] != 0) {
            r.bandFaults++;
            break;
        }

    // The logo: its brightened palette is the target from the white flash at (3,32) on, and the
    // fade brings the colour table from white to it at one unit per tick: after 63 ticks it
    // shows the logo's colours. (The fade is stepped from the previous frame's tick.)
    if (key > 3032 && !r.logoSeen) {
        r.logoSeen = true;
        r.logoTick = DemoTime;
        r.fadeBase = r.prevTick;
        std::memcpy(r.logoTarget, PAL_Target, PAL_BYTES);
    }
    if (r.logoSeen && !r.logoChecked && DemoTime >= r.logoTick + 63 && key <= 4001) {
        r.logoChecked = true;
        const int steps = (int)(DemoTime - r.fadeBase);
        auto faded = [&](int i) {
            int t = r.logoTarget[i];
            return (uint32_t)(t > 63 + steps ? 63 + steps : t < 63 - steps ? 63 - steps : t);
        };
        for (int i = 0; i < 256; i++)
            EXPECT_EQ(LLS_ColorTable[i], (faded(3 * i) << 18) | (faded(3 * i + 1) << 10) | (faded(3 * i + 2) << 2))
                << "entry " << i << " at tick " << DemoTime;
    }
    r.prevTick = DemoTime;

    // A shaken copy always changes the amplitude (the first one from the restart's full value).
    if (SHAKE_Amplitude != r.lastAmplitude)
        r.shakenFrames++;
    if (FrameHook == RippleFrame && key > 5002) {
        r.rippleFrames++;
        // Unshaken frames keep columns 0..31 and 288..319 as the start cleared them.
        if (SHAKE_Amplitude < 0x10000 && SHAKE_Amplitude == r.lastAmplitude) {
            r.rippleQuietFrames++;
            for (int y = 0; y < 200; y++)
                for (int x : {0, 31, 288, 319})
                    if (LLS_VideoMemory[y * 320 + x] != 0 || LLS_Frame32[(40 + 2 * y) * 640 + 2 * x] != LLS_ColorTable[0])
                        r.sideFaults++;
        }
    }
    r.lastAmplitude = SHAKE_Amplitude;

    if (key >= 10003)
        DemoQuit = 1;
    r.frame++;
    PLAT_VirtualMs = (2 * r.frame * 1000 + 69) / 70;   // the first millisecond of tick 2 * frame
}

TEST(FirstAct, PlaysFromTheFirstNoteToOrderTen)
{
    FIX_ScratchDir scratch;
    std::vector<uint8_t> mix(65536);
    for (int i = 0; i < 65536; i++)
        mix[(size_t)i] = (uint8_t)((i >> 9) + (i & 255) / 2);
    FIX_WriteFile("GFX/weave.mix", mix);
    for (const char* name : {"GFX/WEAVE.GIF", "GFX/TALVIK1.GIF", "GFX/VANTREL3.GIF"})
        FIX_WriteGIF(name, 320, 200, 160, [](int x, int y) { return (x / 10 + y / 10) & 255; });
    FIX_WriteGIF("GFX/ripp2.gif", 256, 256, 200, [](int x, int y) { return 1 + ((x ^ y) % 255); });

    FirstActRun run;
    s_run = &run;
    FIX_PlayScriptedShow(ScriptedPosition, Presented);

    EXPECT_EQ(PositionKey(run.frame - 1), 10003);   // the show ran up to the stop, not shorter
    EXPECT_EQ(run.hookFaults, 0);
    EXPECT_EQ(run.bandFaults, 0);
    EXPECT_TRUE(run.logoChecked);
    EXPECT_EQ(run.shakenFrames, 2 * 46);   // the shakes at (6,1) and (8,1)
    EXPECT_GT(run.rippleFrames, 5 * 64 - 10);
    EXPECT_GT(run.rippleQuietFrames, 200);
    EXPECT_EQ(run.sideFaults, 0);
}

}  // namespace
