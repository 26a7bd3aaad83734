// The tower: the first drawn frame is untwisted, the spans' culling, clipping, texture wrap and
// depth test, the drive's skip, and that no values make it write outside the screen.
#include "common/picture_fixture.h"

#include "driver/demo.h"
#include "fx3d/sincos.h"
#include "fx3d/tower.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Texture pixel: the face its column belongs to, plus 16 times the row modulo 8, so a drawn
// pixel tells both which face and which texture row it came from. Background: a pattern
// below 100, shown as 128 and up.
int TextureIndex(int x, int y) { return (x >> 4) + 16 * (y % 8); }
int BackgroundIndex(int x, int y) { return (x * 3 + y * 7) % 100; }

class TowerTest : public ::testing::Test {
protected:
    FIX_ScratchDir scratch;
    void SetUp() override
    {
        SINCOS_Init();
        LLS_Init(1, 0);
        FIX_WriteGIF("GFX/sq.gif", 256, 256, 128, TextureIndex);
        FIX_WriteGIF("GFX/sqtback.gif", 320, 200, 200, BackgroundIndex);
        ASSERT_TRUE(TOWER_Start(1000));
        ASSERT_EQ(FrameHook, TOWER_Frame);
    }
    void TearDown() override
    {
        TOWER_Stop(0);
        FrameHook = nullptr;
    }
    // Gives every corner the same radius: a regular 16-gon in every slice.
    static void RegularSlices(int32_t radius)
    {
        for (int r = 0; r < TOWER_SLICES; r++)
            for (TOWER_Vertex& v : TOWER_Rows[r].corner)
                v.radius = radius;
    }
    static uint8_t Shown(int x, int y) { return LLS_VideoMemory[y * 320 + x]; }
};

TEST_F(TowerTest, FirstDrawnFrameIsUntwistedOverTheMovedBackground)
{
    RegularSlices(100);
    for (TOWER_Vertex& v : TOWER_Rows[50].corner)
        v.radius = 0;   // every corner at the axis: the slice has no width

    // The start's own tick: nothing is drawn or presented.
    std::memset(LLS_VideoMemory, 0xEE, sizeof LLS_VideoMemory);
    TOWER_Frame(1000);
    EXPECT_EQ(Shown(160, 100), 0xEE);

    TOWER_Frame(1001);
    // Corner 8 (half a turn) is at column 160 - 100, corner 0 at 160 + 100; only the faces
    // 8..15 turn towards the viewer, each slice showing its own texture row.
    for (int y = 0; y < 200; y++) {
        SCOPED_TRACE(y);
        const int row = 16 * (y % 8);
        if (y == 50) {
            for (int x = 0; x < 320; x++)
                ASSERT_EQ(Shown(x, y), BackgroundIndex(x, y) + 128) << x;
            continue;
        }
        ASSERT_EQ(Shown(59, y), BackgroundIndex(59, y) + 128);
        ASSERT_EQ(Shown(60, y), 8 + row);
        ASSERT_EQ(Shown(259, y), 15 + row);
        ASSERT_EQ(Shown(260, y), BackgroundIndex(260, y) + 128);
        // Untwisted: every slice shows the faces in the same columns as slice 0.
        for (int x = 60; x < 260; x++)
            ASSERT_EQ(Shown(x, y) & 15, Shown(x, 0) & 15) << x;
    }

    // A few seconds on, the drive has turned the foot and the twist has climbed the column.
    for (uint32_t t = 1002; t < 1300; t++)
        TOWER_Frame(t);
    int differing = 0;
    for (int x = 60; x < 260; x++)
        differing += (Shown(x, 0) & 15) != (Shown(x, 199) & 15);
    EXPECT_GT(differing, 20);
}

TEST_F(TowerTest, PalettesAreMergedWithTheBackgroundInTheUpperHalf)
{
    // The fixtures' colour tables are flat greys of levels 128 and 200 (6-bit 32 and 50),
    // brightened by sin(p * 2 pi / 256) * 63.
    const auto bright = [](int p) { return (int)(std::sin(p * 2.0 * 3.14159265358979323846 / 256.0) * 63.0 + 0.5); };
    for (int i = 0; i < 256; i++)
        for (int c = 0; c < 3; c++)
            ASSERT_EQ(PAL_Target[3 * i + c], bright(i < 128 ? 32 : 50)) << i;
    for (int i = 0; i < 64000; i++)
        ASSERT_EQ(TOWER_Background[i], BackgroundIndex(i % 320, i / 320) + 128);
}

