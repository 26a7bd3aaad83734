// The two still artworks that fade in from black: a ringed planet over a sunset lake
// (640 x 480) and an aurora over a snow peak (360 x 480, shown centred).
#include "assets.h"

#include <algorithm>
#include <cmath>

static float STILL_Ridge(float x, int seed)
{
    // Ridged noise: sharp crests where the noise crosses zero.
    float sum = 0.0f, amp = 0.55f, f = 1.0f;
    for (int o = 0; o < 5; o++) {
        sum += amp * (1.0f - std::fabs(ART_Noise(x * f, 0.5f + o * 3.0f, 1 << 20, 64, seed + o)));
        amp *= 0.5f;
        f *= 2.0f;
    }
    return sum;
}

// Profiles that depend on x alone, sampled every quarter pixel once per picture rather
// than once per sample.
namespace {
struct Profile {
    std::vector<float> v;
    template <class F>
    void Build(F f)
    {
        v.resize((size_t)(PROFILE_SPAN * 4) + 2);
        for (size_t i = 0; i < v.size(); i++)
            v[i] = f(i / 4.0f + PROFILE_START);
    }
    float operator()(float x) const
    {
        float p = std::min(std::max((x - PROFILE_START) * 4.0f, 0.0f), (float)(v.size() - 2));
        size_t i = (size_t)p;
        return v[i] + (v[i + 1] - v[i]) * (p - (float)i);
    }
    static constexpr float PROFILE_START = -128.0f, PROFILE_SPAN = 896.0f;
};
}

static Rgb STILL_Stars(Rgb c, float x, float y, float fade, int seed)
{
    float s = ART_Hash((int)x, (int)y, seed);
    if (s > 0.9975f) {
        float twinkle = (s - 0.9975f) / 0.0025f;
        c = ART_Add(c, ART_Scale(Rgb{230, 230, 255}, twinkle * fade));
    }
    return c;
}

// --- FREESTYL.GIF ---

static const float LAKE = 384.0f;   // the water line
static Profile FREE_Ridges[3];

struct FreeRange {
    float base, height, scale;
    int seed;
    Rgb colour;
    float haze;
};
static const FreeRange FREE_RANGES[3] = {
    {316.0f, 80.0f, 130.0f, 53, {90, 40, 96}, 0.55f},
    {350.0f, 66.0f, 90.0f, 54, {50, 20, 62}, 0.3f},
    {378.0f, 26.0f, 60.0f, 55, {18, 8, 28}, 0.08f},
};

