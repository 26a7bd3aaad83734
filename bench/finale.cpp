// Benchmark of the closing screen's per-tick work: one FinaleFrame (the softening pass, the
// cleared left column, two full pages of text crossing over line by line, the hand-over to
// the display) with a dense synthetic font and a script read from memory.
#include "driver/demo.h"
#include "sections/endtext.h"
#include "sections/finale.h"
#include "text/font.h"
#include "text/stext.h"
#include "text/tcscr.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Printable characters as 5 x 15 glyphs with every pixel inked: the most a page can draw.
void LoadDenseFont(void)
{
    std::vector<uint8_t> data(256, 255);
    for (int c = 33; c < 127; c++) {
        data[(size_t)c] = (uint8_t)(c - 33);
        data.push_back(5);
        for (int i = 0; i < 5 * 15; i++)
            data.push_back((uint8_t)(20 + (i * 7 + c) % 45));
    }
    const uint32_t n = (uint32_t)data.size();
    std::vector<uint8_t> file = {8, 0, 15, 0, (uint8_t)n, (uint8_t)(n >> 8), (uint8_t)(n >> 16), (uint8_t)(n >> 24)};
    file.insert(file.end(), data.begin(), data.end());
    FONT_LoadMemory(&DemoFont, file.data(), file.size());
}

// Two pages of 20 centred lines of 40 characters, each shown for a minute.
std::string TwoPages(void)
{
    std::string script;
    for (int page = 0; page < 2; page++) {
        for (int i = 0; i < ENDTEXT_PAGE_LINES; i++)
            script += "-1 " + std::to_string(i == 0 ? 2 : -1) + " \"" + std::string(40, (char)('A' + (page * 20 + i) % 26)) + "\"\n";
        script += "ENDPAGE 60\n";
    }
    return script;
}

void BM_FinaleFrame(benchmark::State& state)
{
    LoadDenseFont();
    std::string script = TwoPages();
    STEXT_InitColors();
    ENDTEXT_Start(fmemopen(script.data(), script.size(), "r"), (long)script.size());
    FinaleStart(0);
    // Through the first page to the moment the second one is read.
    uint32_t t = 1;
    FinaleFrame(t);
    const int64_t first = ENDTEXT_State.pageStart;
    while (ENDTEXT_State.pageStart == first || ENDTEXT_State.pageStart < 0)
        FinaleFrame(++t);
    const uint32_t second = t;
    for (auto _ : state) {
        // Keep within the cross-over: both pages are drawn on every line still changing.
        if (++t > second + 500)
            t = second + 1;
        FinaleFrame(t);
    }
    benchmark::DoNotOptimize(TCS_Picture[12345]);
    ENDTEXT_Close();
    FONT_Free(&DemoFont);
    TCS_End();
}
BENCHMARK(BM_FinaleFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
