// The shared cosine table, including the four entries that lie one unit off the rounded cosine.
#include "common/test_support.h"
#include "fx3d/sincos.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Sincos, ListedValues)
{
    SINCOS_Init();
    const struct { int i; int32_t v; } listed[] = {
        {0, 1073741824}, {1, 1073740561}, {2, 1073736771}, {3, 1073730454}, {512, 759250125},
        {1024, 0}, {2048, -1073741824}, {4095, 1073740561}, {1178, -251300639}, {1187, -265688416},
        {2223, -1035284756}, {3921, 1035284756},
    };
    for (const auto& e : listed)
        EXPECT_EQ(SINCOS_Table[e.i], e.v) << "entry " << e.i;
    EXPECT_EQ(SINCOS_Table[3072], 0);
}

// Without recomputing the cosine: every entry lies in range, the first half turn falls
// strictly, and entry i mirrors entry 4096 - i except in the four pairs that hold a deviating
// entry, whose members differ by one unit.
TEST(Sincos, EntriesFallOverTheHalfTurnAndMirror)
{
    SINCOS_Init();
    for (int i = 0; i < 4096; i++) {
        ASSERT_LE(SINCOS_Table[i], 1 << 30) << i;
        ASSERT_GE(SINCOS_Table[i], -(1 << 30)) << i;
    }
    for (int i = 1; i <= 2048; i++)
        ASSERT_LT(SINCOS_Table[i], SINCOS_Table[i - 1]) << i;
    const int pairs[][2] = {{175, 3921}, {1178, 2918}, {1187, 2909}, {1873, 2223}};
    for (int i = 1; i < 4096; i++) {
        bool inPair = false;
        for (const auto& p : pairs)
            inPair |= (i == p[0] || i == p[1]);
        if (inPair)
            EXPECT_EQ(std::abs(SINCOS_Table[i] - SINCOS_Table[4096 - i]), 1) << i;
        else
            ASSERT_EQ(SINCOS_Table[i], SINCOS_Table[4096 - i]) << i;
    }
}

TEST(Sincos, ReadersTakeSixteenBitAnglesAndFPDivStops)
{
    SINCOS_Init();
    EXPECT_EQ(SINCOS_Cos(0x10000), SINCOS_Table[0]) << "angles wrap at 65536";
    EXPECT_EQ(SINCOS_Cos(0x4000 + 16), SINCOS_Table[1025]);
    EXPECT_EQ(SINCOS_MulCos(1 << 16, 0x8000), -(1 << 16));
    AssertionStop stop = TEST_ExpectStop([] { FPDiv(1, 2); });
    EXPECT_EQ(stop.func, "FPDiv");
    EXPECT_EQ(stop.unit, "sincos");
    EXPECT_EQ(stop.line, 67);
}
