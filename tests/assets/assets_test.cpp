// The generated data set: vantrel-assets run twice into fresh folders; every file the show
// reads is checked in the loose folder and in VANTREL.DAT, in the form its reader expects.
#include "common/test_support.h"

#include "data/file.h"
#include "image/pix.h"

#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

static std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

static uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

// Members of an archive by upper-cased name, read through its trailer and directory.
static std::map<std::string, std::vector<uint8_t>> ReadArchive(const std::vector<uint8_t>& dat)
{
    std::map<std::string, std::vector<uint8_t>> members;
    if (dat.size() < 16 || Get32(&dat[dat.size() - 16]) != 0xDF73B489u) {
        ADD_FAILURE() << "no archive trailer";
        return members;
    }
    uint32_t count = Get32(&dat[dat.size() - 12]), distance = Get32(&dat[dat.size() - 4]);
    if (distance > dat.size() || (uint64_t)count * 32 + 16 != distance) {
        ADD_FAILURE() << "bad directory";
        return members;
    }
    size_t directory = dat.size() - distance;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* e = &dat[directory + i * 32];
        std::string name((const char*)e, strnlen((const char*)e, 24));
        uint32_t back = Get32(e + 24), size = Get32(e + 28);
        if (back > directory || size > back) {
            ADD_FAILURE() << name << ": member outside the archive";
            continue;
        }
        for (char& c : name)
            c = (char)std::toupper((unsigned char)c);
        size_t start = directory - back;
        members[name] = std::vector<uint8_t>(dat.begin() + start, dat.begin() + start + size);
    }
    return members;
}

class AssetsTest : public ::testing::Test {
protected:
    static fs::path first, second;
    static bool generated;

    static void SetUpTestSuite()
    {
        fs::path base = fs::path(::testing::TempDir()) / ("vantrel-assets-" + std::to_string(getpid()));
        fs::remove_all(base);
        first = base / "a";
        second = base / "b";
        generated = true;
        for (const fs::path& dir : {first, second}) {
            std::string command = std::string("\"") + VANTREL_BINARY_DIR "/vantrel-assets\" \"" + dir.string() + "\" > /dev/null";
            generated = generated && std::system(command.c_str()) == 0;
        }
    }
    static void TearDownTestSuite() { fs::remove_all(first.parent_path()); }
    void SetUp() override { ASSERT_TRUE(generated) << "vantrel-assets failed"; }
};
fs::path AssetsTest::first, AssetsTest::second;
bool AssetsTest::generated = false;

// The files the show opens, by the names it uses.
static const char* const SHOW_FILES[] = {
    "GFX\\WEAVE.GIF",   "GFX\\TALVIK1.GIF", "GFX\\VANTREL3.GIF", "GFX\\ripp2.gif",    "GFX\\circler.gif",
    "GFX\\feedback.gif", "GFX\\FREESTYL.GIF", "GFX\\KOLDE640.GIF", "GFX\\sq.gif",      "GFX\\sqtback.gif",
    "GFX\\weave.mix",    "GFX\\FONT2.FNT",   "MUSIC\\VANTREL.S3M", "ENDTEXT.TXT",
};

static std::string LoosePath(const char* showName)
{
    std::string p = showName;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}

TEST_F(AssetsTest, TwoRunsWriteTheSameBytes)
{
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(first)) {
        if (!entry.is_regular_file())
            continue;
        count++;
        fs::path other = second / fs::relative(entry.path(), first);
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_TRUE(ReadBytes(entry.path()) == ReadBytes(other)) << entry.path() << " differs between runs";
    }
    EXPECT_EQ(count, std::size(SHOW_FILES) + 1);   // the show's files and the archive
}

