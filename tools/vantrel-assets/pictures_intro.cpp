// The intro's files: the tiling weave and its colour-mixing table, the logo emblem and the
// title picture. All three pictures are shown through the sine brightening of the palette.
#include "assets.h"

#include <algorithm>
#include <cmath>

// --- WEAVE.GIF and weave.mix ---
// The weave picture uses one 256-entry ramp from dark to light, so that index order is
// brightness order and a blend of two entries has an entry near it: the mix table then
// moves the feedback smoothly towards the picture instead of scattering colours.

static const GradientStop WEAVE_RAMP[] = {
    {0.00f, {2, 2, 12}},       {0.14f, {20, 16, 64}},    {0.34f, {24, 84, 122}}, {0.54f, {64, 156, 150}},
    {0.74f, {206, 162, 72}},   {0.90f, {248, 218, 146}}, {1.00f, {255, 252, 236}},
};

// The weave: horizontal and vertical strands 20 pixels apart that pass alternately over
// and under each other; the pattern repeats every 40 pixels, which divides 320 and 200.
struct WeaveSurface {
    float height;   // -1e9 where no strand covers the point
    float value;    // ramp position of the lit strand at this point
};

static WeaveSurface WEAVE_Surface(float x, float y)
{
    const float half = 8.0f, lx = -0.45f, ly = -0.62f, lz = 0.64f;
    WeaveSurface best{-1e9f, 0.03f};
    for (int dir = 0; dir < 2; dir++) {
        float across = dir == 0 ? y : x, along = dir == 0 ? x : y;
        int k = (int)std::floor(across / 20.0f);
        float d = across - (20.0f * k + 10.0f);
        if (std::fabs(d) >= half + 0.5f)
            continue;
        float phase = (float)M_PI * ((along - 10.0f) / 20.0f + (float)k);
        float z = (dir == 0 ? 0.5f : -0.5f) * std::cos(phase);
        float slope = (dir == 0 ? -0.5f : 0.5f) * std::sin(phase) * (float)M_PI / 20.0f;
        float u = std::min(1.0f, std::fabs(d) / half);
        float profile = std::sqrt(std::max(0.0f, 1.0f - u * u));
        float h = z + 0.55f * profile;
        if (h <= best.height)
            continue;
        // Normal of a tube across the strand, tilted by its rise and fall along it.
        float na = -slope * 9.0f, nc = d / half, nz = profile + 0.15f;
        float nx = dir == 0 ? na : nc, ny = dir == 0 ? nc : na;
        float len = std::sqrt(nx * nx + ny * ny + nz * nz);
        float lit = std::max(0.0f, (nx * lx + ny * ly + nz * lz) / len);
        float shine = std::pow(lit, 14.0f);
        float yarn = 0.5f + 0.5f * std::sin((along + d * 0.8f) * 2.0f * (float)M_PI / 4.0f);
        float depth = 0.45f + 0.55f * ART_Smooth(-0.6f, 0.7f, h);
        float shade = (0.7f * lit * (0.82f + 0.18f * yarn) + 0.3f * shine) * depth;
        float edge = ART_Clamp01(half + 0.5f - std::fabs(d));
        float v = dir == 0 ? 0.22f + 0.78f * shade : 0.10f + 0.55f * shade;
        best = WeaveSurface{h, 0.03f + (v - 0.03f) * edge};
    }
    return best;
}

