// The second act with the generated data set and the real music layer: DemoMain runs headless
// on the virtual clock, one frame per tick, from the first note until the music passes (24,1),
// and every presented frame of the beams and the ray-traced scene is checked as it leaves
// LLS_DUMP.
#include "driver/demo.h"
#include "fx3d/beams.h"
#include "fx3d/raytrace.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// A change from one of the act's hooks to the other, and where the music was.
struct Handover {
    EffectFn hook;
    int order, row;
};

struct ActRun {
    uint32_t frame = 0;
    int order = 0, row = 0;
    EffectFn lastHook = nullptr;
    std::vector<Handover> handovers;
    int bandFaults = 0, bottomFaults = 0, beamIndexFaults = 0;
    int beamFrames = 0, sceneFrames = 0;
    std::vector<uint32_t> unchanged;   // ticks of frames that showed what the one before did
    int fewestSceneShades = 256;
    std::vector<uint8_t> previous;

    // The palettes the effects wrote into PAL_Target, and the tick of the flash that fades
    // each in; 64 ticks later the colour table shows it.
    uint8_t beamPalette[PAL_BYTES], scenePalette[PAL_BYTES];
    uint32_t beamFlash = 0, sceneFlash = 0;
    bool beamPaletteShown = false, scenePaletteShown = false;
    bool sceneFreed = false;
    int32_t objects = 0, lights = 0;
} s_act;

bool Passed(int order, int row) { return s_act.order > order || (s_act.order == order && s_act.row > row); }

bool Shows(const uint8_t* palette)
{
    for (int i = 0; i < 256; i++) {
        const uint8_t* c = palette + 3 * i;
        if (LLS_ColorTable[i] != ((uint32_t)c[0] << 18 | (uint32_t)c[1] << 10 | (uint32_t)c[2] << 2))
            return false;
    }
    return true;
}

void CheckFrame(void)
{
    ActRun& r = s_act;
    r.order = MUSIC_GetOrder();
    r.row = MUSIC_GetRow();
    for (int i = 0; i < 640 * 40; i++)
        if (LLS_Frame32[i] != 0 || LLS_Frame32[640 * 440 + i] != 0) {
            r.bandFaults++;
            break;
        }

    const bool beams = FrameHook == BEAM_Frame, scene = FrameHook == RAY_Frame;
    if ((beams || scene) && FrameHook != r.lastHook) {
        r.handovers.push_back({FrameHook, r.order, r.row});
        // The beams' start and the scene's resumption are each followed by a negative flash.
        if (beams && !r.beamFlash) {
            r.beamFlash = DemoTime;
            std::memcpy(r.beamPalette, PAL_Target, PAL_BYTES);
        }
        if (scene && r.handovers.size() == 2)
            std::memcpy(r.scenePalette, PAL_Target, PAL_BYTES);
        if (scene && r.handovers.size() == 4)
            r.sceneFlash = DemoTime;
    }
    r.lastHook = FrameHook;

    if (beams || scene) {
        // Every frame of the act is drawn on a new tick and differs from the last one, but
        // for the beams' second: the start's frame draws the bodies unstepped, and the next
        // draws them as they stood before its own step.
        if (!r.previous.empty() && std::memcmp(r.previous.data(), LLS_VideoMemory, 64000) == 0)
            r.unchanged.push_back(DemoTime);
        r.previous.assign(LLS_VideoMemory, LLS_VideoMemory + 64000);
    }
    if (beams) {
        r.beamFrames++;
        for (int i = 0; i < 64000; i++)
            if (LLS_VideoMemory[i] % BEAM_LIGHT != 0) {
                r.beamIndexFaults++;   // beams only ever add 16 to a cleared screen
                break;
            }
    }
    if (scene) {
        r.sceneFrames++;
        for (int i = 195 * 320; i < 64000; i++)
            if (LLS_VideoMemory[i] != 0) {
                r.bottomFaults++;
                break;
            }
        bool seen[256] = {};
        int shades = 0;
        for (int i = 0; i < 195 * 320; i++)
            if (!seen[LLS_VideoMemory[i]]) {
                seen[LLS_VideoMemory[i]] = true;
                shades++;
            }
        r.fewestSceneShades = std::min(r.fewestSceneShades, shades);
    }
    if (r.beamFlash && !r.beamPaletteShown && DemoTime >= r.beamFlash + 64 && !Passed(10, 32))
        r.beamPaletteShown = Shows(r.beamPalette);
    if (r.sceneFlash && !r.scenePaletteShown && DemoTime >= r.sceneFlash + 64 && !Passed(18, 1))
        r.scenePaletteShown = Shows(r.scenePalette);

    if (Passed(24, 1)) {
        r.sceneFreed = RAY_Directions == nullptr && RAY_Pixels == nullptr;
        r.objects = RAY_ObjectCount;
        r.lights = RAY_LightCount;
        DemoQuit = 1;
    }
    r.frame++;
    uint32_t ms = r.frame * 1000 / 70;
    while (TIMER_TicksAt(ms) < r.frame)
        ms++;
    PLAT_VirtualMs = ms;
}

TEST(Show, SecondActWithTheGeneratedDataAndTheRealMusic)
{
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    char tmpl[] = "/tmp/vantrel-act2-XXXXXX";
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

    const ActRun& r = s_act;
    EXPECT_TRUE(Passed(24, 1)) << "stopped at " << r.order << ":" << r.row;
    // Beams from (10,1), the scene from (12,32), the beams' return for one order from
    // (13,32), the scene again from (14,1); each within two rows of its position.
    const Handover want[] = {{BEAM_Frame, 10, 1}, {RAY_Frame, 12, 32}, {BEAM_Frame, 13, 32}, {RAY_Frame, 14, 1}};
    ASSERT_EQ(r.handovers.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); i++) {
        const Handover& h = r.handovers[i];
        EXPECT_EQ(h.hook, want[i].hook) << i;
        EXPECT_TRUE(h.order == want[i].order && h.row > want[i].row && h.row <= want[i].row + 2)
            << i << ": at " << h.order << ":" << h.row;
    }
    EXPECT_GT(r.beamFrames, 500);
    EXPECT_GT(r.sceneFrames, 3000);
    EXPECT_EQ(r.unchanged, std::vector<uint32_t>{r.beamFlash + 1});
    EXPECT_EQ(r.bandFaults, 0);
    EXPECT_EQ(r.bottomFaults, 0) << "rows 195-199 of the scene stay black";
    EXPECT_EQ(r.beamIndexFaults, 0);
    EXPECT_GT(r.fewestSceneShades, 30) << "every frame of the scene shows it";

    // The beams' palette: black through orange to white, shown once the flash has faded.
    EXPECT_TRUE(r.beamPaletteShown);
    EXPECT_EQ(r.beamPalette[0] + r.beamPalette[1] + r.beamPalette[2], 0);
    EXPECT_EQ(std::memcmp(r.beamPalette + 3 * 240, "\x3F\x3F\x3F", 3), 0);
    // The scene's ember ramp, red leading green leading blue, shown after (14,1)'s flash.
    EXPECT_TRUE(r.scenePaletteShown);
    for (int i = 0; i < 256; i++) {
        const uint8_t* c = r.scenePalette + 3 * i;
        EXPECT_TRUE(c[0] >= c[1] && c[1] >= c[2]) << i;
    }
    EXPECT_EQ(std::memcmp(r.scenePalette + 3 * 255, "\x3F\x3F\x3F", 3), 0);

    EXPECT_TRUE(r.sceneFreed);
    EXPECT_EQ(r.objects, 8);
    EXPECT_EQ(r.lights, 2);
}

}  // namespace