// The drive: a skip moves the drive time 50 ticks ahead at the next frame but gives the
// cascade no extra rounds.
TEST_F(TowerTest, SkipJumpsTheDriveWithoutExtraSmoothing)
{
    auto run = [](bool skip, uint32_t last) {
        TOWER_Start(1000);
        TOWER_Frame(1001);
        TOWER_Frame(1002);
        if (skip)
            TOWER_Skip(1002);
        TOWER_Frame(last);
        return std::vector<float>(TOWER_RowAngle, TOWER_RowAngle + TOWER_SLICES);
    };
    const std::vector<float> skipped = run(true, 1003);
    const std::vector<float> plain = run(false, 1003);       // same rounds, drive at 3
    const std::vector<float> later = run(false, 1053);       // drive at 53, 51 rounds
    EXPECT_FLOAT_EQ(skipped[199], TOWER_Drive(53));
    EXPECT_EQ(skipped[199], later[199]);
    EXPECT_NE(skipped[199], plain[199]);
    for (int r = 0; r < 199; r++)
        ASSERT_EQ(skipped[(size_t)r], plain[(size_t)r]) << r;
    EXPECT_NE(skipped[198], later[198]);
}

TEST_F(TowerTest, NoRadiiOrTurnsWriteOutsideTheScreen)
{
    // The screen sits inside a larger block whose margins must stay untouched.
    std::vector<uint8_t> block(64000 + 2 * 4096, 0x5A);
    uint8_t* const saved = LLS_Screen;
    LLS_Screen = block.data() + 4096;
    const int32_t radii[] = {INT32_MAX, INT32_MIN, 1 << 24, -(1 << 24), 100000, -321, 0};
    const float inf = std::numeric_limits<float>::infinity();
    const float turns[] = {std::nanf(""), inf, -inf, 1e30f, -3e9f, 2147483520.0f, -65536.5f};
    for (int r = 0; r < TOWER_SLICES; r++) {
        for (int j = 0; j < TOWER_CORNERS; j++)
            TOWER_Rows[r].corner[j].radius = radii[(r + j) % 7];
        TOWER_RowAngle[r] = turns[r % 7];
    }
    TOWER_CentreX = INT32_MAX;
    TOWER_Frame(1001);
    TOWER_CentreX = 0;
    TOWER_Frame(1002);
    LLS_Screen = saved;
    for (size_t i = 0; i < 4096; i++) {
        ASSERT_EQ(block[i], 0x5A) << i;
        ASSERT_EQ(block[block.size() - 1 - i], 0x5A) << i;
    }
}