static void INTRO_Weave(std::vector<AssetFile>* files)
{
    IndexedImage img;
    img.width = 320;
    img.height = 200;
    img.px.resize(64000);
    Rgb shown[256];
    for (int i = 0; i < 256; i++)
        shown[i] = ART_SetEntry(img.palette, i, ART_Gradient(WEAVE_RAMP, 7, i / 255.0f), true);

    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++) {
            float sum = 0.0f;
            for (int s = 0; s < 4; s++) {
                float fx = x + 0.25f + 0.5f * (s & 1), fy = y + 0.25f + 0.5f * (s >> 1);
                WeaveSurface w = WEAVE_Surface(fx, fy);
                // A strand lying higher up and to the left casts a shadow onto this point.
                WeaveSurface over = WEAVE_Surface(fx - 2.5f, fy - 2.5f);
                float v = w.value;
                if (over.height > w.height + 0.25f)
                    v *= 0.55f;
                sum += v;
            }
            img.px[(size_t)y * 320 + x] = (uint8_t)std::lround(ART_Clamp01(sum / 4.0f) * 255.0f);
        }
    files->push_back(AssetFile{"GFX/WEAVE.GIF", ART_EncodeGIF(img)});

    // mix[a][b]: the entry nearest to the even blend of screen colour a and texture colour
    // b, as shown. Between equally near entries the one nearer b in index wins, so the
    // screen follows the texture (and so the picture) rather than sticking.
    std::vector<uint8_t> mix(65536);
    for (int a = 0; a < 256; a++)
        for (int b = 0; b < 256; b++) {
            float t[3] = {(shown[a].r + shown[b].r) * 0.5f, (shown[a].g + shown[b].g) * 0.5f,
                          (shown[a].b + shown[b].b) * 0.5f};
            int best = a;
            float bestD = 1e30f, bestTie = 1e30f;
            for (int k = 0; k < 256; k++) {
                float dr = shown[k].r - t[0], dg = shown[k].g - t[1], db = shown[k].b - t[2];
                float d = 3.0f * dr * dr + 4.0f * dg * dg + 2.0f * db * db;
                float tie = std::fabs(k - (a + b) * 0.5f) * 2.0f + (std::abs(k - b) < std::abs(k - a) ? 0.0f : 0.5f);
                if (d < bestD - 1e-3f || (d < bestD + 1e-3f && tie < bestTie)) {
                    bestD = d;
                    bestTie = tie;
                    best = k;
                }
            }
            mix[(size_t)a * 256 + b] = (uint8_t)best;
        }
    files->push_back(AssetFile{"GFX/weave.mix", mix});
}

// --- TALVIK1.GIF: an emblem of metal rings around a gilded compass star ---

static Rgb LOGO_Metal(Rgb base, float nx, float ny, float nz)
{
    const float lx = -0.42f, ly = -0.6f, lz = 0.68f;
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    nx /= len;
    ny /= len;
    nz /= len;
    float lit = std::max(0.0f, nx * lx + ny * ly + nz * lz);
    // Reflection of a horizon: polished metal shows a bright sky above a dark ground.
    float horizon = 0.5f + 0.5f * std::tanh(-ny * 6.0f + 0.5f);
    float shine = std::pow(lit, 24.0f);
    Rgb c = ART_Scale(base, 0.18f + 0.62f * lit + 0.35f * horizon);
    return ART_Add(c, Rgb{255 * shine * 0.8f, 255 * shine * 0.8f, 255 * shine * 0.8f});
}