TEST_F(AssetsTest, EveryShowFileIsLooseAndInTheArchive)
{
    std::map<std::string, std::vector<uint8_t>> members = ReadArchive(ReadBytes(first / "VANTREL.DAT"));
    EXPECT_EQ(members.size(), std::size(SHOW_FILES));
    for (const char* name : SHOW_FILES) {
        fs::path loose = first / LoosePath(name);
        ASSERT_TRUE(fs::exists(loose)) << loose;
        std::string base = fs::path(LoosePath(name)).filename().string();
        for (char& c : base)
            c = (char)std::toupper((unsigned char)c);
        ASSERT_TRUE(members.count(base)) << base << " missing from VANTREL.DAT";
        std::vector<uint8_t> bytes = ReadBytes(loose);
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_TRUE(members[base] == bytes) << base << ": archive member differs from the loose file";
    }
}

struct PictureCase {
    const char* name;
    int width, height, colors;
    int pixelLimit;   // every pixel value below this
};

static const PictureCase PICTURES[] = {
    {"GFX\\WEAVE.GIF", 320, 200, 256, 256},     {"GFX\\TALVIK1.GIF", 320, 200, 256, 256},
    {"GFX\\VANTREL3.GIF", 320, 200, 256, 256},  {"GFX\\ripp2.gif", 256, 256, 256, 256},
    {"GFX\\circler.gif", 256, 256, 256, 256},   {"GFX\\feedback.gif", 256, 256, 256, 256},
    {"GFX\\FREESTYL.GIF", 640, 480, 256, 256},  {"GFX\\KOLDE640.GIF", 360, 480, 256, 256},
    {"GFX\\sq.gif", 256, 256, 128, 128},        {"GFX\\sqtback.gif", 320, 200, 256, 128},
};

// Decodes with giflib; the structure must be what the show's loader accepts.
TEST_F(AssetsTest, PicturesHaveTheFormAndSizeTheirEffectsExpect)
{
    for (const PictureCase& pc : PICTURES) {
        SCOPED_TRACE(pc.name);
        int error = 0;
        GifFileType* gif = DGifOpenFileName((first / LoosePath(pc.name)).c_str(), &error);
        ASSERT_NE(gif, nullptr) << GifErrorString(error);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
        ASSERT_EQ(gif->ImageCount, 1);
        const SavedImage& img = gif->SavedImages[0];
        ASSERT_NE(gif->SColorMap, nullptr);
        EXPECT_EQ(gif->SColorMap->ColorCount, pc.colors);
        EXPECT_EQ(img.ImageDesc.ColorMap, nullptr);
        EXPECT_FALSE(img.ImageDesc.Interlace);
        EXPECT_EQ(img.ImageDesc.Width, pc.width);
        EXPECT_EQ(img.ImageDesc.Height, pc.height);
        int highest = 0;
        for (int i = 0; i < pc.width * pc.height; i++)
            highest = std::max(highest, (int)img.RasterBits[i]);
        EXPECT_LT(highest, pc.pixelLimit);
        DGifCloseFile(gif, &error);
    }
}

// The same files through the show's own loader, from inside the data folder by the
// show's names, and from the archive alone (a folder that does not exist leaves only the
// member with that base name); both must agree with giflib pixel for pixel.
TEST_F(AssetsTest, PicturesLoadThroughTheShowsLoader)
{
    struct InFolder {   // the show reads relative to the working folder; restored on any exit
        fs::path previous = fs::current_path();
        explicit InFolder(const fs::path& dir) { fs::current_path(dir); }
        ~InFolder() { fs::current_path(previous); }
    } inFolder(first);
    static const bool archiveOpen = DAT_Open("VANTREL.DAT") == 1;
    ASSERT_TRUE(archiveOpen);
    for (const PictureCase& pc : PICTURES) {
        std::string base = fs::path(LoosePath(pc.name)).filename().string();
        for (const std::string& name : {std::string(pc.name), "NOT-A-FOLDER\\" + base}) {
            SCOPED_TRACE(name);
            std::vector<uint8_t> pixels((size_t)pc.width * pc.height, 0);
            uint8_t palette[768] = {};
            int32_t width = -1, height = -1;
            PIX_LoadGIF(name.c_str(), pixels.data(), palette, &width, &height, 0, pixels.size());
            EXPECT_EQ(width, pc.width);
            EXPECT_EQ(height, pc.height);
            int error = 0;
            GifFileType* gif = DGifOpenFileName(LoosePath(pc.name).c_str(), &error);
            ASSERT_NE(gif, nullptr);
            ASSERT_EQ(DGifSlurp(gif), GIF_OK);
            EXPECT_EQ(std::memcmp(pixels.data(), gif->SavedImages[0].RasterBits, pixels.size()), 0);
            for (int i = 0; i < pc.colors; i++) {
                EXPECT_EQ(palette[i * 3], gif->SColorMap->Colors[i].Red >> 2);
                EXPECT_EQ(palette[i * 3 + 2], gif->SColorMap->Colors[i].Blue >> 2);
            }
            DGifCloseFile(gif, &error);
        }
    }
}