TEST(TowerTurn, TruncatesTowardZeroAndWrapsAtAWholeTurn)
{
    const struct {
        float angle;
        uint32_t turn;
    } cases[] = {
        {0.0f, 0},       {4096.9f, 4096},     {-1.5f, 65535},    {65536.0f, 0},
        {-65537.0f, 65535}, {1e10f, 58368},   {-1e10f, 65536 - 58368},
        {std::numeric_limits<float>::infinity(), 0}, {std::nanf(""), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TOWER_TurnOf(c.angle), c.turn) << c.angle;
}

// Spans drawn straight into a guarded screen with a texture whose pixel is its column.
class TowerSpanTest : public ::testing::Test {
protected:
    std::vector<uint8_t> block = std::vector<uint8_t>(64000 + 2 * 1024, 0xA5);
    std::vector<uint8_t> texture = std::vector<uint8_t>(65536);
    uint8_t* savedScreen = nullptr;
    uint8_t* savedTexture = nullptr;
    static const int kRow = 7;

    void SetUp() override
    {
        savedScreen = LLS_Screen;
        savedTexture = TOWER_Texture;
        LLS_Screen = block.data() + 1024;
        for (int i = 0; i < 65536; i++)
            texture[(size_t)i] = (uint8_t)i;
        TOWER_Texture = texture.data();
        std::memset(TOWER_ZBuffer, 128, sizeof TOWER_ZBuffer);
    }
    void TearDown() override
    {
        LLS_Screen = savedScreen;
        TOWER_Texture = savedTexture;
    }
    uint8_t At(int x) const { return LLS_Screen[kRow * 320 + x]; }
    int Drawn() const
    {
        int n = 0;
        for (size_t i = 0; i < block.size(); i++)
            n += block[i] != 0xA5;
        return n;
    }
};

TEST_F(TowerSpanTest, CullsAndClipsFaces)
{
    const struct {
        const char* what;
        int32_t xj, xk;
        int first, last;   // drawn columns, first..last - 1
    } cases[] = {
        {"corners at one x", 150, 150, 0, 0},
        {"right to left: turned away", 200, 100, 0, 0},
        {"entirely right of the screen", 320, 400, 0, 0},
        {"entirely left of the screen", -90, -1, 0, 0},
        {"one column", 10, 11, 10, 11},
        {"inside", 40, 104, 40, 104},
        {"wider than the screen", -50, 400, 0, 319},
        {"ending on the last column", 300, 319, 300, 319},
        {"the widest corners", INT32_MIN, INT32_MAX, 0, 319},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::fill(block.begin(), block.end(), 0xA5);
        std::memset(TOWER_ZBuffer, 128, sizeof TOWER_ZBuffer);
        TOWER_Span(kRow, c.xj, c.xk, 0x3000, 0x4000, 500, 500);
        EXPECT_EQ(Drawn(), c.last - c.first);
        for (int x = c.first; x < c.last; x++)
            ASSERT_NE(At(x), 0xA5) << x;
        // The start values are those of corner j, even where the face is clipped.
        if (c.last > c.first) {
            EXPECT_EQ(At(c.first), 0x30);
        }
    }
}

TEST_F(TowerSpanTest, SeamFaceWrapsThroughTheLastSixteenColumns)
{
    TOWER_Span(kRow, 100, 116, 15 * 4096, 0, 500, 500);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(At(100 + i), 240 + i) << i;
    EXPECT_EQ(Drawn(), 16);
}

TEST_F(TowerSpanTest, NearerFaceWinsWhateverTheOrder)
{
    for (bool nearFirst : {false, true}) {
        SCOPED_TRACE(nearFirst);
        std::memset(TOWER_ZBuffer, 128, sizeof TOWER_ZBuffer);
        auto farFace = [] { TOWER_Span(kRow, 50, 150, 0x0000, 0x1000, 300, 300); };       // columns 0..15
        auto nearFace = [] { TOWER_Span(kRow, 100, 200, 0x8000, 0x9000, 350, 450); };    // columns 128..143
        if (nearFirst) {
            nearFace();
            farFace();
        } else {
            farFace();
            nearFace();
        }
        EXPECT_LT(At(99), 16);
        for (int x = 100; x < 200; x++)
            ASSERT_GE(At(x), 128) << x;
    }
    // A face crossing another in depth: each column keeps the nearer of the two.
    std::memset(TOWER_ZBuffer, 128, sizeof TOWER_ZBuffer);
    TOWER_Span(kRow, 0, 100, 0x0000, 0x1000, 100, 300);   // far on the left, near on the right
    TOWER_Span(kRow, 0, 100, 0x8000, 0x9000, 300, 100);   // the other way round
    EXPECT_GE(At(10), 128);
    EXPECT_LT(At(90), 16);
}

TEST_F(TowerSpanTest, RowsOutsideTheScreenDrawNothing)
{
    for (int32_t row : {-1, 200, INT32_MAX, INT32_MIN})
        TOWER_Span(row, 0, 300, 0, 0x1000, 500, 500);
    EXPECT_EQ(Drawn(), 0);
    // Depths whose 24.8 forms and steps leave the 32-bit range stay on the row.
    const int32_t depths[][2] = {
        {INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MAX}, {1 << 23, -(1 << 23)}, {-(1 << 23), 1 << 23}};
    for (const auto& z : depths)
        TOWER_Span(kRow, 0, 300, 0xFFFFFFFFu, 0, z[0], z[1]);
    EXPECT_LE(Drawn(), 300);
}

}  // namespace
