// Benchmarks of one feedback-zoom frame and one tunnel frame (mode 3, the one with the most
// trigonometry) at 320 x 200, each after the effect's own start on a synthetic picture.
#include "fx2d/feedback.h"
#include "fx2d/tunnel.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Writes a 256 x 256 GIF with a grey 256-entry palette, coded with 9-bit codes and a clear
// code every 250 pixels so the code width never grows.
void WritePicture(const char* path)
{
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a', 0, 1, 0, 1, 0xF7, 0, 0};
    for (int i = 0; i < 256; i++)
        out.insert(out.end(), {(uint8_t)i, (uint8_t)i, (uint8_t)i});
    out.insert(out.end(), {0x2C, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8});
    std::vector<uint8_t> data;
    uint32_t acc = 0;
    int bits = 0;
    auto put = [&](uint32_t code) {
        acc |= code << bits;
        for (bits += 9; bits >= 8; bits -= 8, acc >>= 8)
            data.push_back((uint8_t)acc);
    };
    for (int i = 0; i < 65536; i++) {
        if (i % 250 == 0)
            put(256);
        put((uint32_t)((i * 7 + i / 256) & 255));
    }
    put(257);
    if (bits > 0)
        data.push_back((uint8_t)acc);
    for (size_t i = 0; i < data.size(); i += 255) {
        const size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back((uint8_t)n);
        out.insert(out.end(), data.begin() + (long)i, data.begin() + (long)(i + n));
    }
    out.insert(out.end(), {0, 0x3B});
    FILE* f = std::fopen(path, "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size())
        std::abort();
    std::fclose(f);
}

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
    WritePicture("GFX/feedback.gif");
    WritePicture("GFX/circler.gif");
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
