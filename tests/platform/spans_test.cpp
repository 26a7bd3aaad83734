// The screen layer's additive span and smoothed flip.
#include "common/test_support.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(Spans, AddSpanAddsTheLowByteWrapping)
{
    uint8_t row[8] = {0, 1, 250, 255, 7, 7, 7, 7};
    LLS_AddSpan(row + 1, 3, 0x110);   // adds 16
    const uint8_t want[8] = {0, 17, 10, 15, 7, 7, 7, 7};
    EXPECT_EQ(std::memcmp(row, want, 8), 0);
    LLS_AddSpan(row, 0, 16);
    LLS_AddSpan(row, -4, 16);
    EXPECT_EQ(std::memcmp(row, want, 8), 0) << "an empty span writes nothing";
}

// Fills the 320 x 200 source with a pattern whose 2 x 2 sums vary.
void FillSource(uint8_t* s)
{
    for (int i = 0; i < 64000; i++)
        s[i] = (uint8_t)((i * 37) ^ (i / 320 * 11));
}

uint8_t Smoothed(const uint8_t* s, int x, int y)
{
    if (x == 0 || x == 319 || y == 0 || y == 199)
        return s[y * 320 + x];
    return (uint8_t)((s[y * 320 + x] + s[y * 320 + x + 1] + s[(y + 1) * 320 + x] + s[(y + 1) * 320 + x + 1]) >> 2);
}

TEST(Spans, FlipSmoothAveragesRightAndDownAndCopiesTheBorder)
{
    LLS_Init(1, 0);
    FillSource(LLS_Screen);
    std::vector<uint8_t> source(LLS_Screen, LLS_Screen + 64000);
    LLS_FlipSmooth();
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(LLS_VideoMemory[y * 320 + x], Smoothed(source.data(), x, y)) << x << ", " << y;
    EXPECT_EQ(std::memcmp(LLS_Screen, source.data(), 64000), 0) << "the source is left as it was";

    // With no page the screen is the video memory itself: smoothed in place, same picture.
    std::vector<uint8_t> shown(LLS_VideoMemory, LLS_VideoMemory + 64000);
    LLS_Init(0, 0);
    FillSource(LLS_Screen);
    LLS_FlipSmooth();
    EXPECT_EQ(std::memcmp(LLS_VideoMemory, shown.data(), 64000), 0);
    LLS_Init(1, 0);
}

}  // namespace
