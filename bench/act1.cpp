// Benchmarks of the first act's per-tick work at 320 x 200: one weave frame, one ripple
// frame, one shaken copy, each after the effect's own start on synthetic pictures.
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"
#include "sections/intro.h"

#include "bench_gif.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::filesystem::path s_scratch;

void RemoveScratch()
{
    std::error_code ec;
    std::filesystem::remove_all(s_scratch, ec);
}

// Makes a scratch folder with the act's files the current folder, once per process; it is
// removed when the process ends.
void PrepareData()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    std::string tmpl = (std::filesystem::temp_directory_path() / "vantrel-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        std::abort();
    std::filesystem::path dir = tmpl;
    s_scratch = dir;
    std::atexit(RemoveScratch);
    std::filesystem::create_directories(dir / "GFX");
    std::filesystem::current_path(dir);
    for (const char* name : {"GFX/WEAVE.GIF", "GFX/TALVIK1.GIF", "GFX/VANTREL3.GIF"})
        WriteGIF(name, 320, 200);
    WriteGIF("GFX/ripp2.gif", 256, 256);
    std::vector<uint8_t> mix(65536);
    for (int i = 0; i < 65536; i++)
        mix[(size_t)i] = (uint8_t)((i >> 8) / 2 + (i & 255) / 2);   // an averaging blend
    FILE* f = std::fopen("GFX/weave.mix", "wb");
    std::fwrite(mix.data(), 1, mix.size(), f);
    std::fclose(f);
    SINCOS_Init();
}

void BM_IntroWeaveFrame(benchmark::State& state)
{
    PrepareData();
    LLS_Init(1, 0);
    IntroWeaveStart(0);
    // Mid-intro: a few seconds in, the waves at a realistic strength.
    uint32_t t = 700;
    IntroWeaveFrame(t);
    for (auto _ : state)
        IntroWeaveFrame(++t);
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
    IntroShowLogo(t);
    IntroShowTitle(t);
}
BENCHMARK(BM_IntroWeaveFrame);

void BM_RippleFrame(benchmark::State& state)
{
    PrepareData();
    LLS_Init(1, 0);
    SHAKE_Amplitude = 0;
    RippleStart(0);
    uint32_t t = 300;
    for (auto _ : state)
        RippleFrame(++t);
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
    RippleEnd(t);
}
BENCHMARK(BM_RippleFrame);

// A shaken copy; the shake is restarted whenever it has died away, so every call shakes.
void BM_ShakeCopy(benchmark::State& state)
{
    PrepareData();
    LLS_Init(1, 0);
    for (int i = 0; i < 64000; i++)
        LLS_Screen[i] = (uint8_t)(i * 13 + i / 320);
    ShakeStart(0);
    for (auto _ : state) {
        if (SHAKE_Amplitude < 0x10000)
            ShakeStart(0);
        ShakeCopy();
    }
    benchmark::DoNotOptimize(LLS_VideoMemory[12345]);
}
BENCHMARK(BM_ShakeCopy);

}  // namespace
