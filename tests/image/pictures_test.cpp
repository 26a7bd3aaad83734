// The PCX, IFF PBM and TGA loaders and the second loader set: files from small writers of the
// formats decode to their pixels and palettes; refused files fail without writing outside.
#include "gif_builder.h"
#include "image_fixture.h"
#include "picture_writers.h"

#include "data/file.h"
#include "image/pix.h"

#include <gmock/gmock.h>
#include <sys/wait.h>

namespace {

Bytes Pixels(int width, int height, int modulo)
{
    Bytes p((size_t)width * height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            p[(size_t)y * width + x] = (uint8_t)((x * 5 + y * 3 + (x * y) % 7) % modulo);
    return p;
}

Bytes Palette(size_t count)
{
    Bytes p(count);
    for (size_t i = 0; i < count; i++)
        p[i] = (uint8_t)(255 - i * 3);
    return p;
}

Bytes Shifted(const Bytes& b)
{
    Bytes s = b;
    for (uint8_t& v : s)
        v >>= 2;
    return s;
}

TEST(PcxDecode, DecodesBothKindsAndRefusesOthers)
{
    const Bytes pixels = Pixels(7, 5, 256), palette = Palette(768);
    const Bytes file = picw::Pcx256(7, 5, pixels, palette, 8);   // odd width: lines padded to 8 bytes
    Decoded d = DecodeBytes(PIX_ReadPCX, file, 0, 35);
    ASSERT_EQ(d.result, 1);
    EXPECT_EQ(d.width, 7);
    EXPECT_EQ(d.height, 5);
    EXPECT_TRUE(Head(d.pixels, 35) == pixels);
    EXPECT_EQ(d.pixels[35], 0xEE);
    EXPECT_TRUE(d.palette == Shifted(palette));
    EXPECT_TRUE(DecodeBytes(PIX_ReadPCX, file, PIX_KEEP8BIT, 35).palette == palette);

    // 16 colours: pixels 0..15, entries 16..255 black.
    const Bytes pixels16 = Pixels(13, 4, 16), palette48 = Palette(48);
    d = DecodeBytes(PIX_ReadPCX, picw::Pcx16(13, 4, pixels16, palette48), 0, 52);
    ASSERT_EQ(d.result, 1);
    EXPECT_TRUE(Head(d.pixels, 52) == pixels16);
    EXPECT_TRUE(Head(d.palette, 48) == Shifted(palette48));
    EXPECT_TRUE(Bytes(d.palette.begin() + 48, d.palette.end()) == Bytes(720, 0));

    // Only the size: the header is all that is read.
    d = DecodeBytes(PIX_ReadPCX, Head(file, 128), 0, 0, false, false);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.width, 7);

    auto patched = [&](size_t at, uint8_t v) {
        Bytes f = file;
        f[at] = v;
        return f;
    };
    const struct {
        const char* what;
        Bytes file;
        size_t capacity;
        const char* why;   // the reason left, or a part of it
    } refused[] = {
        {"version 3", patched(1, 3), 35, "PCX version 3; only version 5 is read"},
        {"not ZSoft", patched(0, 11), 35, "not a PCX"},
        {"not run-length", patched(2, 0), 35, "encoding 0; only run-length (1) is read"},
        {"8 bits with 3 planes", patched(65, 3), 35, "8 bits per pixel with 3 planes; 1 plane needed"},
        {"2 bits per pixel", patched(3, 2), 35, "2 bits per pixel with 1 plane; 8 with 1 or 1 with 4 needed"},
        {"buffer too small", file, 34, "picture 7 x 5 does not fit 34 bytes"},
        {"x max below x min", patched(4, 9), 35, "picture -2 x 5 does not fit 35 bytes"},
        {"pixel data cut off", Head(file, 140), 35, "140 bytes leave no room for the 768-byte palette"},
        {"shorter than a palette", Head(file, 700), 35, "700 bytes leave no room for the 768-byte palette"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        d = DecodeBytes(PIX_ReadPCX, c.file, 0, c.capacity);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.pixels[c.capacity], 0xEE);
        EXPECT_STREQ(PIX_FailureReason(), c.why);
    }
    // Without the palette the cut pixel data is what fails.
    EXPECT_EQ(DecodeBytes(PIX_ReadPCX, Head(file, 140), 0, 35, true, false).result, 0);
    EXPECT_STREQ(PIX_FailureReason(), "truncated at byte 140");
}

TEST(PcxDecode, RunsStopAtTheLineEnd)
{
    // A run of 10 on a 4-pixel line: the rest of the run is dropped, the next line starts fresh.
    Bytes f = Head(picw::Pcx256(4, 2, Bytes(8, 0), Palette(768), 4), 128);
    for (uint8_t b : {0xCA, 0x09, 0x01, 0x02, 0x03, 0x04})
        f.push_back(b);
    f.push_back(0x0C);
    Bytes palette = Palette(768);
    f.insert(f.end(), palette.begin(), palette.end());
    Decoded d = DecodeBytes(PIX_ReadPCX, f, 0, 8);
    ASSERT_EQ(d.result, 1);
    EXPECT_TRUE(Head(d.pixels, 9) == (Bytes{9, 9, 9, 9, 1, 2, 3, 4, 0xEE}));
}

TEST(PbmDecode, DecodesRawAndPackedBodies)
{
    const Bytes cmap = Palette(768);
    for (int compression : {0, 1})
        for (int width : {6, 9}) {
            SCOPED_TRACE("compression " + std::to_string(compression) + ", width " + std::to_string(width));
            const Bytes pixels = Pixels(width, 5, 40);
            const Bytes file = picw::Pbm(width, 5, pixels, cmap, compression);
            Decoded d = DecodeBytes(PIX_ReadPBM, file, 0, pixels.size());
            ASSERT_EQ(d.result, 1);
            EXPECT_EQ(d.width, width);
            EXPECT_EQ(d.height, 5);
            EXPECT_TRUE(Head(d.pixels, pixels.size()) == pixels);
            EXPECT_EQ(d.pixels[pixels.size()], 0xEE);
            EXPECT_TRUE(d.palette == Shifted(cmap));
            EXPECT_EQ(d.colors, 256);
            // Size only, with the chunk list still walked.
            d = DecodeBytes(PIX_ReadPBM, file, 0, 0, false, false);
            EXPECT_EQ(d.result, 1);
            EXPECT_EQ(d.width, width);
        }
}

TEST(PbmDecode, EdgeCases)
{
    const Bytes cmap = Palette(768);
    // Control byte -128 repeats the next byte 129 times (then one byte for the pad of the odd width).
    Bytes chunks;
    picw::Chunk(&chunks, "BMHD", picw::Bmhd(129, 1, 1));
    picw::Chunk(&chunks, "CMAP", cmap);
    picw::Chunk(&chunks, "BODY", {0x80, 0x2A, 0x00, 0x00});
    Decoded d = DecodeBytes(PIX_ReadPBM, picw::Form("PBM ", chunks), 0, 129);
    ASSERT_EQ(d.result, 1);
    EXPECT_TRUE(Head(d.pixels, 130) == [] { Bytes b(129, 0x2A); b.push_back(0xEE); return b; }());

    // A BODY before any BMHD is skipped: nothing to decode into.
    chunks.clear();
    picw::Chunk(&chunks, "BODY", Bytes(12, 7));
    picw::Chunk(&chunks, "CMAP", cmap);
    picw::Chunk(&chunks, "BMHD", picw::Bmhd(4, 3, 0));
    d = DecodeBytes(PIX_ReadPBM, picw::Form("PBM ", chunks), 0, 12);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.pixels[0], 0xEE);
    EXPECT_EQ(d.width, 4);

