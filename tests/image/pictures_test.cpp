// The PCX, IFF PBM and TGA loaders and the second loader set: files from small writers of the
// formats decode to their pixels and palettes; refused files fail without writing outside.
#include "gif_builder.h"
#include "image_fixture.h"
#include "picture_writers.h"

#include "data/file.h"
#include "image/pix.h"

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
    } refused[] = {
        {"version 3", patched(1, 3), 35},
        {"not ZSoft", patched(0, 11), 35},
        {"not run-length", patched(2, 0), 35},
        {"8 bits with 3 planes", patched(65, 3), 35},
        {"2 bits per pixel", patched(3, 2), 35},
        {"buffer too small", file, 34},
        {"x max below x min", patched(4, 9), 35},
        {"pixel data cut off", Head(file, 140), 35},
        {"shorter than a palette", Head(file, 700), 35},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        d = DecodeBytes(PIX_ReadPCX, c.file, 0, c.capacity);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.pixels[c.capacity], 0xEE);
    }
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
    } refused[] = {
        {"FORM shorter than 808", build(picw::Bmhd(4, 3, 0), Palette(48)), 12},
        {"BMHD of 22 bytes", build(bmhd22, cmap), 12},
        {"4 planes", build(picw::Bmhd(4, 3, 0, 4), cmap), 12},
        {"ILBM", build(picw::Bmhd(4, 3, 0), cmap, "ILBM"), 12},
        {"CMAP over 768 bytes", build(picw::Bmhd(4, 3, 0), Palette(771)), 12},
        {"buffer too small", build(picw::Bmhd(4, 3, 0), cmap), 11},
        {"body cut off", Head(build(picw::Bmhd(4, 3, 0), cmap), 8 + 4 + 28 + 776 + 8 + 5), 12},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        d = DecodeBytes(PIX_ReadPBM, c.file, 0, c.capacity);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.pixels[c.capacity], 0xEE);
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
    } refused[] = {
        {"no footer", variant([](picw::Tga& t) { t.footer = false; }), 24},
        {"true-colour type", variant([](picw::Tga& t) { t.type = 2; }), 24},
        {"buffer too small", variant([](picw::Tga&) {}), 23},
        {"run-length pixels missing", [&] {
             Bytes f = variant([](picw::Tga& t) { t.type = 9; });
             f.erase(f.begin() + 18 + 2 + 768, f.end() - 26);   // the footer's bytes are all that is left
             return f;
         }(), 24},
        {"shorter than a footer", Bytes(20, 0), 24},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        Decoded d = DecodeBytes(PIX_ReadTGA, c.file, 0, c.capacity);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.pixels[c.capacity], 0xEE);
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
    // A broken GIF makes the lenient reader fail, never stop.
    EXPECT_EQ(PIX_ReadPicture(gif.data(), gif.size(), &target, 0, nullptr), 0);
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
    EXPECT_EQ(PIX_LoadPicture("GFX\\PAD.BIN", nullptr, nullptr, nullptr, nullptr, 0), 0);
}

TEST_F(PictureFileTest, PictureToolInfoAndPng)
{
    const Bytes pixels = Pixels(5, 3, 100), palette = Palette(768);
    WriteFile("pic.pcx", picw::Pcx256(5, 3, pixels, palette, 6));
    WriteFile("text.txt", Bytes(300, 'x'));
    auto run = [](const std::string& args, std::string* out) {
        const std::string cmd = std::string(VANTREL_BINARY_DIR) + "/vantrel-pix " + args + " >tool.out 2>tool.err";
        const int raw = std::system(cmd.c_str());
        std::ifstream in("tool.out");
        std::ifstream err("tool.err");
        *out = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()) +
               std::string((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    std::string out;
    EXPECT_EQ(run("info pic.pcx", &out), 0);
    EXPECT_EQ(out, "format: PCX\nwidth: 5\nheight: 3\ncolours: 256\nshow: no (the show loads GIF pictures only)\n");
    EXPECT_EQ(run("png pic.pcx out.png", &out), 0) << out;
    std::ifstream png("out.png", std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    EXPECT_EQ(run("info text.txt", &out), 1);
    EXPECT_NE(out.find("text.txt: not a picture"), std::string::npos) << out;
    EXPECT_EQ(run("png missing.gif out.png", &out), 1);
    EXPECT_NE(out.find("cannot read missing.gif"), std::string::npos) << out;
    EXPECT_EQ(run("png --help", &out), 0);
}

}  // namespace
