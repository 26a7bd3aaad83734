// LLS_DUMP with the desktop's presentation against the literal conversion (one SDL_MapRGB per
// pixel) and a plain frame copy.
#include "platform/desktop/desktop.h"
#include "platform/screen.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

SDL_Surface* BenchSurface()
{
    static SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    return surface;
}

void BenchFrame(int mode)
{
    LLS_Init(1, mode);
    for (int i = 0; i < LLS_Size; i++)
        LLS_Screen[i] = (uint8_t)(i * 7 + i / 320);
    LLS_Flip();
    uint8_t pal[PAL_BYTES];
    for (int i = 0; i < PAL_BYTES; i++)
        pal[i] = (uint8_t)((i * 5) & 63);
    LLS_SetPalette(pal, 0, 256);
    ScreenSurface = BenchSurface();
    PLAT_UseWindow(false);   // the desktop's presentation into that surface, no window opened
}

// The conversion written out pixel by pixel: palette lookup into the 32-bit frame, then one
// SDL_MapRGB (and the byte-order overrides) per surface pixel.
void LiteralDump()
{
    const bool mode0 = LLS_Width == 320;
    const uint8_t* src = mode0 ? LLS_VideoMemory : LLS_Screen;
    std::memset(LLS_Frame32, 0, 40 * 640 * 4);
    std::memset(LLS_Frame32 + 440 * 640, 0, 40 * 640 * 4);
    if (mode0) {
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 320; x++) {
                uint32_t c = LLS_ColorTable[src[y * 320 + x]];
                LLS_Frame32[(2 * y + 40) * 640 + 2 * x] = c;
                LLS_Frame32[(2 * y + 40) * 640 + 2 * x + 1] = c;
                LLS_Frame32[(2 * y + 41) * 640 + 2 * x] = c;
                LLS_Frame32[(2 * y + 41) * 640 + 2 * x + 1] = c;
            }
    } else {
        for (int i = 0; i < 307200; i++)
            LLS_Frame32[i] = LLS_ColorTable[src[i]];
    }
    SDL_Surface* s = ScreenSurface;
    uint32_t* px = (uint32_t*)s->pixels;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            px[y * (s->pitch / 4) + x] = LLS_SurfacePixel(s->format, LLS_Frame32[y * 640 + x]);
}

// One conversion per iteration of a frame in the given mode.
void RunDump(benchmark::State& state, int mode, void (*dump)(void))
{
    BenchFrame(mode);
    for (auto _ : state) {
        dump();
        benchmark::DoNotOptimize(LLS_Frame32[1000]);
    }
}

void BM_LLS_DUMP_Mode0(benchmark::State& state) { RunDump(state, 0, LLS_DUMP); }
void BM_LLS_DUMP_Mode5(benchmark::State& state) { RunDump(state, 5, LLS_DUMP); }
void BM_LiteralDump_Mode0(benchmark::State& state) { RunDump(state, 0, LiteralDump); }
void BM_LiteralDump_Mode5(benchmark::State& state) { RunDump(state, 5, LiteralDump); }

void BM_Memcpy_Frame(benchmark::State& state)
{
    static std::vector<uint32_t> from(640 * 480, 7u), to(640 * 480);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), 640 * 480 * 4);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_LLS_DUMP_Mode0);
BENCHMARK(BM_LLS_DUMP_Mode5);
BENCHMARK(BM_LiteralDump_Mode0);
BENCHMARK(BM_LiteralDump_Mode5);
BENCHMARK(BM_Memcpy_Frame);