    // A packet running past the row end is cut there.
    chunks.clear();
    picw::Chunk(&chunks, "BMHD", picw::Bmhd(2, 2, 1));
    picw::Chunk(&chunks, "CMAP", cmap);
    picw::Chunk(&chunks, "BODY", {0xFB, 0x05, 0x01, 0x06, 0x07});
    d = DecodeBytes(PIX_ReadPBM, picw::Form("PBM ", chunks), 0, 4);
    EXPECT_EQ(d.result, 1);
    EXPECT_TRUE(Head(d.pixels, 5) == (Bytes{5, 5, 6, 7, 0xEE}));

    const Bytes pixels = Pixels(4, 3, 16);
    auto build = [&](const Bytes& bmhd, const Bytes& map, const char* type = "PBM ") {
        Bytes c;
        picw::Chunk(&c, "BMHD", bmhd);
        picw::Chunk(&c, "CMAP", map);
        picw::Chunk(&c, "BODY", picw::PbmBody(4, 3, pixels, 0));
        return picw::Form(type, c);
    };
    Bytes bmhd22 = picw::Bmhd(4, 3, 0);
    bmhd22.resize(22);
    const struct {
        const char* what;
        Bytes file;
        size_t capacity;
        const char* why;   // the reason left, or a part of it
    } refused[] = {
        {"FORM shorter than 808", build(picw::Bmhd(4, 3, 0), Palette(48)), 12, "at least 808 needed"},
        {"BMHD of 22 bytes", build(bmhd22, cmap), 12, "BMHD chunk of 22 bytes; 20 needed"},
        {"4 planes", build(picw::Bmhd(4, 3, 0, 4), cmap), 12, "4 bit planes; 8 needed"},
        {"ILBM", build(picw::Bmhd(4, 3, 0), cmap, "ILBM"), 12, "FORM of type \"ILBM\"; only \"PBM \" is read"},
        {"CMAP over 768 bytes", build(picw::Bmhd(4, 3, 0), Palette(771)), 12, "CMAP chunk of 771 bytes; at most 768"},
        {"buffer too small", build(picw::Bmhd(4, 3, 0), cmap), 11, "picture 4 x 3 does not fit 11 bytes"},
        {"body cut off", Head(build(picw::Bmhd(4, 3, 0), cmap), 8 + 4 + 28 + 776 + 8 + 5), 12,
         "truncated at byte 829"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        d = DecodeBytes(PIX_ReadPBM, c.file, 0, c.capacity);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.pixels[c.capacity], 0xEE);
        EXPECT_THAT(PIX_FailureReason(), ::testing::HasSubstr(c.why));
    }
    EXPECT_EQ(DecodeBytes(PIX_ReadPBM, build(picw::Bmhd(4, 3, 0), cmap), 0, 12).result, 1);
}

