// The row shake: plain copies when idle, the 46-frame decay, rows that never mix, and the
// generator's seeded start.
#include "common/test_support.h"

#include "fx2d/shake.h"
#include "fx3d/sincos.h"
#include "platform/screen.h"

#include <climits>
#include <cstring>
#include <vector>

namespace {

// Saves the shake's global state and restores it, so the tests do not depend on each other.
class ShakeTest : public ::testing::Test {
protected:
    ShakeGenerator savedGenerator;
    int32_t savedAmplitude;
    uint16_t savedPhase1, savedPhase2;
    void SetUp() override
    {
        SINCOS_Init();
        LLS_Init(1, 0);
        savedGenerator = SHAKE_Generator;
        savedAmplitude = SHAKE_Amplitude;
        savedPhase1 = SHAKE_Phase1;
        savedPhase2 = SHAKE_Phase2;
    }
    void TearDown() override
    {
        SHAKE_Generator = savedGenerator;
        SHAKE_Amplitude = savedAmplitude;
        SHAKE_Phase1 = savedPhase1;
        SHAKE_Phase2 = savedPhase2;
    }
    // Row y of the screen holds the value y + 1 everywhere: never 0, different for every row.
    static void FillRows()
    {
        for (int y = 0; y < 200; y++)
            std::memset(LLS_Screen + y * 320, y + 1, 320);
    }
};

std::vector<uint8_t> ExpectedRow(const uint8_t* src, int32_t shift)
{
    std::vector<uint8_t> row(320, 0);
    for (int x = 0; x < 320; x++) {
        int64_t from = (int64_t)x - shift;
        if (from >= 0 && from < 320)
            row[(size_t)x] = src[from];
    }
    return row;
}

TEST_F(ShakeTest, ShiftedRowStaysInsideItsRow)
{
    const int32_t shifts[] = {0, 1, -1, 6, -253, 319, -319, 320, -320, 400, -400, INT_MAX, INT_MIN};
    std::vector<uint8_t> src(320);
    for (int x = 0; x < 320; x++)
        src[(size_t)x] = (uint8_t)(1 + x % 251);
    for (int32_t shift : shifts) {
        for (bool inPlace : {false, true}) {
            // Three rows: the one written between two guard rows.
            std::vector<uint8_t> buf(3 * 320, 0xEE);
            uint8_t* dst = buf.data() + 320;
            if (inPlace)
                std::memcpy(dst, src.data(), 320);
            SHAKE_ShiftRow(dst, inPlace ? dst : src.data(), shift);
            std::vector<uint8_t> want = ExpectedRow(src.data(), shift);
            EXPECT_EQ(std::vector<uint8_t>(dst, dst + 320), want) << "shift " << shift << " in place " << inPlace;
            for (int i = 0; i < 320; i++) {
                ASSERT_EQ(buf[(size_t)i], 0xEE) << "shift " << shift;
                ASSERT_EQ(buf[(size_t)(640 + i)], 0xEE) << "shift " << shift;
            }
        }
    }
}

TEST_F(ShakeTest, BelowOnePixelIsAnExactCopyAndChangesNothing)
{
    for (int32_t amplitude : {0, 0xFFFF}) {
        SHAKE_Amplitude = amplitude;
        for (int i = 0; i < 64000; i++)
            LLS_Screen[i] = (uint8_t)(i * 7 + i / 320);
        std::memset(LLS_VideoMemory, 0xEE, sizeof LLS_VideoMemory);
        const ShakeGenerator before = SHAKE_Generator;
        ShakeCopy();
        EXPECT_EQ(std::memcmp(LLS_VideoMemory, LLS_Screen, 64000), 0);
        EXPECT_EQ(SHAKE_Amplitude, amplitude);
        EXPECT_EQ(SHAKE_Generator.s1, before.s1);
        EXPECT_EQ(SHAKE_Generator.s3, before.s3);
    }
}

// From ShakeStart 46 calls are shaken; from then on the copy is plain and the amplitude frozen.
// Every shaken row is its own source row shifted: values of other rows never appear.
TEST_F(ShakeTest, LastsFortySixFramesAndNeverMixesRows)
{
    FillRows();
    EXPECT_TRUE(ShakeStart(0));
    EXPECT_EQ(SHAKE_Amplitude, 0xC80000);
    int blankRows = 0;
    for (int call = 1; call <= 46; call++) {
        ASSERT_GE(SHAKE_Amplitude, 0x10000) << "call " << call;
        ShakeCopy();
        if (call == 1) {
            EXPECT_EQ(SHAKE_Amplitude, 11665408);   // trunc(0xC80000 * 0.89)
        }
        for (int y = 0; y < 200; y++) {
            const uint8_t* row = LLS_VideoMemory + y * 320;
            // Zeros only as one run at the left or the right end.
            int first = 0, last = 319;
            while (first < 320 && row[first] == 0)
                first++;
            while (last >= 0 && row[last] == 0)
                last--;
            if (first == 320) {
                blankRows++;
                continue;
            }
            ASSERT_TRUE(first == 0 || last == 319) << "call " << call << " row " << y;
            for (int x = first; x <= last; x++)
                ASSERT_EQ(row[x], y + 1) << "call " << call << " row " << y << " x " << x;
        }
    }
    EXPECT_LT(SHAKE_Amplitude, 0x10000);
    EXPECT_GT(blankRows, 0);   // the first frames shift some rows out entirely

    const int32_t frozen = SHAKE_Amplitude;
    ShakeCopy();
    EXPECT_EQ(std::memcmp(LLS_VideoMemory, LLS_Screen, 64000), 0);
    EXPECT_EQ(SHAKE_Amplitude, frozen);
}

// The generator's first output depends only on the seeds, and so do the first rows' shifts.
TEST_F(ShakeTest, FirstRowsFollowFromTheSeeds)
{
    ShakeGenerator g = {SHAKE_SEED1, SHAKE_SEED2, SHAKE_SEED3};
    EXPECT_EQ(SHAKE_Next(&g), 0x0039F812u);
    EXPECT_EQ(SHAKE_Next(&g), 0x8CDB66D1u);

    SHAKE_Generator = {SHAKE_SEED1, SHAKE_SEED2, SHAKE_SEED3};
    ShakeStart(0);
    for (int i = 0; i < 64000; i++)
        LLS_Screen[i] = (uint8_t)(1 + i % 251);
    ShakeCopy();
    const int32_t shifts[] = {6, -253, -46, 118};
    for (int y = 0; y < 4; y++) {
        std::vector<uint8_t> want = ExpectedRow(LLS_Screen + y * 320, shifts[y]);
        EXPECT_EQ(std::vector<uint8_t>(LLS_VideoMemory + y * 320, LLS_VideoMemory + y * 320 + 320), want)
            << "row " << y;
    }
    EXPECT_EQ(SHAKE_Phase1, 768);
    EXPECT_EQ(SHAKE_Phase2, 1024);
}

}  // namespace
