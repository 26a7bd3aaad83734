// Benchmarks of one feedback-zoom frame and one tunnel frame (mode 3, the one with the most
// trigonometry) at 320 x 200, each after the effect's own start on a synthetic picture.
#include "fx2d/feedback.h"
#include "fx2d/tunnel.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"

#include "bench_gif.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::filesystem::path s_scratch;

void RemoveScratch()
{
    std::error_code ec;
    std::filesystem::remove_all(s_scratch, ec);
}

// Makes a scratch folder holding the two pictures the current folder, once per process; it
// is removed when the process ends.
void PrepareData()
{
    if (!s_scratch.empty())
        return;
    std::string tmpl = (std::filesystem::temp_directory_path() / "vantrel-bench3-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        std::abort();
    s_scratch = tmpl;
    std::atexit(RemoveScratch);
    std::filesystem::create_directories(s_scratch / "GFX");
    std::filesystem::current_path(s_scratch);
    WriteGIF("GFX/feedback.gif", 256, 256);
    WriteGIF("GFX/circler.gif", 256, 256);
    SINCOS_Init();
}

void BM_FeedbackFrame(benchmark::State& state)
{
    PrepareData();
    FeedbackStart(0);
    // A few seconds in, so the picture has fed on itself.
    uint32_t t = 0;
    while (t < 300)
        FeedbackFrame(++t);
    for (auto _ : state)
        FeedbackFrame(++t);
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
    FeedbackEnd(t);
}
BENCHMARK(BM_FeedbackFrame);

void BM_TunnelFrame(benchmark::State& state)
{
    PrepareData();
    const int32_t counter = TunnelModeCounter;
    TunnelModeCounter = 3;
    TunnelStart(0);
    uint32_t t = 19700;   // the show's tick at the last mode's beat
    for (auto _ : state)
        TunnelFrame(++t);
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
    TunnelEnd(t);
    TunnelModeCounter = counter;
}
BENCHMARK(BM_TunnelFrame);

}  // namespace