static Rgb FREE_Scene(float x, float y)
{
    static const GradientStop sky[] = {
        {0.0f, {8, 6, 36}}, {0.42f, {64, 22, 98}}, {0.72f, {220, 84, 104}}, {1.0f, {255, 196, 120}},
    };
    Rgb c = ART_Gradient(sky, 4, y / LAKE);
    c = STILL_Stars(c, x, y, ART_Clamp01(1.0f - y / 220.0f), 51);
    // The sun, low over the far range, and its glow.
    const float sunX = 200.0f, sunY = 238.0f;
    float ds = std::sqrt((x - sunX) * (x - sunX) + (y - sunY) * (y - sunY));
    c = ART_Add(c, ART_Scale(Rgb{255, 150, 90}, 0.55f * std::exp(-ds / 70.0f)));
    c = ART_Lerp(c, Rgb{255, 246, 214}, ART_Clamp01(20.0f - ds));

    // The ringed planet, lit from the sun's side.
    const float px = 468.0f, py = 132.0f, pr = 92.0f;
    float dx = x - px, dy = y - py;
    float ca = std::cos(-0.26f), sa = std::sin(-0.26f);
    float u = dx * ca - dy * sa, v = dx * sa + dy * ca;   // ring plane coordinates
    float rho = std::sqrt(u * u + (v * 4.6f) * (v * 4.6f));
    auto ring = [&](Rgb under) {
        if (rho < 118.0f || rho > 186.0f)
            return under;
        float t = (rho - 118.0f) / 68.0f;
        float density = 0.55f + 0.45f * std::sin(t * 38.0f) * std::sin(t * 11.0f + 1.0f);
        if (t > 0.58f && t < 0.64f)
            density = 0.05f;   // a gap in the ring
        Rgb rc = ART_Lerp(Rgb{236, 206, 170}, Rgb{170, 120, 100}, t);
        float edge = ART_Clamp01(rho - 118.0f) * ART_Clamp01(186.0f - rho);
        return ART_Lerp(under, rc, density * 0.85f * edge);
    };
    float pd = std::sqrt(dx * dx + dy * dy);
    if (v < 0.0f)
        c = ring(c);   // the far half of the ring, behind the planet
    if (pd < pr + 1.0f) {
        float nx = dx / pr, ny = dy / pr;
        float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
        float lit = std::max(0.0f, nx * -0.78f + ny * 0.42f + nz * 0.46f);
        float lat = v / pr;
        float swirl = ART_Fbm(u / 30.0f, v / 8.0f, 1 << 16, 1 << 16, 4, 52);
        float band = 0.5f + 0.5f * std::sin(lat * 22.0f + swirl * 1.6f);
        Rgb surface = ART_Lerp(Rgb{200, 120, 70}, Rgb{246, 222, 180}, band);
        surface = ART_Lerp(surface, Rgb{150, 70, 60}, ART_Clamp01(swirl * 0.8f - 0.3f));
        Rgb shaded = ART_Add(ART_Scale(surface, 0.06f + 0.94f * lit), ART_Scale(Rgb{80, 40, 120}, 0.25f * (1.0f - nz)));
        c = ART_Lerp(c, shaded, ART_Clamp01(pr + 0.5f - pd));
    }
    if (v >= 0.0f)
        c = ring(c);   // the near half, in front

    // Three mountain ranges, paler with distance.
    for (int k = 0; k < 3; k++) {
        const FreeRange& r = FREE_RANGES[k];
        float top = r.base - r.height * FREE_Ridges[k](x);
        if (y > top - 1.0f) {
            float depth = ART_Clamp01((y - top) / 60.0f);
            float grain = ART_Fbm(x / 18.0f, y / 10.0f, 1 << 16, 1 << 16, 4, r.seed + 10);
            Rgb rock = ART_Scale(ART_Lerp(r.colour, ART_Scale(r.colour, 0.6f), depth), 0.85f + 0.25f * grain);
            // The crests catch the low sun.
            rock = ART_Add(rock, ART_Scale(Rgb{255, 120, 90}, std::exp(-(y - top) / 5.0f) * (0.25f + r.haze)));
            rock = ART_Lerp(rock, Rgb{230, 110, 110}, r.haze * (1.0f - depth) * 0.5f);
            c = ART_Lerp(c, rock, ART_Clamp01(y - top + 1.0f));
        }
    }
    return c;
}

static Rgb FREE_Sample(float x, float y)
{
    if (y < LAKE)
        return FREE_Scene(x, y);
    // The lake mirrors the scene, broken by ripples that grow towards the viewer.
    float d = y - LAKE;
    float wave = std::sin(d * d * 0.02f + x * 0.05f) * 0.5f + ART_Noise(x / 24.0f, d * d / 40.0f, 1 << 16, 1 << 16, 56);
    float mx = x + wave * (1.0f + d * 0.12f);
    float my = LAKE - d - 1.0f + wave * d * 0.04f;
    Rgb c = FREE_Scene(mx, std::max(0.0f, my));
    float fresnel = 0.6f + 0.3f * std::exp(-d / 30.0f);
    return ART_Add(ART_Scale(c, fresnel), ART_Scale(Rgb{10, 6, 30}, 1.0f - fresnel));
}

// --- KOLDE640.GIF ---

static Profile KOLDE_Edges[2], KOLDE_Ridge, KOLDE_Ground;

