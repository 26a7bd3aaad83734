// Painting helpers of the generator: colour arithmetic, tiling noise, FreeType text, and the
// reduction of a full-colour picture to a 6-bit palette picture.
#include "assets.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>

void ASSET_Fail(const char* format, ...)
{
    std::fputs("vantrel-assets: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::exit(1);
}

float ART_Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float ART_Smooth(float e0, float e1, float x)
{
    float t = ART_Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

Rgb ART_Lerp(Rgb a, Rgb b, float t) { return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb ART_Scale(Rgb a, float s) { return Rgb{a.r * s, a.g * s, a.b * s}; }
Rgb ART_Add(Rgb a, Rgb b) { return Rgb{a.r + b.r, a.g + b.g, a.b + b.b}; }

Rgb ART_Gradient(const GradientStop* stops, int count, float t)
{
    if (t <= stops[0].t)
        return stops[0].c;
    for (int i = 1; i < count; i++)
        if (t <= stops[i].t)
            return ART_Lerp(stops[i - 1].c, stops[i].c, (t - stops[i - 1].t) / (stops[i].t - stops[i - 1].t));
    return stops[count - 1].c;
}

float ART_Hash(int x, int y, int seed)
{
    uint32_t h = (uint32_t)x * 0x8DA6B343u ^ (uint32_t)y * 0xD8163841u ^ (uint32_t)seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return (float)(h & 0xFFFFFF) / 16777216.0f;
}

static int ART_Wrap(int v, int period) { return ((v % period) + period) % period; }

float ART_Noise(float x, float y, int periodX, int periodY, int seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = (int)fx, iy = (int)fy;
    float tx = x - fx, ty = y - fy;
    // Quintic fade: continuous slope across cells, so no creases in shaded relief.
    tx = tx * tx * tx * (tx * (tx * 6.0f - 15.0f) + 10.0f);
    ty = ty * ty * ty * (ty * (ty * 6.0f - 15.0f) + 10.0f);
    int x0 = ART_Wrap(ix, periodX), x1 = ART_Wrap(ix + 1, periodX);
    int y0 = ART_Wrap(iy, periodY), y1 = ART_Wrap(iy + 1, periodY);
    float a = ART_Hash(x0, y0, seed), b = ART_Hash(x1, y0, seed);
    float c = ART_Hash(x0, y1, seed), d = ART_Hash(x1, y1, seed);
    float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return (top + (bottom - top) * ty) * 2.0f - 1.0f;
}

float ART_Fbm(float x, float y, int periodX, int periodY, int octaves, int seed)
{
    float sum = 0.0f, amp = 0.5f;
    for (int o = 0; o < octaves; o++) {
        sum += amp * ART_Noise(x, y, periodX, periodY, seed + o * 101);
        x *= 2.0f;
        y *= 2.0f;
        periodX *= 2;
        periodY *= 2;
        amp *= 0.5f;
    }
    return sum * 1.9f;
}

// --- text ---

std::string ART_FontPath(const char* file) { return std::string("/usr/share/fonts/truetype/dejavu/") + file; }

static FT_Face ART_Face(const char* fontFile)
{
    static FT_Library library = nullptr;
    static std::map<std::string, FT_Face> faces;
    if (!library && FT_Init_FreeType(&library) != 0)
        ASSET_Fail("cannot initialise FreeType");
    auto found = faces.find(fontFile);
    if (found != faces.end())
        return found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontFile, 0, &face) != 0)
        ASSET_Fail("cannot open the font %s (Debian package fonts-dejavu-core)", fontFile);
    faces[fontFile] = face;
    return face;
}

int ART_DrawText(const char* fontFile, int pixelSize, const char* text, float* mask, int w, int h, int x, int y,
                 int tracking)
{
    FT_Face face = ART_Face(fontFile);
    if (FT_Set_Pixel_Sizes(face, 0, (FT_UInt)pixelSize) != 0)
        ASSET_Fail("%s: cannot set the size %d", fontFile, pixelSize);
    int pen = x;
    FT_UInt previous = 0;
    for (const char* p = text; *p; p++) {
        FT_UInt glyph = FT_Get_Char_Index(face, (unsigned char)*p);
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0)
                pen += (int)((kern.x + 32) >> 6);
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) != 0)
            ASSET_Fail("%s: cannot render the character '%c'", fontFile, *p);
        const FT_Bitmap& bm = face->glyph->bitmap;
        if (mask) {
            int left = pen + face->glyph->bitmap_left, top = y - face->glyph->bitmap_top;
            for (unsigned row = 0; row < bm.rows; row++)
                for (unsigned col = 0; col < bm.width; col++) {
                    int px = left + (int)col, py = top + (int)row;
                    if (px < 0 || py < 0 || px >= w || py >= h)
                        continue;
                    float v = bm.buffer[row * bm.pitch + col] / 255.0f;
                    float& m = mask[(size_t)py * w + px];
                    m = std::max(m, v);
                }
        }
        pen += (int)((face->glyph->advance.x + 32) >> 6) + tracking;
        previous = glyph;
    }
    return pen - x;
}

