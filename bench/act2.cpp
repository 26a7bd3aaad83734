// Benchmarks of the second act's per-tick work at 320 x 200: one beams frame with the swarm a
// few seconds on, and one ray-traced frame with the full scene (8 solids, 2 lights).
#include "fx3d/beams.h"
#include "fx3d/raytrace.h"
#include "platform/screen.h"

#include <benchmark/benchmark.h>

namespace {

void BM_BeamFrame(benchmark::State& state)
{
    LLS_Init(1, 0);
    BEAM_Spin = 0;
    BEAM_SpinStep = BEAM_SPIN_STEP;
    BEAM_Start(0);
    // Three seconds of swarm: the bodies have spread and the spin is well under way.
    uint32_t t = 210;
    BEAM_Frame(t);
    for (auto _ : state)
        BEAM_Frame(++t);
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
}
BENCHMARK(BM_BeamFrame);

void BM_RayFrame(benchmark::State& state)
{
    LLS_Init(1, 0);
    RAY_ResetScene();
    RAY_Start(0);
    for (int i = 0; i < 3; i++)
        RAY_Grow(0);
    // Steady state: every phase has been cast a few times.
    uint32_t t = 0;
    while (t < 16)
        RAY_Frame(++t);
    // The scene cycles through 36 seconds of its motion, so the figure is an average over
    // its layouts rather than one moment's.
    for (auto _ : state)
        RAY_Frame(++t % 2520);
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
    RAY_Stop(t);
}
BENCHMARK(BM_RayFrame);

}  // namespace
