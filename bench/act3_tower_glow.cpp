// Benchmarks of one tower frame and one glow frame at 320 x 200, each some seconds after the
// effect's start (the tower twisted, the lights spread into orbits).
#include "fx2d/glow.h"
#include "fx2d/shake.h"
#include "fx3d/sincos.h"
#include "fx3d/tower.h"
#include "platform/screen.h"

#include "bench_gif.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// Starts the tower on synthetic pictures in a scratch folder, left again at once.
void StartTower(uint32_t time)
{
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "vantrel-bench-tower-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        std::abort();
    fs::create_directories(fs::path(tmpl) / "GFX");
    fs::current_path(tmpl);
    WriteGIF("GFX/sq.gif", 256, 256);
    WriteGIF("GFX/sqtback.gif", 320, 200);
    TOWER_Start(time);
    fs::current_path(previous);
    std::error_code ec;
    fs::remove_all(tmpl, ec);
}

void BM_TowerFrame(benchmark::State& state)
{
    SINCOS_Init();
    LLS_Init(1, 0);
    StartTower(0);
    uint32_t t = 0;
    while (t < 700)   // ten seconds of twisting
        TOWER_Frame(++t);
    for (auto _ : state)
        TOWER_Frame(++t);
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
    TOWER_Stop(t);
}
BENCHMARK(BM_TowerFrame);

// Unshaken frames, as most of the effect's are (its shake dies away in under a second). The
// effect runs for about 1500 frames: the bodies go back to their state at frame 700 every
// 1000 frames, so a long run does not measure lights that have drifted away.
void BM_GlowFrame(benchmark::State& state)
{
    SINCOS_Init();
    LLS_Init(1, 0);
    SHAKE_Amplitude = 0;
    GlowStart(0);
    uint32_t t = 0;
    while (t < 700)
        GlowFrame(++t);
    GlowBody settled[GLOW_BODIES];
    std::memcpy(settled, GlowBodies, sizeof settled);
    for (auto _ : state) {
        GlowFrame(++t);
        if (t % 1000 == 0)
            std::memcpy(GlowBodies, settled, sizeof settled);
    }
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
}
BENCHMARK(BM_GlowFrame);

}  // namespace