// --- palettes ---

int ART_Brightened(int value6)
{
    return (int)(std::sin(value6 * 2.0 * M_PI / 256.0) * 63.0 + 0.5);
}

// The stored 6-bit value whose brightened value is nearest to want (0..63).
static int ART_Unbrighten(float want)
{
    int best = 0;
    float bestError = 1e9f;
    for (int p = 0; p < 64; p++) {
        float e = std::fabs((float)ART_Brightened(p) - want);
        if (e < bestError) {
            bestError = e;
            best = p;
        }
    }
    return best;
}

Rgb ART_SetEntry(uint8_t* palette, int index, Rgb display, bool brighten)
{
    float want[3] = {display.r, display.g, display.b};
    float shown[3];
    for (int c = 0; c < 3; c++) {
        float v6 = std::min(63.0f, std::max(0.0f, want[c] * 63.0f / 255.0f));
        int stored = brighten ? ART_Unbrighten(v6) : (int)std::lround(v6);
        shown[c] = (float)(brighten ? ART_Brightened(stored) : stored) * 255.0f / 63.0f;
        // Widened so that 63 reads as 255; the loader's shift by 2 gives back the 6-bit value.
        palette[index * 3 + c] = (uint8_t)(stored * 4 + stored / 16);
    }
    return Rgb{shown[0], shown[1], shown[2]};
}

namespace {
struct Swatch {
    float c[3];   // 6-bit units
    float weight;
};
}

static float ART_Distance(const float* a, const float* b)
{
    float dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return 3.0f * dr * dr + 4.0f * dg * dg + 2.0f * db * db;
}

// Median cut over the distinct 6-bit colours, then a few rounds of k-means.
static std::vector<std::array<float, 3>> ART_ChooseColours(const ArtImage& art, int colors)
{
    std::vector<float> counts(64 * 64 * 64, 0.0f);
    for (const Rgb& p : art.px) {
        int r = (int)std::lround(std::min(63.0f, std::max(0.0f, p.r * 63.0f / 255.0f)));
        int g = (int)std::lround(std::min(63.0f, std::max(0.0f, p.g * 63.0f / 255.0f)));
        int b = (int)std::lround(std::min(63.0f, std::max(0.0f, p.b * 63.0f / 255.0f)));
        counts[(r << 12) | (g << 6) | b] += 1.0f;
    }
    std::vector<Swatch> sw;
    for (int i = 0; i < 64 * 64 * 64; i++)
        if (counts[i] > 0.0f)
            sw.push_back(Swatch{{(float)(i >> 12), (float)((i >> 6) & 63), (float)(i & 63)}, counts[i]});

    struct Box {
        size_t begin, end;
    };
    std::vector<Box> boxes{{0, sw.size()}};
    auto boxError = [&](const Box& b, int* axis) {
        double best = -1.0;
        for (int a = 0; a < 3; a++) {
            double w = 0, s = 0, s2 = 0;
            for (size_t i = b.begin; i < b.end; i++) {
                w += sw[i].weight;
                s += sw[i].weight * sw[i].c[a];
                s2 += sw[i].weight * sw[i].c[a] * sw[i].c[a];
            }
            double var = s2 - s * s / w;
            if (var > best) {
                best = var;
                *axis = a;
            }
        }
        return b.end - b.begin > 1 ? best : -1.0;
    };
    while ((int)boxes.size() < colors) {
        int pick = -1, axis = 0;
        double worst = 0.0;
        for (size_t i = 0; i < boxes.size(); i++) {
            int a = 0;
            double e = boxError(boxes[i], &a);
            if (e > worst) {
                worst = e;
                pick = (int)i;
                axis = a;
            }
        }
        if (pick < 0)
            break;
        Box b = boxes[pick];
        std::sort(sw.begin() + b.begin, sw.begin() + b.end, [axis](const Swatch& x, const Swatch& y) {
            if (x.c[axis] != y.c[axis])
                return x.c[axis] < y.c[axis];
            for (int k = 0; k < 3; k++)
                if (x.c[k] != y.c[k])
                    return x.c[k] < y.c[k];
            return false;
        });
        double total = 0, run = 0;
        for (size_t i = b.begin; i < b.end; i++)
            total += sw[i].weight;
        size_t cut = b.begin + 1;
        for (size_t i = b.begin; i < b.end - 1; i++) {
            run += sw[i].weight;
            cut = i + 1;
            if (run >= total / 2)
                break;
        }
        boxes[pick] = Box{b.begin, cut};
        boxes.push_back(Box{cut, b.end});
    }

    std::vector<std::array<float, 3>> centres;
    for (const Box& b : boxes) {
        double w = 0, s[3] = {0, 0, 0};
        for (size_t i = b.begin; i < b.end; i++) {
            w += sw[i].weight;
            for (int a = 0; a < 3; a++)
                s[a] += sw[i].weight * sw[i].c[a];
        }
        centres.push_back({(float)(s[0] / w), (float)(s[1] / w), (float)(s[2] / w)});
    }
    for (int round = 0; round < 6; round++) {
        std::vector<double> acc(centres.size() * 4, 0.0);
        for (const Swatch& s : sw) {
            size_t best = 0;
            float bestD = 1e30f;
            for (size_t k = 0; k < centres.size(); k++) {
                float d = ART_Distance(s.c, centres[k].data());
                if (d < bestD) {
                    bestD = d;
                    best = k;
                }
            }
            for (int a = 0; a < 3; a++)
                acc[best * 4 + a] += s.weight * s.c[a];
            acc[best * 4 + 3] += s.weight;
        }
        for (size_t k = 0; k < centres.size(); k++)
            if (acc[k * 4 + 3] > 0)
                for (int a = 0; a < 3; a++)
                    centres[k][a] = (float)(acc[k * 4 + a] / acc[k * 4 + 3]);
    }
    return centres;
}