static Rgb LOGO_Sample(float x, float y)
{
    float dx = x - 160.0f, dy = y - 100.0f;
    float r = std::sqrt(dx * dx + dy * dy);
    float phi = std::atan2(dy, dx);
    // Background: a deep blue glow with faint rays.
    float rays = 0.5f + 0.5f * std::cos(phi * 24.0f);
    float glow = std::exp(-r / 90.0f);
    Rgb c = ART_Add(Rgb{3, 3, 10}, ART_Scale(Rgb{30, 42, 96}, glow * (0.75f + 0.25f * rays)));
    if (r < 82.0f && r > 76.0f) {   // faint halo ring
        float t = 1.0f - std::fabs(r - 79.0f) / 3.0f;
        c = ART_Add(c, ART_Scale(Rgb{60, 90, 160}, t * 0.5f));
    }
    const Rgb silver{190, 205, 225}, gold{235, 180, 80};
    if (r >= 60.0f && r < 74.0f) {   // outer silver ring, a rounded bevel
        float u = (r - 67.0f) / 7.0f;
        float nz = std::sqrt(std::max(0.02f, 1.0f - u * u));
        return LOGO_Metal(silver, u * dx / r, u * dy / r, nz);
    }
    if (r >= 54.0f && r < 60.0f) {   // dark groove
        return Rgb{8, 10, 24};
    }
    if (r >= 50.0f && r < 54.0f) {   // thin gold ring
        float u = (r - 52.0f) / 2.0f;
        return LOGO_Metal(gold, u * dx / r, u * dy / r, std::sqrt(std::max(0.02f, 1.0f - u * u)));
    }
    if (r >= 50.0f)
        return c;
    // Enamel disc, lighter towards the top.
    Rgb enamel = ART_Lerp(Rgb{30, 60, 140}, Rgb{8, 14, 50}, ART_Clamp01((dy + 50.0f) / 100.0f));
    enamel = ART_Add(enamel, ART_Scale(Rgb{40, 60, 120}, 0.15f * (0.5f + 0.5f * std::cos(phi * 16.0f))));
    // Compass star: eight spikes, the four main ones longer; each spike has a lit and a
    // shaded facet.
    float sector = phi / ((float)M_PI / 4.0f);
    int spike = (int)std::lround(sector);
    float off = sector - spike;   // -0.5..0.5 across the spike
    float len = (spike & 1) ? 34.0f : 47.0f;
    float radius = len * (1.0f - std::fabs(off) * 2.0f) + 9.0f * std::fabs(off) * 2.0f;
    if (r < radius + 0.0f) {
        float spikeAngle = spike * (float)M_PI / 4.0f;
        float side = off < 0.0f ? -1.0f : 1.0f;
        // Facet normal: tilted sideways from the spike's axis, and out of the plane.
        float ax = std::cos(spikeAngle), ay = std::sin(spikeAngle);
        float nx = -ay * side * 0.8f + ax * 0.25f, ny = ax * side * 0.8f + ay * 0.25f;
        Rgb star = LOGO_Metal((spike & 1) ? silver : gold, nx, ny, 0.75f);
        if (r < 9.0f) {   // the ruby at the centre
            float u = r / 9.0f;
            Rgb ruby = LOGO_Metal(Rgb{220, 30, 50}, dx / 9.0f, dy / 9.0f, std::sqrt(std::max(0.02f, 1.0f - u * u)));
            return ruby;
        }
        return star;
    }
    return enamel;
}

static void INTRO_Logo(std::vector<AssetFile>* files)
{
    ArtImage art;
    art.Init(320, 200);
    ART_Render(&art, 3, LOGO_Sample);
    ART_AddGIF(files, "GFX/TALVIK1.GIF", art, 256, true, 0.5f);
}

// --- VANTREL3.GIF: the title over a sunset and a glowing grid ---

static Rgb TITLE_Background(float x, float y)
{
    const float horizon = 128.0f;
    if (y < horizon) {
        static const GradientStop sky[] = {
            {0.0f, {6, 4, 26}}, {0.45f, {40, 14, 78}}, {0.8f, {150, 40, 110}}, {1.0f, {250, 120, 90}},
        };
        Rgb c = ART_Gradient(sky, 4, y / horizon);
        int sx = (int)x, sy = (int)y;
        float star = ART_Hash(sx, sy, 11);
        if (star > 0.994f && y < 90.0f)
            c = ART_Add(c, ART_Scale(Rgb{220, 220, 255}, (star - 0.994f) / 0.006f * (1.0f - y / 90.0f)));
        // The sun, cut by horizontal slits that widen towards the horizon.
        float dx = x - 160.0f, dy = y - 112.0f;
        float r = std::sqrt(dx * dx + dy * dy);
        if (r < 52.0f) {
            float t = ART_Clamp01((y - 60.0f) / 52.0f);
            Rgb sun = ART_Lerp(Rgb{255, 236, 120}, Rgb{255, 60, 140}, t);
            bool slit = y > 86.0f && std::fmod(y - 86.0f, 8.0f) < (y - 80.0f) / 10.0f;
            float edge = ART_Clamp01(52.0f - r);
            if (!slit)
                c = ART_Lerp(c, sun, edge);
        } else {
            c = ART_Add(c, ART_Scale(Rgb{255, 90, 120}, 0.35f * std::exp(-(r - 52.0f) / 18.0f)));
        }
        // Far mountains along the horizon.
        float ridge = horizon - 6.0f - 9.0f * (0.5f + 0.5f * ART_Fbm(x / 40.0f, 0.5f, 8, 8, 4, 5));
        if (y > ridge)
            c = ART_Lerp(Rgb{24, 6, 44}, Rgb{60, 16, 70}, ART_Clamp01((y - ridge) / 10.0f));
        return c;
    }
    // The ground: a perspective grid of glowing lines.
    float depth = 900.0f / (y - horizon + 0.5f);
    float wx = (x - 160.0f) * depth / 160.0f;
    float footprint = depth / (y - horizon + 0.5f) * 1.2f;
    float gx = std::fabs(wx / 10.0f - std::round(wx / 10.0f)) * 10.0f;
    float gz = std::fabs(depth / 10.0f - std::round(depth / 10.0f)) * 10.0f;
    float lineX = 1.0f - ART_Smooth(0.0f, std::max(0.6f, depth * 0.012f + 0.4f), gx);
    float lineZ = 1.0f - ART_Smooth(0.0f, std::max(0.6f, footprint), gz);
    float fog = std::exp(-depth / 160.0f);
    float line = std::max(lineX, lineZ) * fog;
    Rgb c = ART_Lerp(Rgb{70, 16, 70}, Rgb{12, 4, 26}, ART_Clamp01((y - horizon) / 40.0f));
    return ART_Add(c, ART_Scale(Rgb{255, 70, 200}, line));
}

