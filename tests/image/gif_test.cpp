// The GIF reader against giflib's encoder and decoder, on streams of every code size, and its
// assertion stops (PIX_LoadGIF) or failures (the lenient reader) on broken files.
#include "gif_builder.h"
#include "image_fixture.h"

#include "common/test_support.h"
#include "data/file.h"
#include "image/pix.h"

#include <gmock/gmock.h>

#include <dirent.h>

namespace {

using gifb::Picture;

Bytes Pattern(int kind, int width, int height, int tableBits)
{
    Bytes p((size_t)width * height);
    uint32_t seed = 12345;
    const int mask = (1 << tableBits) - 1;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint8_t v = 0;
            seed = seed * 1103515245u + 12345u;
            switch (kind) {
            case 0: v = (uint8_t)((x * 3 + y) & mask); break;          // gradient
            case 1: v = (uint8_t)((seed >> 16) & mask); break;          // noise: fills the table
            case 2: v = 5; break;                                       // one colour: long runs
            default: v = (uint8_t)(((x / 4) % 3) * 40 & mask); break;   // stripes
            }
            p[(size_t)y * width + x] = v;
        }
    return p;
}

Picture MakePicture(int width, int height, int tableBits, int pattern)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.tableBits = tableBits;
    p.pixels = Pattern(pattern, width, height, tableBits);
    for (int i = 0; i < (3 << tableBits); i++)
        p.palette.push_back((uint8_t)(255 - i * 5));
    return p;
}