void ART_Reduce(const ArtImage& art, int colors, bool brighten, float dither, IndexedImage* out)
{
    out->width = art.width;
    out->height = art.height;
    out->px.assign((size_t)art.width * art.height, 0);
    std::fill(out->palette, out->palette + 768, 0);
    std::vector<std::array<float, 3>> centres = ART_ChooseColours(art, colors);
    std::vector<std::array<float, 3>> shown;
    for (size_t k = 0; k < centres.size(); k++) {
        Rgb s = ART_SetEntry(out->palette, (int)k,
                             Rgb{centres[k][0] * 255.0f / 63.0f, centres[k][1] * 255.0f / 63.0f,
                                 centres[k][2] * 255.0f / 63.0f},
                             brighten);
        shown.push_back({s.r * 63.0f / 255.0f, s.g * 63.0f / 255.0f, s.b * 63.0f / 255.0f});
    }

    // Nearest entry of each 6-bit colour, found when first asked for.
    std::vector<int16_t> nearest(64 * 64 * 64, -1);
    auto lookup = [&](const float* c) {
        int r = (int)std::lround(c[0]), g = (int)std::lround(c[1]), b = (int)std::lround(c[2]);
        int key = (r << 12) | (g << 6) | b;
        if (nearest[key] < 0) {
            float q[3] = {(float)r, (float)g, (float)b};
            int best = 0;
            float bestD = 1e30f;
            for (size_t k = 0; k < shown.size(); k++) {
                float d = ART_Distance(q, shown[k].data());
                if (d < bestD) {
                    bestD = d;
                    best = (int)k;
                }
            }
            nearest[key] = (int16_t)best;
        }
        return (int)nearest[key];
    };

    // Floyd-Steinberg on serpentine rows, in 6-bit units.
    int w = art.width;
    std::vector<float> err((size_t)(w + 2) * 3 * 2, 0.0f);
    for (int y = 0; y < art.height; y++) {
        float* cur = &err[(size_t)(y & 1) * (w + 2) * 3];
        float* next = &err[(size_t)((y + 1) & 1) * (w + 2) * 3];
        std::fill(next, next + (w + 2) * 3, 0.0f);
        bool rightward = (y & 1) == 0;
        for (int i = 0; i < w; i++) {
            int x = rightward ? i : w - 1 - i;
            int dir = rightward ? 1 : -1;
            const Rgb& p = art.px[(size_t)y * w + x];
            float want[3] = {p.r * 63.0f / 255.0f, p.g * 63.0f / 255.0f, p.b * 63.0f / 255.0f};
            for (int a = 0; a < 3; a++)
                want[a] = std::min(63.0f, std::max(0.0f, want[a] + cur[(x + 1) * 3 + a]));
            int k = lookup(want);
            out->px[(size_t)y * w + x] = (uint8_t)k;
            for (int a = 0; a < 3; a++) {
                float e = (want[a] - shown[k][a]) * dither;
                cur[(x + 1 + dir) * 3 + a] += e * 7.0f / 16.0f;
                next[(x + 1 - dir) * 3 + a] += e * 3.0f / 16.0f;
                next[(x + 1) * 3 + a] += e * 5.0f / 16.0f;
                next[(x + 1 + dir) * 3 + a] += e * 1.0f / 16.0f;
            }
        }
    }
}