static void INTRO_Title(std::vector<AssetFile>* files)
{
    const int W = 320, H = 200;
    ArtImage art;
    art.Init(W, H);
    ART_Render(&art, 3, TITLE_Background);

    std::string bold = ART_FontPath("DejaVuSans-Bold.ttf");
    const char* word = "VANTREL";
    const int size = 58, tracking = 1;
    int width = ART_DrawText(bold.c_str(), size, word, nullptr, 0, 0, 0, 0, tracking);
    int x0 = (W - width) / 2, baseline = 92;
    std::vector<float> mask((size_t)W * H, 0.0f);
    ART_DrawText(bold.c_str(), size, word, mask.data(), W, H, x0, baseline, tracking);
    auto at = [&](int x, int y) { return (x < 0 || y < 0 || x >= W || y >= H) ? 0.0f : mask[(size_t)y * W + x]; };

    // Letters of chrome: cool sky above the horizon line, warm ground below it.
    static const GradientStop chrome[] = {
        {0.00f, {240, 248, 255}}, {0.42f, {120, 170, 235}}, {0.52f, {30, 24, 70}},
        {0.56f, {255, 214, 110}}, {0.80f, {255, 120, 80}},  {1.00f, {255, 200, 230}},
    };
    const float top = baseline - size * 0.73f, bottom = (float)baseline;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            // Outline (the mask grown by two pixels) and a soft shadow below right.
            float outline = 0.0f, shadow = 0.0f;
            for (int oy = -2; oy <= 2; oy++)
                for (int ox = -2; ox <= 2; ox++)
                    if (ox * ox + oy * oy <= 5)
                        outline = std::max(outline, at(x + ox, y + oy));
            for (int oy = 1; oy <= 4; oy++)
                shadow = std::max(shadow, at(x - oy, y - oy) * (1.0f - oy * 0.15f));
            Rgb& c = art.At(x, y);
            c = ART_Scale(c, 1.0f - 0.7f * shadow);
            c = ART_Lerp(c, Rgb{16, 6, 36}, outline);
            float m = at(x, y);
            if (m > 0.0f) {
                Rgb fill = ART_Gradient(chrome, 6, ART_Clamp01((y + 0.5f - top) / (bottom - top)));
                c = ART_Lerp(c, fill, m);
            }
        }
    ART_AddGIF(files, "GFX/VANTREL3.GIF", art, 256, true, 0.5f);
}

void ASSET_IntroPictures(std::vector<AssetFile>* files)
{
    INTRO_Weave(files);
    INTRO_Logo(files);
    INTRO_Title(files);
}
