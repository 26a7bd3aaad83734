// The screenshot writer: exact run-length bytes of the row cases that matter, the header, and
// whole screens written to a file and read back with PIX_LoadPCX.
#include "image/image_fixture.h"
#include "image/pcxwrite.h"
#include "image/pix.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(PcxWrite, RowsAreRunLengthEncodedOneByOne)
{
    struct Case {
        const char* what;
        Bytes row, encoded;
    } cases[] = {
        {"single bytes below 0xC0 stand as they are", {1, 2, 0xBF}, {1, 2, 0xBF}},
        {"a single byte of 0xC0 and above is a run of one", {0xC0, 7, 0xFF}, {0xC1, 0xC0, 7, 0xC1, 0xFF}},
        {"a run of two", {5, 5, 6}, {0xC2, 5, 6}},
        {"63 equal bytes are one run", Bytes(63, 9), {0xFF, 9}},
        {"64 split at 63, the last one single", Bytes(64, 9), {0xFF, 9, 9}},
        {"130 of 0xD0: two full runs and a run of four", Bytes(130, 0xD0), {0xFF, 0xD0, 0xFF, 0xD0, 0xC4, 0xD0}},
    };
    uint8_t palette[768] = {};
    for (const Case& c : cases) {
        // Two rows of the same bytes: a run never continues into the next row.
        Bytes pixels = c.row;
        pixels.insert(pixels.end(), c.row.begin(), c.row.end());
        Bytes file = PIX_EncodePCX(pixels.data(), (int32_t)c.row.size(), 2, palette);
        Bytes want = c.encoded;
        want.insert(want.end(), c.encoded.begin(), c.encoded.end());
        ASSERT_EQ(file.size(), 128 + want.size() + 769) << c.what;
        EXPECT_EQ(Bytes(file.begin() + 128, file.end() - 769), want) << c.what;
    }
}

TEST(PcxWrite, HeaderAndPaletteAreTheScreenshotsOwn)
{
    Bytes pixels(320 * 200, 3);
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = (uint8_t)(i % 64);
    Bytes file = PIX_EncodePCX(pixels.data(), 320, 200, palette);
    Bytes header(128, 0);
    header[0] = 10, header[1] = 5, header[2] = 1, header[3] = 8;
    header[8] = 319 & 0xFF, header[9] = 319 >> 8, header[10] = 199;   // window 0, 0 to 319, 199
    header[65] = 1;                                                    // one plane
    header[66] = 320 & 0xFF, header[67] = 320 >> 8;                    // bytes per line
    header[68] = 1;                                                    // palette type
    EXPECT_EQ(Head(file, 128), header);
    ASSERT_EQ(file[file.size() - 769], 12);
    for (int i = 0; i < 768; i++)
        ASSERT_EQ(file[file.size() - 768 + (size_t)i], (uint8_t)(4 * (i % 64))) << i;
}

class PcxWriteFile : public ImageDirTest {};

TEST_F(PcxWriteFile, ScreensReadBackWithTheLoaderToTheirBytesAndPalette)
{
    for (auto [w, h] : {std::pair{320, 200}, std::pair{640, 480}}) {
        Bytes pixels((size_t)(w * h));
        srand(7);
        for (size_t i = 0; i < pixels.size(); i++)   // runs of every length, and noise
            pixels[i] = (i / 97) % 3 ? (uint8_t)((i / (1 + (i / 640) % 70)) * 37) : (uint8_t)rand();
        uint8_t palette[768];
        for (int i = 0; i < 768; i++)
            palette[i] = (uint8_t)rand() % 64;
        ASSERT_TRUE(PIX_WritePCX("SHOT.PCX", pixels.data(), w, h, palette));

        Bytes back((size_t)(w * h), 0xEE);
        uint8_t backPalette[768];
        int32_t bw = 0, bh = 0;
        ASSERT_EQ(PIX_LoadPCX("SHOT.PCX", back.data(), backPalette, &bw, &bh, back.size()), 1);
        EXPECT_EQ(bw, w);
        EXPECT_EQ(bh, h);
        EXPECT_EQ(back, pixels) << w << " x " << h;
        EXPECT_EQ(Bytes(backPalette, backPalette + 768), Bytes(palette, palette + 768));
    }
    uint8_t palette[768] = {};
    uint8_t pixel = 0;
    EXPECT_FALSE(PIX_WritePCX("no-such-folder/SHOT.PCX", &pixel, 1, 1, palette));
}

}  // namespace