TEST_F(AssetsTest, MixTableIsFullAndBlendingAColourWithItselfKeepsIt)
{
    std::vector<uint8_t> mix = ReadBytes(first / "GFX/weave.mix");
    ASSERT_EQ(mix.size(), 65536u);
    // Where the warped texture shows the screen's own colour the weave must stand still;
    // otherwise the feedback drifts into noise.
    for (int a = 0; a < 256; a++)
        EXPECT_EQ(mix[a * 256 + a], a) << "entry " << a;
}

// The tunnel shows its palette as loaded and leaves the side columns at index 0: entry 0 is
// black and the picture never uses it, so the window is framed in black.
TEST_F(AssetsTest, TunnelPictureKeepsEntryZeroBlackForTheSides)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName((first / "GFX/circler.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    const GifColorType& c = gif->SColorMap->Colors[0];
    EXPECT_EQ(c.Red + c.Green + c.Blue, 0);
    const GifByteType* px = gif->SavedImages[0].RasterBits;
    EXPECT_EQ(std::count(px, px + 65536, 0), 0);
    DGifCloseFile(gif, &error);
}

// The font as its loader reads it: header, 256-byte map, then width-prefixed glyphs stored
// column by column.
struct ParsedFont {
    int height = 0;
    std::vector<uint8_t> data;
    std::vector<size_t> offsets;   // by glyph index
    int Glyph(int c) const { return data[(unsigned char)c] == 255 ? -1 : data[(unsigned char)c]; }
    int Extent(const std::string& text) const
    {
        int w = 0;
        for (char c : text)
            w += Glyph(c) < 0 ? height / 2 : data[offsets[Glyph(c)]] + 2;
        return w;
    }
};

static ParsedFont ParseFont(const std::vector<uint8_t>& file)
{
    ParsedFont font;
    if (file.size() < 8 + 256) {
        ADD_FAILURE() << "font file too short";
        return font;
    }
    EXPECT_TRUE(file[0] & 8) << "map variant flag";
    EXPECT_EQ(file[0] & 3, 0) << "the map flag is tested after bits 0 and 1";
    EXPECT_EQ(file[3], 0) << "proportional";
    font.height = file[2];
    EXPECT_EQ(Get32(&file[4]), file.size() - 8);
    font.data.assign(file.begin() + 8, file.end());
    size_t p = 256;
    for (int c = 0; c < 256; c++)
        if (font.data[c] != 255) {
            font.offsets.push_back(p);
            if (p >= font.data.size()) {
                ADD_FAILURE() << "glyph beyond the data";
                return font;
            }
            p += (size_t)font.data[p] * font.height + 1;
        }
    EXPECT_EQ(p, font.data.size());
    EXPECT_LE(p, 65536u) << "offsets are 16-bit";
    return font;
}

TEST_F(AssetsTest, FontMapsEveryPrintableCharacterWithVisibleIntensities)
{
    ParsedFont font = ParseFont(ReadBytes(first / "GFX/FONT2.FNT"));
    ASSERT_GT(font.height, 0);
    EXPECT_LE(font.height, 18) << "lines are 19 pixels apart";
    for (int c = 32; c < 127; c++) {
        SCOPED_TRACE(std::string(1, (char)c));
        int g = font.Glyph(c);
        ASSERT_GE(g, 0) << "no glyph";
        ASSERT_LT((size_t)g, font.offsets.size());
        const uint8_t* glyph = &font.data[font.offsets[g]];
        int width = glyph[0], strongest = 0, faintest = 255;
        EXPECT_GT(width, 0);
        for (int i = 1; i <= width * font.height; i++)
            if (glyph[i]) {
                strongest = std::max(strongest, (int)glyph[i]);
                faintest = std::min(faintest, (int)glyph[i]);
            }
        if (c == ' ')
            continue;
        // At the pager's full level (239) a pixel value v adds grey floor(100 (v - 17) / 256)
        // to the closing screen every frame: inked pixels lie above the table's black entries,
        // and the strongest add a visible grey that takes many frames to reach white, so that
        // a page's glow does not burn out.
        EXPECT_GE(faintest, 18);
        EXPECT_GE((strongest - 17) * 100 / 256, 10);
        EXPECT_LE((strongest - 17) * 100 / 256, 32);
    }
}

TEST_F(AssetsTest, EndTextHasPagesThatFitTheScreenAndEndsWithEndtext)
{
    ParsedFont font = ParseFont(ReadBytes(first / "GFX/FONT2.FNT"));
    std::ifstream in(first / "ENDTEXT.TXT");
    std::string line, lastDirective;
    int pages = 0, seconds = 0, onPage = 0, lastY = 0, lastSeconds = 0, lastLines = 0;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || std::strchr(";:#", line[start]) || line.compare(start, 2, "/*") == 0)
            continue;
        line = line.substr(start);
        std::istringstream tokens(line);
        std::string first;
        tokens >> first;
        std::string upper = first;
        for (char& c : upper)
            c = (char)std::toupper((unsigned char)c);
        if (upper == "ENDPAGE" || upper == "ENDTEXT") {
            int s = 10;
            tokens >> s;
            seconds += s;
            pages++;
            lastSeconds = s;
            lastLines = onPage;
            onPage = 0;
            lastDirective = upper;
            continue;
        }
        int x = std::atoi(first.c_str()), y = 0;
        tokens >> y;
        size_t open = line.find('"'), close = line.rfind('"');
        ASSERT_TRUE(open != std::string::npos && close > open) << line;
        std::string text = line.substr(open + 1, close - open - 1);
        y = y < 0 && onPage > 0 ? lastY + 19 : y;
        int left = x < 0 ? (320 - font.Extent(text)) / 2 : x;
        EXPECT_GE(left, 0) << text;
        EXPECT_LE(left + font.Extent(text), 320) << text;
        EXPECT_GE(y, 0) << text;
        EXPECT_LE(y + font.height, 200) << text;
        EXPECT_LT(++onPage, 21) << "at most 20 lines on a page";
        lastY = y;
        lastDirective.clear();
    }
    EXPECT_EQ(lastDirective, "ENDTEXT") << "the text must end with ENDTEXT, also inside the archive";
    EXPECT_GE(pages, 6);
    // The pages run from (41,32) to the frame that holds from (49,1): 481 rows of 6 ticks at
    // tempo 130. They fill it once, and the last page is read early enough for all its lines
    // to have faded in (line i is complete 120 + 25 i ticks after its page is read, and a page
    // is replaced one tick after its time) a second before the frame holds.
    const double section = 481 * 6 * 2.5 / 130;
    const double lastRead = (seconds - lastSeconds) + (pages - 1) / 70.0;
    ASSERT_GT(lastLines, 0);
    EXPECT_LE(lastRead + (120 + 25 * (lastLines - 1)) / 70.0, section - 1.0);
    EXPECT_GT(lastRead + lastSeconds, section) << "the text must not start over before the end";
}