TEST(GifDecode, GiflibFilesDecodeLikeGiflib)
{
    const gifb::Extension control{GRAPHICS_EXT_FUNC_CODE, {{0x05, 0x10, 0x00, 0x07}}};
    const gifb::Extension comment{COMMENT_EXT_FUNC_CODE, {Bytes(255, 'c'), Bytes(3, 'd'), Bytes(1, 'e')}};
    const gifb::Extension application{APPLICATION_EXT_FUNC_CODE,
                                      {Bytes{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'}, {1, 0, 0}}};
    const struct {
        const char* what;
        int width, height, tableBits, pattern;
        bool gif89, interlace, extensions;
    } cases[] = {
        {"gradient", 64, 40, 8, 0, true, false, false},
        {"noise that fills the table", 320, 200, 8, 1, true, false, false},
        {"one colour", 100, 50, 8, 2, false, false, false},
        {"128-entry table", 33, 17, 7, 1, false, false, false},
        {"stripes after extensions", 21, 9, 8, 3, true, false, true},
        {"interlaced", 31, 23, 8, 1, true, true, false},
        {"one pixel", 1, 1, 8, 0, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Picture p = MakePicture(c.width, c.height, c.tableBits, c.pattern);
        p.gif89 = c.gif89;
        p.interlace = c.interlace;
        if (c.extensions)
            p.extensions = {control, comment, application};
        const Bytes file = gifb::EncodeWithGiflib(p);
        ASSERT_FALSE(file.empty());
        ASSERT_EQ(std::string(file.begin(), file.begin() + 6), c.gif89 ? "GIF89a" : "GIF87a");
        Bytes reference;
        ASSERT_TRUE(gifb::DecodeWithGiflib(file, &reference));
        ASSERT_EQ(reference, p.pixels);

        const size_t count = p.pixels.size();
        Decoded d = DecodeBytes(PIX_ReadGIF, file, PIX_KEEP8BIT, count);
        ASSERT_EQ(d.result, 1);
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
        EXPECT_EQ(d.colors, 1 << c.tableBits);
        EXPECT_TRUE(Head(d.pixels, count) == reference);
        EXPECT_EQ(d.pixels[count], 0xEE);
        EXPECT_TRUE(Head(d.palette, p.palette.size()) == p.palette);

        // 6-bit components; a 128-entry table leaves the rest of the palette as it was.
        d = DecodeBytes(PIX_ReadGIF, file, 0, count);
        for (size_t i = 0; i < 768; i++)
            ASSERT_EQ(d.palette[i], i < p.palette.size() ? p.palette[i] >> 2 : 0xEE) << i;

        // The lenient reader of the second set agrees.
        Decoded lenient = DecodeBytes(PIX_ReadGIF, file, PIX_LENIENT | PIX_KEEP8BIT, count);
        EXPECT_EQ(lenient.result, 1);
        EXPECT_TRUE(Head(lenient.pixels, count) == reference);
    }
}

// A giflib file with a small table (code size 2..6) given a 256-entry global table.
Bytes WidenTable(const Bytes& file, int tableBits)
{
    Bytes out(file.begin(), file.begin() + 13);
    out[10] = (uint8_t)((out[10] & ~7) | 7);
    const size_t tableBytes = (size_t)3 << tableBits;
    out.insert(out.end(), file.begin() + 13, file.begin() + 13 + (std::ptrdiff_t)tableBytes);
    out.insert(out.end(), 768 - tableBytes, 0x40);
    out.insert(out.end(), file.begin() + 13 + (std::ptrdiff_t)tableBytes, file.end());
    return out;
}

TEST(GifDecode, EveryCodeSizeAndAFullTable)
{
    for (int bits = 1; bits <= 6; bits++) {
        SCOPED_TRACE("giflib, table bits " + std::to_string(bits));
        Picture p = MakePicture(97, 61, bits, 1);
        const Bytes file = WidenTable(gifb::EncodeWithGiflib(p), bits);
        Bytes reference;
        ASSERT_TRUE(gifb::DecodeWithGiflib(file, &reference));
        ASSERT_EQ(reference, p.pixels);
        Decoded d = DecodeBytes(PIX_ReadGIF, file, 0, p.pixels.size());
        ASSERT_EQ(d.result, 1);
        EXPECT_TRUE(Head(d.pixels, p.pixels.size()) == p.pixels);
    }

    const struct {
        const char* what;
        int minCodeSize, clearEvery, count;
    } cases[] = {
        {"code size 2, table filled and kept (deferred clear)", 2, 0, 6000},
        {"code size 8, table filled and kept", 8, 0, 9000},
        {"code size 8, clears now and then", 8, 1000, 5000},
        {"code size 9", 9, 700, 3000},
        {"code size 10", 10, 1500, 4000},
        {"code size 11", 11, 0, 4000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes pixels = Pattern(1, c.count, 1, c.minCodeSize >= 8 ? 8 : c.minCodeSize);
        Bytes data{(uint8_t)c.minCodeSize};
        const Bytes blocks = gifb::SubBlocks(gifb::EncodeLiterals(pixels, c.minCodeSize, c.clearEvery));
        data.insert(data.end(), blocks.begin(), blocks.end());
        const Bytes file = gifb::Assemble("GIF89a", 256, {}, c.count, 1, 0, data);
        Bytes reference;
        if (c.minCodeSize <= 8) {   // giflib reads code sizes up to 8
            ASSERT_TRUE(gifb::DecodeWithGiflib(file, &reference));
            EXPECT_EQ(reference, pixels);
        }
        Decoded d = DecodeBytes(PIX_ReadGIF, file, 0, pixels.size());
        ASSERT_EQ(d.result, 1);
        EXPECT_TRUE(Head(d.pixels, pixels.size()) == pixels);
        // The second set reads code sizes 2..9 only.
        EXPECT_EQ(DecodeBytes(PIX_ReadGIF, file, PIX_LENIENT, pixels.size()).result, c.minCodeSize <= 9 ? 1 : 0);
    }
}

TEST(GifDecode, HandPickedCodes)
{
    const struct {
        const char* what;
        int width, height;
        std::vector<std::pair<int, int>> codes;   // code, width in bits; code size 2
        Bytes expected;                           // the pixels, then what must stay 0xEE
    } cases[] = {
        {"first code taken as a clear code", 3, 1, {{1, 3}, {2, 3}, {3, 3}, {1, 3}, {5, 3}}, {2, 3, 1, 0xEE}},
        {"code equal to the next free code", 3, 1, {{4, 3}, {1, 3}, {6, 3}, {5, 3}}, {1, 1, 1, 0xEE}},
        {"table code, then the width grows", 4, 1, {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 4}}, {1, 2, 1, 2, 0xEE}},
        {"clear in the middle", 3, 1, {{4, 3}, {3, 3}, {3, 3}, {4, 3}, {2, 3}, {5, 3}}, {3, 3, 2, 0xEE}},
        {"more pixels than the picture", 2, 1, {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 4}}, {1, 2, 0xEE}},
        {"fewer pixels than the picture", 4, 1, {{4, 3}, {3, 3}, {5, 3}}, {3, 0xEE, 0xEE, 0xEE, 0xEE}},
        // The first code after a clear is one pixel, its low byte, even a code not in the table.
        {"table code right after a clear", 4, 1, {{4, 3}, {6, 3}, {5, 3}}, {6, 0xEE, 0xEE, 0xEE}},
        {"table code after a clear, then the stream goes on", 4, 1, {{4, 3}, {6, 3}, {1, 3}, {7, 3}, {5, 4}},
         {6, 1, 1, 1, 0xEE}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes file = gifb::Assemble("GIF87a", 256, {}, c.width, c.height, 0, gifb::Codes(2, c.codes));
        Decoded d = DecodeBytes(PIX_ReadGIF, file, 0, (size_t)c.width * c.height);
        ASSERT_EQ(d.result, 1);
        EXPECT_TRUE(Head(d.pixels, c.expected.size()) == c.expected);
    }
}

TEST(GifDecode, BrokenFilesStopOrFail)
{
    const Bytes header = [] {
        Bytes f = gifb::Assemble("GIF89a", 256, {}, 4, 1, 0, {});
        f.resize(6 + 7 + 768);
        return f;
    }();
    auto with = [&](std::initializer_list<uint8_t> tail) {
        Bytes f = header;
        f.insert(f.end(), tail);
        return f;
    };
    const Bytes good = gifb::Codes(2, {{4, 3}, {1, 3}, {5, 3}});
    const char* const kTable = "hascolortable && (colortablesize == 256 || colortablesize == 128)";
    auto coded = [](std::vector<std::pair<int, int>> codes) {
        return gifb::Assemble("GIF89a", 256, {}, 4, 1, 0, gifb::Codes(2, codes));
    };
    // The header is 781 bytes: signature, screen descriptor and a 256-entry table.
    const struct {
        const char* what;
        Bytes file;
        const char* expr;
        const char* why;   // a part of the reason both readers leave
        size_t capacity;
    } cases[] = {
        {"other signature", gifb::Assemble("GIF88a", 256, {}, 4, 1, 0, good), "0",
         "signature \"GIF88a\"; GIF87a or GIF89a needed", 4},
        {"only a signature", Bytes{'G', 'I', 'F', '8', '9', 'a'}, kTable, "truncated at byte 6", 4},
        {"no global table", gifb::Assemble("GIF89a", 0, {}, 4, 1, 0, good), kTable, "no global colour table", 4},
        {"64-entry table", gifb::Assemble("GIF89a", 64, {}, 4, 1, 0, good), kTable,
         "colour table has 64 entries; 128 or 256 needed", 4},
        {"local table", gifb::Assemble("GIF89a", 256, {}, 4, 1, 0x80, good), "!hascolortable",
         "local colour table", 4},
        {"nothing after the table", header, "0", "truncated at byte 781", 4},
        {"trailer before any image", with({0x3B}), "0", "no image: byte 781 is 0x3B", 4},
        {"unknown block", with({0x00, 0x2C}), "0", "no image: byte 781 is 0x00", 4},
        {"extension cut off", with({0x21, 0xFE, 0x05, 'a', 'b'}), "0", "truncated at byte 786", 4},
        {"control extension cut off", with({0x21, 0xF9, 0x04, 0, 0}), "0", "truncated at byte 786", 4},
        {"extension without the next byte", with({0x21, 0xFE, 0x00}), "0", "truncated at byte 784", 4},
        {"image descriptor cut off", with({0x2C, 0, 0, 0, 0, 4}), "0", "truncated at byte 787", 4},
        {"no code size", with({0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0}), "ireturn == TRUE", "truncated at byte 791", 4},
        {"terminator before the end code", coded({{4, 3}, {1, 3}}), "ireturn == TRUE", "before its end code", 4},
        {"data cut off", with({0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0, 2, 9, 0x0C}), "ireturn == TRUE",
         "truncated at byte 794", 4},
        {"code beyond the next free code", coded({{4, 3}, {1, 3}, {7, 3}, {5, 3}}), "ireturn == TRUE",
         "LZW code 7 at pixel 1 is not in the table (next free code 6)", 4},
        // A table code right after a clear leaves an entry whose prefix is itself (code 6 here)
        // or a code not yet in the table; reaching either fails.
        {"entry left by a table code after a clear", coded({{4, 3}, {6, 3}, {1, 3}, {6, 3}, {5, 3}}),
         "ireturn == TRUE", "LZW code 6 at pixel 2 expands without end", 4},
        {"next free code after a table code after a clear", coded({{4, 3}, {6, 3}, {6, 3}, {5, 3}}),
         "ireturn == TRUE", "LZW code 6 at pixel 1 leads to code 6, which is not in the table", 4},
        {"code size 12", gifb::Assemble("GIF89a", 256, {}, 4, 1, 0, gifb::Codes(12, {{4096, 13}, {4097, 13}})),
         "ireturn == TRUE", "LZW code size 12", 4},
        {"picture larger than the buffer", gifb::Assemble("GIF89a", 256, {}, 4, 1, 0, good),
         "width * height <= capacity", "picture 4 x 1 does not fit 3 bytes", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AssertionStop stop = TEST_ExpectStop([&] { DecodeBytes(PIX_ReadGIF, c.file, 0, c.capacity); });
        EXPECT_EQ(stop.expr, c.expr);
        EXPECT_EQ(stop.func, "PIX_LoadGIF");
        EXPECT_EQ(stop.unit, "PIX");
        EXPECT_THAT(PIX_FailureReason(), ::testing::HasSubstr(c.why));
        // The lenient reader takes any "GIF" signature; otherwise it fails for the same reason.
        const bool otherSignature = std::string(c.what) == "other signature";
        EXPECT_EQ(DecodeBytes(PIX_ReadGIF, c.file, PIX_LENIENT, c.capacity).result, otherSignature ? 1 : 0);
        if (!otherSignature) {
            EXPECT_THAT(PIX_FailureReason(), ::testing::HasSubstr(c.why));
        }
    }
    EXPECT_EQ(DecodeBytes(PIX_ReadGIF, Bytes{'P', 'K', 3, 4}, PIX_LENIENT).result, 0);
    EXPECT_STREQ(PIX_FailureReason(), "not a GIF");
}

TEST(GifDecode, LenientSignatureAndPaletteDepth)
{
    const Bytes data = gifb::Codes(2, {{4, 3}, {1, 3}, {5, 3}});
    EXPECT_EQ(DecodeBytes(PIX_ReadGIF, gifb::Assemble("GIFxyz", 256, {}, 1, 1, 0, data), PIX_LENIENT).result, 1);
    EXPECT_EQ(DecodeBytes(PIX_ReadGIF, gifb::Assemble("GIF87a", 128, {}, 1, 1, 0, data), PIX_LENIENT).result, 1);

    // The builder's palette byte i is i * 7 + 3: entry 0 red is 3, entry 12 red is 255.
    const Bytes file = gifb::Assemble("GIF87a", 256, {}, 1, 1, 0, data);
    Decoded six = DecodeBytes(PIX_ReadGIF, file, 0);
    Decoded eight = DecodeBytes(PIX_ReadGIF, file, PIX_KEEP8BIT);
    EXPECT_EQ(six.palette[0], 0);
    EXPECT_EQ(six.palette[36], 63);
    EXPECT_EQ(eight.palette[0], 3);
    EXPECT_EQ(eight.palette[36], 255);
}

int OpenDescriptors()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            n++;
        ::closedir(d);
    }
    return n;
}

class GifFileTest : public ImageDirTest {};

TEST_F(GifFileTest, LoadsByNameFromLooseFilesAndArchives)
{
    Picture p = MakePicture(40, 25, 8, 0);
    const Bytes file = gifb::EncodeWithGiflib(p);
    std::filesystem::create_directories("gfx");
    WriteFile("gfx/weave.gif", file);
    std::vector<DatMember> members = {{"FIRST.BIN", Bytes(77, 1)}, {"RIPP2.GIF", file}};
    std::string error;
    ASSERT_TRUE(DAT_WriteArchive("VANTREL.DAT", members, &error));
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);

    for (const char* name : {"GFX\\WEAVE.GIF", "GFX\\ripp2.gif"}) {
        SCOPED_TRACE(name);
        Bytes pixels(1000, 0xEE), palette(768, 0xEE);
        int32_t w = 0, h = 0;
        EXPECT_EQ(PIX_LoadGIF(name, pixels.data(), palette.data(), &w, &h, 1, pixels.size()), 1);
        EXPECT_EQ(w, 40);
        EXPECT_EQ(h, 25);
        EXPECT_TRUE(pixels == p.pixels);
        EXPECT_TRUE(palette == p.palette);
        // The show's way: no size pointers, 6-bit palette.
        EXPECT_EQ(PIX_LoadGIF(name, pixels.data(), palette.data(), nullptr, nullptr, 0, pixels.size()), 1);
        EXPECT_EQ(palette[0], p.palette[0] >> 2);
    }

    AssertionStop stop = TEST_ExpectStop([] {
        uint8_t pixels[4], palette[768];
        PIX_LoadGIF("GFX\\MISSING.GIF", pixels, palette, nullptr, nullptr, 0, sizeof pixels);
    });
    EXPECT_EQ(stop.expr, "0");
    EXPECT_EQ(stop.func, "PIX_LoadGIF");

    // The decoding stop closes the file first.
    Bytes cut = file;
    cut.resize(cut.size() - 30);
    WriteFile("cut.gif", cut);
    const int before = OpenDescriptors();
    stop = TEST_ExpectStop([] {
        Bytes pixels(1000), palette(768);
        PIX_LoadGIF("CUT.GIF", pixels.data(), palette.data(), nullptr, nullptr, 0, pixels.size());
    });
    EXPECT_EQ(stop.expr, "ireturn == TRUE");
    EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