picw::Tga TgaWith24BitMap(int width, int height, int type)
{
    picw::Tga t;
    t.width = width;
    t.height = height;
    t.type = type;
    t.mapLength = 256;
    t.entryBits = 24;
    t.map = Palette(768);   // blue, green, red per entry
    t.id = {'i', 'd'};
    return t;
}

TEST(TgaDecode, DecodesBottomUpRowsAndColourMaps)
{
    const Bytes pixels = Pixels(6, 4, 200);
    for (int type : {1, 9}) {
        SCOPED_TRACE("type " + std::to_string(type));
        const picw::Tga t = TgaWith24BitMap(6, 4, type);
        Decoded d = DecodeBytes(PIX_ReadTGA, picw::TgaFile(t, pixels), 0, 24);
        ASSERT_EQ(d.result, 1);
        EXPECT_EQ(d.width, 6);
        EXPECT_EQ(d.height, 4);
        EXPECT_TRUE(Head(d.pixels, 25) == [&] { Bytes b = pixels; b.push_back(0xEE); return b; }());
        for (int i = 0; i < 256; i++) {
            ASSERT_EQ(d.palette[3 * i], t.map[3 * i + 2] >> 2);
            ASSERT_EQ(d.palette[3 * i + 2], t.map[3 * i] >> 2);
        }
        // A picture stored top row first, as its descriptor may say, comes out upside down.
        picw::Tga top = t;
        top.descriptor = 0x20;
        top.topFirst = true;
        d = DecodeBytes(PIX_ReadTGA, picw::TgaFile(top, pixels), 0, 24);
        ASSERT_EQ(d.result, 1);
        for (int y = 0; y < 4; y++)
            EXPECT_TRUE(Bytes(d.pixels.begin() + y * 6, d.pixels.begin() + y * 6 + 6) ==
                        Bytes(pixels.begin() + (3 - y) * 6, pixels.begin() + (3 - y) * 6 + 6));
    }

    // 16-bit entries: 0x7FFF gives 62 (6-bit) or 255 (8-bit); 32-bit entries drop alpha.
    picw::Tga t = TgaWith24BitMap(2, 1, 1);
    t.entryBits = 16;
    t.mapLength = 2;
    t.map = {0xFF, 0x7F, 0x1F, 0x00};
    Decoded d = DecodeBytes(PIX_ReadTGA, picw::TgaFile(t, {0, 1}), 0, 2);
    ASSERT_EQ(d.result, 1);
    EXPECT_TRUE(Head(d.palette, 9) == (Bytes{62, 62, 62, 0, 0, 62, 0, 0, 0}));
    d = DecodeBytes(PIX_ReadTGA, picw::TgaFile(t, {0, 1}), PIX_KEEP8BIT, 2);
    EXPECT_TRUE(Head(d.palette, 6) == (Bytes{255, 255, 255, 0, 0, 255}));
    t.entryBits = 32;
    t.map = {10, 20, 30, 99, 40, 50, 60, 99};
    d = DecodeBytes(PIX_ReadTGA, picw::TgaFile(t, {1, 0}), PIX_KEEP8BIT, 2);
    EXPECT_TRUE(Head(d.palette, 6) == (Bytes{30, 20, 10, 60, 50, 40}));
    EXPECT_TRUE(Head(d.pixels, 2) == (Bytes{1, 0}));
    // Entries of another size stay black, and the pixels still start after the map.
    t.entryBits = 8;
    t.map = {1, 2};
    d = DecodeBytes(PIX_ReadTGA, picw::TgaFile(t, {1, 0}), 0, 2);
    ASSERT_EQ(d.result, 1);
    EXPECT_TRUE(Head(d.palette, 6) == Bytes(6, 0));
    EXPECT_TRUE(Head(d.pixels, 2) == (Bytes{1, 0}));
}

