// Benchmarks of the first act's per-tick work at 320 x 200: one weave frame, one ripple
// frame, one shaken copy, each after the effect's own start on synthetic pictures.
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"
#include "sections/intro.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Writes an uncompressed-style GIF (9-bit codes, a clear code every 250 pixels, so the code
// width never grows) with a 256-entry grey palette.
void WriteGIF(const std::string& path, int width, int height)
{
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a', (uint8_t)width, (uint8_t)(width >> 8),
                                (uint8_t)height, (uint8_t)(height >> 8), 0xF7, 0, 0};
    for (int i = 0; i < 256; i++)
        out.insert(out.end(), {(uint8_t)i, (uint8_t)i, (uint8_t)i});
    out.insert(out.end(), {0x2C, 0, 0, 0, 0, (uint8_t)width, (uint8_t)(width >> 8), (uint8_t)height,
                           (uint8_t)(height >> 8), 0, 8});
    std::vector<uint8_t> data;
    uint32_t acc = 0;
    int bits = 0;
    auto put = [&](uint32_t code) {
        acc |= code << bits;
        bits += 9;
        while (bits >= 8) {
            data.push_back((uint8_t)acc);
            acc >>= 8;
            bits -= 8;
        }
    };
    for (int i = 0; i < width * height; i++) {
        if (i % 250 == 0)
            put(256);
        put((uint32_t)((i * 7 + i / width) & 255));
    }
    put(257);
    if (bits > 0)
        data.push_back((uint8_t)acc);
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back((uint8_t)n);
        out.insert(out.end(), data.begin() + (long)i, data.begin() + (long)(i + n));
    }
    out.push_back(0);
    out.push_back(0x3B);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}

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
