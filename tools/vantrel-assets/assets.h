// The data-set generator: every file the show reads, made from code. Shared painting,
// palette reduction and encoding helpers, and the producers of each group of files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One generated file: its path below the output folder ('/' separated, the show's case).
struct AssetFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// A display colour, 0..255 per channel (what the viewer should see, after any palette
// brightening the effect applies).
struct Rgb {
    float r, g, b;
};

// A full-colour picture being painted.
struct ArtImage {
    int width = 0, height = 0;
    std::vector<Rgb> px;
    void Init(int w, int h) { width = w; height = h; px.assign((size_t)w * h, Rgb{0, 0, 0}); }
    Rgb& At(int x, int y) { return px[(size_t)y * width + x]; }
};

// A palette picture as written to a GIF: colors is the size of its colour table (128 or 256).
struct IndexedImage {
    int width = 0, height = 0, colors = 256;
    std::vector<uint8_t> px;
    uint8_t palette[768] = {};   // 8-bit components, each an exact 6-bit value widened
};

// A colour stop of a gradient; t ascending from 0 to 1.
struct GradientStop {
    float t;
    Rgb c;
};

// Prints "vantrel-assets: " and the message on stderr and exits with status 1.
[[noreturn]] void ASSET_Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// --- painting helpers (paint.cpp) ---
float ART_Clamp01(float v);
float ART_Smooth(float e0, float e1, float x);
Rgb ART_Lerp(Rgb a, Rgb b, float t);
Rgb ART_Scale(Rgb a, float s);
Rgb ART_Add(Rgb a, Rgb b);
Rgb ART_Gradient(const GradientStop* stops, int count, float t);
// Hash of a lattice point, 0..1.
float ART_Hash(int x, int y, int seed);
// Smooth value noise, -1..1, with one lattice cell per unit; it repeats every periodX by
// periodY units, so a picture whose size is a multiple of the period in pixels tiles.
float ART_Noise(float x, float y, int periodX, int periodY, int seed);
// Sum of octaves of ART_Noise, each twice the frequency of the one before, about -1..1.
float ART_Fbm(float x, float y, int periodX, int periodY, int octaves, int seed);

// Paints art (already sized) from f(x, y), a colour at pixel-space coordinates, averaging
// ss x ss samples spread evenly over each pixel.
template <class F>
void ART_Render(ArtImage* art, int ss, F f)
{
    for (int y = 0; y < art->height; y++)
        for (int x = 0; x < art->width; x++) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < ss; sy++)
                for (int sx = 0; sx < ss; sx++)
                    sum = ART_Add(sum, f(x + (sx + 0.5f) / ss, y + (sy + 0.5f) / ss));
            art->At(x, y) = ART_Scale(sum, 1.0f / (ss * ss));
        }
}

// Adds (as maximum) the coverage 0..1 of text drawn with the font file at the given
// pixel size, its pen starting at x and its baseline at y, into mask (w x h). Returns the
// advance of the whole text in pixels; with mask null only measures. tracking adds
// pixels between letters.
int ART_DrawText(const char* fontFile, int pixelSize, const char* text, float* mask, int w, int h, int x,
                 int y, int tracking);
// Full path of a font of the Debian DejaVu core set, e.g. "DejaVuSans-Bold.ttf".
std::string ART_FontPath(const char* file);

// --- palettes ---
// The brightness the show's sine brightening gives a 6-bit palette value.
int ART_Brightened(int value6);
// Stores a display colour into palette entry index as 6-bit values; with brighten the
// stored values are those the brightening turns into the colour. Returns the colour shown.
Rgb ART_SetEntry(uint8_t* palette, int index, Rgb display, bool brighten);
// Reduces the picture to colors entries (at most 256) chosen for it, with error
// diffusion of strength dither (0 none, 1 full); palette entries from colors to the table
// size stay black. brighten: the effect brightens the palette before showing it.
void ART_Reduce(const ArtImage& art, int colors, bool brighten, float dither, IndexedImage* out);

// --- encoding (gifout.cpp) ---
// One image, not interlaced, global table of out.colors entries, no local table.
std::vector<uint8_t> ART_EncodeGIF(const IndexedImage& image);
// Reduces art as ART_Reduce does (colors entries, brighten, dither), encodes it with a
// colour table of table entries (128 or 256, at least colors) and adds it to files as path.
void ART_AddGIF(std::vector<AssetFile>* files, const char* path, const ArtImage& art, int colors, bool brighten,
                float dither, int table = 256);

// --- the producers ---
void ASSET_IntroPictures(std::vector<AssetFile>* files);   // WEAVE, weave.mix, TALVIK1, VANTREL3
void ASSET_EffectPictures(std::vector<AssetFile>* files);  // ripp2, circler, feedback, sq, sqtback
void ASSET_StillPictures(std::vector<AssetFile>* files);   // FREESTYL, KOLDE640
std::vector<uint8_t> ASSET_MakeFont(void);                 // GFX/FONT2.FNT
// Width in pixels of text written with the .FNT map font file font, as the text writer
// measures it.
int ASSET_FontTextExtent(const std::vector<uint8_t>& font, const char* text);
// ENDTEXT.TXT; every line is checked to fit the 320 x 200 text screen in font.
std::vector<uint8_t> ASSET_MakeEndText(const std::vector<uint8_t>& font);