static Rgb KOLDE_Sample(float x, float y)
{
    static const GradientStop sky[] = {
        {0.0f, {2, 4, 16}}, {0.55f, {8, 22, 56}}, {1.0f, {30, 62, 104}},
    };
    Rgb c = ART_Gradient(sky, 3, y / 330.0f);
    c = STILL_Stars(c, x, y, ART_Clamp01(1.0f - y / 300.0f), 61);

    // Aurora: curtains hanging from a wavy lower edge, streaked into vertical rays.
    for (int k = 0; k < 2; k++) {
        float edge = KOLDE_Edges[k](x);
        float above = edge - y;
        float profile = above > 0.0f ? std::exp(-above / (k ? 50.0f : 80.0f)) : std::exp(-above * above / 30.0f);
        float rays = 0.45f + 0.55f * ART_Clamp01(0.5f + ART_Fbm(x / 4.0f, y / 160.0f, 1 << 16, 1 << 16, 3, 64 + k));
        float strength = profile * rays * (k ? 0.7f : 1.0f);
        Rgb colour = ART_Lerp(Rgb{70, 255, 150}, Rgb{150, 60, 220}, ART_Clamp01(above / 140.0f));
        c = ART_Add(c, ART_Scale(colour, strength * 0.8f));
    }

    // The peak: a snow-covered silhouette, lit from the left by the aurora.
    float ridge = KOLDE_Ridge(x);
    if (y > ridge - 1.0f) {
        float n = ART_Fbm(x / 30.0f, y / 30.0f, 1 << 16, 1 << 16, 5, 66);
        // A crest line runs down from the summit: left of it the slope faces the light.
        float crest = 200.0f + 0.55f * (y - 128.0f) + 16.0f * n;
        float side = ART_Smooth(-12.0f, 12.0f, x - crest);
        float lit = ART_Clamp01(0.95f - 0.6f * side + 0.12f * n - (y - ridge) / 900.0f);
        Rgb snow = ART_Lerp(Rgb{26, 44, 90}, Rgb{214, 238, 255}, lit);
        float rock = ART_Smooth(0.35f, 0.55f, ART_Fbm(x / 7.0f, y / 30.0f, 1 << 16, 1 << 16, 4, 69) + 0.3f * n);
        snow = ART_Lerp(snow, ART_Scale(Rgb{40, 46, 70}, 0.5f + lit * 0.5f), rock * 0.7f);
        snow = ART_Add(snow, ART_Scale(Rgb{40, 160, 100}, 0.1f * lit));
        c = ART_Lerp(c, snow, ART_Clamp01(y - ridge + 1.0f));
    }

    // Snowfield and fir trees in the foreground.
    float ground = KOLDE_Ground(x);
    if (y > ground - 1.0f) {
        float t = ART_Clamp01((y - ground) / 60.0f);
        Rgb snow = ART_Lerp(Rgb{120, 150, 200}, Rgb{60, 80, 130}, t);
        if (ART_Hash((int)x, (int)y, 68) > 0.996f)
            snow = Rgb{230, 250, 255};   // glints of ice
        c = ART_Lerp(c, snow, ART_Clamp01(y - ground + 1.0f));
    }
    static const float trees[][3] = {
        {18, 446, 92}, {52, 432, 70}, {300, 440, 96}, {336, 452, 80}, {96, 448, 46}, {262, 428, 52},
    };
    for (const auto& tr : trees) {
        float tx = tr[0], foot = tr[1], height = tr[2];
        float h = foot - y;
        if (h < -4.0f || h > height)
            continue;
        float rel = h / height;
        // Tiers of branches: the half width shrinks towards the top and flares at each tier.
        float tier = std::fmod(rel * 5.0f, 1.0f);
        float half = (1.0f - rel) * height * 0.28f * (0.55f + 0.45f * (1.0f - tier)) + (h < 0.0f ? 2.0f : 0.0f);
        float cover = ART_Clamp01(half - std::fabs(x - tx) + 0.5f);
        if (cover > 0.0f) {
            Rgb tree = ART_Lerp(Rgb{6, 14, 24}, Rgb{150, 180, 220}, tier > 0.8f && x < tx ? 0.6f : 0.0f);
            c = ART_Lerp(c, tree, cover);
        }
    }
    return c;
}

void ASSET_StillPictures(std::vector<AssetFile>* files)
{
    ArtImage art;
    for (int k = 0; k < 3; k++)
        FREE_Ridges[k].Build([k](float x) { return STILL_Ridge(x / FREE_RANGES[k].scale, FREE_RANGES[k].seed); });
    art.Init(640, 480);
    ART_Render(&art, 2, FREE_Sample);
    ART_AddGIF(files, "GFX/FREESTYL.GIF", art, 256, false, 0.75f);

    for (int k = 0; k < 2; k++)
        KOLDE_Edges[k].Build([k](float x) {
            return (k ? 200.0f : 150.0f) + 36.0f * std::sin(x / (k ? 53.0f : 71.0f) + k * 2.0f) +
                   22.0f * ART_Fbm(x / 90.0f, k * 5.0f, 1 << 16, 64, 3, 62 + k);
        });
    KOLDE_Ridge.Build([](float x) {
        return 318.0f - 190.0f * std::exp(-((x - 196.0f) / 92.0f) * ((x - 196.0f) / 92.0f)) -
               26.0f * ART_Fbm(x / 40.0f, 2.0f, 1 << 16, 64, 4, 65);
    });
    KOLDE_Ground.Build([](float x) {
        return 420.0f + 10.0f * std::sin(x / 60.0f) + 6.0f * ART_Fbm(x / 30.0f, 9.0f, 1 << 16, 64, 3, 67);
    });
    art.Init(360, 480);
    ART_Render(&art, 2, KOLDE_Sample);
    ART_AddGIF(files, "GFX/KOLDE640.GIF", art, 256, false, 0.75f);
}