TEST(TgaDecode, RefusedFilesAndRunsAcrossRows)
{
    const Bytes pixels = Pixels(6, 4, 200);
    const picw::Tga good = TgaWith24BitMap(6, 4, 1);
    auto variant = [&](auto change) {
        picw::Tga t = good;
        change(t);
        return picw::TgaFile(t, pixels);
    };
    const struct {
        const char* what;
        Bytes file;
        size_t capacity;
        const char* why;   // a part of the reason left
    } refused[] = {
        {"no footer", variant([](picw::Tga& t) { t.footer = false; }), 24, "not a TGA 2.0 file"},
        {"true-colour type", variant([](picw::Tga& t) { t.type = 2; }), 24,
         "image type 2 with 8 bits per pixel; colour-mapped 8-bit (type 1 or 9) needed"},
        {"buffer too small", variant([](picw::Tga&) {}), 23, "picture 6 x 4 does not fit 23 bytes"},
        {"run-length pixels missing", [&] {
             Bytes f = variant([](picw::Tga& t) { t.type = 9; });
             f.erase(f.begin() + 18 + 2 + 768, f.end() - 26);   // the footer's bytes are all that is left
             return f;
         }(), 24, "truncated at byte 814"},
        {"shorter than a footer", Bytes(20, 0), 24, "not a TGA 2.0 file"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        Decoded d = DecodeBytes(PIX_ReadTGA, c.file, 0, c.capacity);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.pixels[c.capacity], 0xEE);
        EXPECT_THAT(PIX_FailureReason(), ::testing::HasSubstr(c.why));
    }
    // The size alone needs no colour-mapped type.
    Decoded d = DecodeBytes(PIX_ReadTGA, variant([](picw::Tga& t) { t.type = 2; }), 0, 0, false, false);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.width, 6);

    // One run packet of 5 over rows of 3: it carries on into the next row.
    picw::Tga t = TgaWith24BitMap(3, 2, 9);
    Bytes f = picw::TgaFile(t, Bytes(6, 0));
    const size_t start = 18 + 2 + 768;
    Bytes runs = {0x84, 0x07, 0x00, 0x08};
    f.erase(f.begin() + start, f.end() - 26);
    f.insert(f.begin() + start, runs.begin(), runs.end());
    d = DecodeBytes(PIX_ReadTGA, f, 0, 6);
    ASSERT_EQ(d.result, 1);
    EXPECT_TRUE(Head(d.pixels, 6) == (Bytes{7, 7, 8, 7, 7, 7}));   // bottom row first in the file
}

TEST(PictureSet, TriesEachFormatWithEightBitPalettes)
{
    const Bytes pixels = Pixels(8, 3, 100), palette = Palette(768);
    const Bytes gif = [&] {
        Bytes f{'G', 'I', 'F', '8', '9', 'a', 8, 0, 3, 0, 0xF7, 0, 0};
        f.insert(f.end(), palette.begin(), palette.end());
        return f;
    }();
    const struct {
        const char* format;
        Bytes file;
    } cases[] = {
        {"PCX", picw::Pcx256(8, 3, pixels, palette, 8)},
        {"PBM", picw::Pbm(8, 3, pixels, palette, 1)},
        {"TGA", [&] { picw::Tga t = TgaWith24BitMap(8, 3, 9); t.map = palette; return picw::TgaFile(t, pixels); }()},
        {"GIF", [&] {
             gifb::Picture p;
             p.width = 8;
             p.height = 3;
             p.pixels = pixels;
             p.palette = palette;
             return gifb::EncodeWithGiflib(p);
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        Bytes out(24, 0xEE), pal(768, 0xEE);
        int32_t w = 0, h = 0;
        PixTarget target = {out.data(), out.size(), pal.data(), &w, &h, 0};
        const char* format = nullptr;
        ASSERT_EQ(PIX_ReadPicture(c.file.data(), c.file.size(), &target, PIX_KEEP8BIT, &format), 1);
        EXPECT_STREQ(format, c.format);
        EXPECT_TRUE(out == pixels);
        if (std::string(c.format) == "TGA")   // stored blue, green, red
            EXPECT_EQ(pal[0], palette[2]);
        else
            EXPECT_TRUE(pal == palette);

        // The palette and size alone, without a pixel buffer.
        Bytes palOnly(768, 0xEE);
        int32_t pw = 0, ph = 0;
        PixTarget paletteOnly = {nullptr, 0, palOnly.data(), &pw, &ph, 0};
        ASSERT_EQ(PIX_ReadPicture(c.file.data(), c.file.size(), &paletteOnly, PIX_KEEP8BIT, nullptr), 1);
        EXPECT_TRUE(palOnly == pal);
        EXPECT_EQ(pw, 8);
        EXPECT_EQ(ph, 3);
    }
    Bytes junk(2000, 0x42);
    PixTarget target = {nullptr, 0, nullptr, nullptr, nullptr, 0};
    EXPECT_EQ(PIX_ReadPicture(junk.data(), junk.size(), &target, 0, nullptr), 0);
    EXPECT_STREQ(PIX_FailureReason(), "not a GIF, PCX, IFF PBM or TGA picture");
    // A broken GIF makes the lenient reader fail, never stop; the reason is the GIF reader's,
    // not that of a format tried after it.
    EXPECT_EQ(PIX_ReadPicture(gif.data(), gif.size(), &target, 0, nullptr), 0);
    EXPECT_STREQ(PIX_FailureReason(), "GIF: truncated at byte 781");
}

class PictureFileTest : public ImageDirTest {};

TEST_F(PictureFileTest, LoadsByNameFromArchivesRelativeToTheMember)
{
    const Bytes pixels = Pixels(5, 3, 100), palette = Palette(768);
    picw::Tga t = TgaWith24BitMap(5, 3, 9);
    const Bytes pcx = picw::Pcx256(5, 3, pixels, palette, 6), tga = picw::TgaFile(t, pixels);
    const Bytes pbm = picw::Pbm(5, 3, pixels, palette, 0);
    std::vector<DatMember> members = {{"PAD.BIN", Bytes(1000, 0x55)}, {"A.PCX", pcx}, {"B.TGA", tga}, {"C.LBM", pbm},
                                      {"PAD2.BIN", Bytes(900, 0x66)}};
    std::string error;
    ASSERT_TRUE(DAT_WriteArchive("VANTREL.DAT", members, &error));
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);
    const struct {
        const char* name;
        int (*load)(const char*, uint8_t*, uint8_t*, int32_t*, int32_t*, size_t);
    } cases[] = {{"GFX\\A.PCX", PIX_LoadPCX}, {"GFX\\B.TGA", PIX_LoadTGA}, {"GFX\\C.LBM", PIX_LoadPBM}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out(15, 0), pal(768, 0);
        int32_t w = 0, h = 0;
        ASSERT_EQ(c.load(c.name, out.data(), pal.data(), &w, &h, out.size()), 1);
        EXPECT_EQ(w, 5);
        EXPECT_EQ(h, 3);
        EXPECT_TRUE(out == pixels);
        EXPECT_EQ(pal[3], std::string(c.name).find("TGA") != std::string::npos ? palette[5] >> 2 : palette[3] >> 2);
        Bytes out8(15, 0), pal8(768, 0);
        ASSERT_EQ(PIX_LoadPicture(c.name, out8.data(), pal8.data(), &w, &h, out8.size()), 1);
        EXPECT_TRUE(out8 == pixels);
        // The loaders close what they open: the archive's stream stays usable.
        EXPECT_EQ(FILE_GetSize("PAD2.BIN"), 900u);
    }
    EXPECT_EQ(PIX_LoadPCX("GFX\\NONE.PCX", nullptr, nullptr, nullptr, nullptr, 0), 0);
    EXPECT_STREQ(PIX_FailureReason(), "no such file");
    EXPECT_EQ(PIX_LoadPicture("GFX\\PAD.BIN", nullptr, nullptr, nullptr, nullptr, 0), 0);
    EXPECT_STREQ(PIX_FailureReason(), "not a GIF, PCX, IFF PBM or TGA picture");
    // A cut loose file: the byte counts from the file's start.
    WriteFile("CUT.PCX", Head(pcx, 140));
    Bytes out(15, 0);
    EXPECT_EQ(PIX_LoadPCX("CUT.PCX", out.data(), nullptr, nullptr, nullptr, out.size()), 0);
    EXPECT_STREQ(PIX_FailureReason(), "truncated at byte 140");
}

// Runs vantrel-pix with args in the working folder; its standard output and error in *out.
int RunPictureTool(const std::string& args, std::string* out)
{
    const std::string cmd = std::string(VANTREL_BINARY_DIR) + "/vantrel-pix " + args + " >tool.out 2>tool.err";
    const int raw = std::system(cmd.c_str());
    std::ifstream in("tool.out");
    std::ifstream err("tool.err");
    *out = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()) +
           std::string((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST_F(PictureFileTest, PictureToolInfoAndPng)
{
    const Bytes pixels = Pixels(5, 3, 100), palette = Palette(768);
    WriteFile("pic.pcx", picw::Pcx256(5, 3, pixels, palette, 6));
    WriteFile("text.txt", Bytes(300, 'x'));
    WriteFile("cut.gif", Head(gifb::Assemble("GIF89a", 256, {}, 4, 1, 0, {}), 400));
    std::string out;
    EXPECT_EQ(RunPictureTool("info pic.pcx", &out), 0);
    EXPECT_EQ(out, "format: PCX\nwidth: 5\nheight: 3\ncolours: 256\nshow: no (the show loads GIF pictures only)\n");
    EXPECT_EQ(RunPictureTool("png pic.pcx out.png", &out), 0) << out;
    std::ifstream png("out.png", std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    // Refusals name the file and say why.
    EXPECT_EQ(RunPictureTool("info text.txt", &out), 1);
    EXPECT_EQ(out, "vantrel-pix: text.txt: not a GIF, PCX, IFF PBM or TGA picture\n");
    EXPECT_EQ(RunPictureTool("info cut.gif", &out), 1);
    EXPECT_EQ(out, "vantrel-pix: cut.gif: GIF: truncated at byte 400\n");
    EXPECT_EQ(RunPictureTool("png missing.gif out.png", &out), 1);
    EXPECT_NE(out.find("cannot read missing.gif"), std::string::npos) << out;
    EXPECT_EQ(RunPictureTool("png --help", &out), 0);
}

// A GIF of width x height whose pixels run over the entries 0..highest, with a global table
// of tableEntries and 8-bit codes.
Bytes ToolGif(const char* signature, int width, int height, int tableEntries, int highest)
{
    Bytes pixels((size_t)width * height);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = (uint8_t)(i * 7 % (highest + 1));
    pixels[pixels.size() / 2] = (uint8_t)highest;
    Bytes data{8};
    const Bytes blocks = gifb::SubBlocks(gifb::EncodeLiterals(pixels, 8, 4000));
    data.insert(data.end(), blocks.begin(), blocks.end());
    return gifb::Assemble(signature, tableEntries, {}, width, height, 0, data);
}

TEST_F(PictureFileTest, PictureToolChecksAPictureAgainstItsPlaceInTheShow)
{
    WriteFile("weave.gif", ToolGif("GIF89a", 320, 200, 256, 255));
    WriteFile("low.gif", ToolGif("GIF89a", 320, 200, 256, 200));
    WriteFile("small-table.gif", ToolGif("GIF89a", 256, 256, 128, 130));
    WriteFile("old.gif", ToolGif("GIF88a", 320, 200, 256, 255));
    WriteFile("pic.pcx", picw::Pcx256(5, 3, Pixels(5, 3, 100), Palette(768), 6));
    const std::string head = "format: GIF\nwidth: 320\nheight: 200\ncolours: 256\nshow: yes\n";
    const struct {
        const char* args;
        int status;
        std::string out;
    } cases[] = {
        {"info weave.gif --as 'GFX\\WEAVE.GIF'", 0, head + "as GFX\\WEAVE.GIF: yes\n"},
        // Only the base name counts, ignoring case; a smaller picture fits but is laid out wrong.
        {"info weave.gif --as gfx/freestyl.gif", 1,
         head + "as GFX\\FREESTYL.GIF: no\n  320 x 200 where the first still picture needs 640 x 480\n"},
        {"info --as RIPP2.GIF weave.gif", 1,
         head + "as GFX\\ripp2.gif: no\n  320 x 200 where the ripple's water needs 256 x 256\n"},
        {"info low.gif --as 'GFX\\sqtback.gif'", 1,
         head + "as GFX\\sqtback.gif: no\n  a pixel uses palette entry 200 where the tower's background may use "
                "entries 0-127 only\n"},
        {"info small-table.gif --as 'GFX\\ripp2.gif'", 1,
         "format: GIF\nwidth: 256\nheight: 256\ncolours: 128\nshow: yes\nas GFX\\ripp2.gif: no\n"
         "  a pixel uses palette entry 130 of a 128-entry colour table\n"},
        // Every check that fails is listed; a picture larger than its buffer stops the show.
        {"info small-table.gif --as 'GFX\\TALVIK1.GIF'", 1,
         "format: GIF\nwidth: 256\nheight: 256\ncolours: 128\nshow: yes\nas GFX\\TALVIK1.GIF: no\n"
         "  256 x 256 where the intro's logo needs 320 x 200 (the show stops: the picture does not fit its 64000 "
         "bytes)\n  a pixel uses palette entry 130 of a 128-entry colour table\n"},
        {"info old.gif --as 'GFX\\WEAVE.GIF'", 1,
         "format: GIF\nwidth: 320\nheight: 200\ncolours: 256\nshow: no (PIX_LoadGIF would stop on \"0\": signature "
         "\"GIF88a\"; GIF87a or GIF89a needed)\nas GFX\\WEAVE.GIF: no\n  PIX_LoadGIF would stop on \"0\": signature "
         "\"GIF88a\"; GIF87a or GIF89a needed\n"},
        {"info pic.pcx --as 'GFX\\KOLDE640.GIF'", 1,
         "format: PCX\nwidth: 5\nheight: 3\ncolours: 256\nshow: no (the show loads GIF pictures only)\n"
         "as GFX\\KOLDE640.GIF: no\n  a PCX file; the show loads GIF pictures only\n"
         "  5 x 3 where the closing picture needs 360 x 480\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        std::string out;
        EXPECT_EQ(RunPictureTool(c.args, &out), c.status);
        EXPECT_EQ(out, c.out);
    }
    std::string out;
    EXPECT_EQ(RunPictureTool("info weave.gif --as 'GFX\\NONE.GIF'", &out), 1);
    EXPECT_THAT(out,
                ::testing::HasSubstr("the show has no picture named GFX\\NONE.GIF (its pictures: GFX\\WEAVE.GIF,"));
    EXPECT_EQ(RunPictureTool("info weave.gif --as", &out), 1);
    EXPECT_THAT(out, ::testing::HasSubstr("--as needs the name"));
}

}  // namespace
