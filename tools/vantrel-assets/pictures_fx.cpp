// Textures of the 2D and 3D effects: the water picture, the tunnel texture, the feedback
// picture, and the tower's texture and background.
#include "assets.h"

#include <algorithm>
#include <cmath>
#include <cstring>

static Rgb FX_Light(Rgb base, float nx, float ny, float nz, float specular)
{
    const float lx = -0.45f, ly = -0.55f, lz = 0.7f;
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    float lit = std::max(0.0f, (nx * lx + ny * ly + nz * lz) / len);
    float shine = std::pow(lit, 20.0f) * specular * 255.0f;
    Rgb c = ART_Scale(base, 0.25f + 0.85f * lit);
    return ART_Add(c, Rgb{shine, shine, shine});
}

// --- ripp2.gif: a mosaic of rounded pebbles in grout; tiles both ways ---

static const int PEBBLE_GRID = 11;   // pebbles per row and per column of the tile

struct PebbleHit {
    float edge;   // distance to the nearest border between pebbles, pixels
    int id;
};

static PebbleHit PEBBLE_Find(float x, float y)
{
    const float cell = 256.0f / PEBBLE_GRID;
    int cx = (int)std::floor(x / cell), cy = (int)std::floor(y / cell);
    float f1 = 1e9f, f2 = 1e9f;
    int id = 0;
    for (int j = -1; j <= 1; j++)
        for (int i = -1; i <= 1; i++) {
            int gx = cx + i, gy = cy + j;
            int wx = ((gx % PEBBLE_GRID) + PEBBLE_GRID) % PEBBLE_GRID, wy = ((gy % PEBBLE_GRID) + PEBBLE_GRID) % PEBBLE_GRID;
            float px = (gx + 0.15f + 0.7f * ART_Hash(wx, wy, 1)) * cell;
            float py = (gy + 0.15f + 0.7f * ART_Hash(wx, wy, 2)) * cell;
            float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < f1) {
                f2 = f1;
                f1 = d;
                id = wy * PEBBLE_GRID + wx;
            } else if (d < f2) {
                f2 = d;
            }
        }
    return PebbleHit{(f2 - f1) * 0.5f, id};
}

static float PEBBLE_Height(float x, float y)
{
    PebbleHit h = PEBBLE_Find(x, y);
    float e = h.edge - 1.2f;
    return e <= 0.0f ? 0.0f : std::sqrt(ART_Smooth(0.0f, 7.0f, e));
}

static Rgb PEBBLE_Sample(float x, float y)
{
    static const Rgb stones[] = {
        {196, 96, 62},  {214, 184, 134}, {84, 104, 136}, {96, 136, 84}, {232, 222, 200},
        {150, 62, 44},  {62, 142, 146},  {172, 150, 190}, {224, 170, 60},
    };
    PebbleHit hit = PEBBLE_Find(x, y);
    float grain = ART_Fbm(x / 8.0f, y / 8.0f, 32, 32, 3, 7);
    if (hit.edge < 1.2f)
        return ART_Scale(Rgb{40, 34, 30}, 0.8f + 0.2f * grain);
    float h = PEBBLE_Height(x, y);
    float hx = PEBBLE_Height(x + 0.7f, y) - PEBBLE_Height(x - 0.7f, y);
    float hy = PEBBLE_Height(x, y + 0.7f) - PEBBLE_Height(x, y - 0.7f);
    Rgb base = stones[(int)(ART_Hash(hit.id, 0, 3) * 9.0f)];
    float tint = 0.85f + 0.3f * ART_Hash(hit.id, 0, 4);
    base = ART_Scale(base, tint * (0.88f + 0.12f * grain));
    // Veins in some stones.
    if (ART_Hash(hit.id, 0, 5) > 0.6f) {
        float vein = std::fabs(std::sin((x * 0.7f + y * 0.3f) / 3.0f + grain * 4.0f));
        base = ART_Lerp(base, Rgb{245, 240, 225}, 0.35f * (1.0f - ART_Smooth(0.0f, 0.25f, vein)));
    }
    Rgb c = FX_Light(base, -hx * 2.2f, -hy * 2.2f, 1.0f, 0.5f);
    return ART_Scale(c, 0.55f + 0.45f * h);
}

static void FX_Ripple(std::vector<AssetFile>* files)
{
    ArtImage art;
    art.Init(256, 256);
    ART_Render(&art, 2, PEBBLE_Sample);
    ART_AddGIF(files, "GFX/ripp2.gif", art, 256, true, 0.4f);
}

// --- circler.gif: metal plates with glowing seams; columns run round the tunnel, rows
// into its depth, so the texture repeats seamlessly in both directions ---

static Rgb PLATE_Sample(float x, float y)
{
    const float size = 32.0f;
    int col = (int)(x / size), row = (int)(y / size);
    float px = x - col * size, py = y - row * size;
    float dl = px, dr = size - px, dt = py, db = size - py;
    float edge = std::min(std::min(dl, dr), std::min(dt, db));
    float grime = ART_Fbm(x / 16.0f, y / 16.0f, 16, 16, 4, 21);
    float seed = ART_Hash(col, row, 22);
    // Seams between plates glow cyan; the glow spills onto the plates.
    float glow = std::exp(-std::max(0.0f, edge - 1.0f) / 2.5f);
    if (edge < 1.5f)
        return ART_Lerp(Rgb{60, 230, 255}, Rgb{200, 255, 255}, 1.0f - edge / 1.5f);
    bool lamps = seed > 0.78f;
    Rgb base = lamps ? Rgb{70, 60, 90}
                     : (seed > 0.58f ? ART_Lerp(Rgb{150, 92, 60}, Rgb{190, 130, 80}, (seed - 0.58f) * 5.0f)
                                     : ART_Lerp(Rgb{70, 84, 110}, Rgb{120, 130, 150}, seed / 0.58f));
    // Bevel along the plate's rim: the nearest edge sets the slope.
    float bevel = 1.0f - ART_Smooth(1.5f, 5.0f, edge);
    float nx = 0.0f, ny = 0.0f;
    if (edge == dl)
        nx = -bevel;
    else if (edge == dr)
        nx = bevel;
    else if (edge == dt)
        ny = -bevel;
    else
        ny = bevel;
    Rgb c = FX_Light(ART_Scale(base, 0.85f + 0.2f * grime), nx, ny, 0.8f, 0.4f);
    // Rivets in the corners.
    const float rx[4] = {6, 26, 6, 26}, ry[4] = {6, 6, 26, 26};
    for (int k = 0; k < 4; k++) {
        float dx = px - rx[k], dy = py - ry[k];
        float d = std::sqrt(dx * dx + dy * dy);
        if (d < 2.2f) {
            float nz = std::sqrt(std::max(0.05f, 1.0f - (d / 2.2f) * (d / 2.2f)));
            c = FX_Light(Rgb{190, 190, 200}, dx / 2.2f, dy / 2.2f, nz, 0.8f);
        }
    }
    // Some plates carry a row of orange lamps across them.
    if (lamps) {
        float ly = py - 16.0f;
        for (int k = 0; k < 3; k++) {
            float lx = px - (8.0f + 8.0f * k);
            float d = std::sqrt(lx * lx + ly * ly);
            c = ART_Add(c, ART_Scale(Rgb{255, 150, 40}, std::exp(-d * d / 6.0f) * 1.2f + std::exp(-d / 3.0f) * 0.3f));
        }
    }
    return ART_Add(c, ART_Scale(Rgb{40, 170, 210}, glow * 0.6f));
}

// The tunnel's window leaves the screen's side columns at index 0, and the palette is shown
// as it is: entry 0 stays black and unused, so the sides frame the window in black.
static void FX_Tunnel(std::vector<AssetFile>* files)
{
    ArtImage art;
    art.Init(256, 256);
    ART_Render(&art, 3, PLATE_Sample);
    IndexedImage img;
    ART_Reduce(art, 255, false, 0.35f, &img);
    for (uint8_t& p : img.px)
        p = (uint8_t)(p + 1);
    std::memmove(img.palette + 3, img.palette, 255 * 3);
    std::memset(img.palette, 0, 3);
    img.colors = 256;
    files->push_back(AssetFile{"GFX/circler.gif", ART_EncodeGIF(img)});
}

// --- feedback.gif: bold shapes on a single ramp. The effect averages palette indices, so
// the palette runs from black to white through one chain of straight colour segments:
// the average of two indices is the colour half-way along the chain between them. ---

static const GradientStop FEEDBACK_RAMP[] = {
    {0.00f, {0, 0, 0}},       {0.18f, {16, 8, 84}},     {0.38f, {120, 12, 150}}, {0.58f, {236, 44, 96}},
    {0.78f, {255, 156, 20}},  {0.92f, {255, 240, 140}}, {1.00f, {255, 255, 255}},
};

static float FEEDBACK_Value(float x, float y)
{
    float dx = x - 128.0f, dy = y - 128.0f;
    float r = std::sqrt(dx * dx + dy * dy);
    float phi = std::atan2(dy, dx);
    // Background: bold diagonal stripes.
    float stripe = std::fmod(x + y + 512.0f, 32.0f) < 16.0f ? 0.14f : 0.30f;
    float v = stripe;
    // Corner discs (one disc split over the four corners of the tile).
    float cx = std::min(x, 256.0f - x), cy = std::min(y, 256.0f - y);
    float cr = std::sqrt(cx * cx + cy * cy);
    if (cr < 44.0f)
        v = cr < 30.0f ? 0.82f - cr * 0.006f : 0.48f;
    // A thick ring around a five-pointed star.
    if (r > 88.0f && r < 112.0f)
        v = 0.62f + 0.2f * std::cos((r - 100.0f) / 12.0f * (float)M_PI * 0.5f);
    else if (r >= 78.0f && r <= 88.0f)
        v = 0.05f;
    float a = std::fmod(phi + (float)M_PI * 2.5f, 2.0f * (float)M_PI / 5.0f) - (float)M_PI / 5.0f;
    float starR = 74.0f * 0.42f / (std::cos(a) * 0.42f + std::fabs(std::sin(a)) * 0.92f);
    if (r < starR)
        v = 0.97f - 0.25f * (r / starR);
    return v;
}

static void FX_Feedback(std::vector<AssetFile>* files)
{
    IndexedImage img;
    img.width = img.height = 256;
    img.px.resize(65536);
    for (int i = 0; i < 256; i++)
        ART_SetEntry(img.palette, i, ART_Gradient(FEEDBACK_RAMP, 7, i / 255.0f), false);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            float sum = 0.0f;
            for (int s = 0; s < 16; s++)
                sum += FEEDBACK_Value(x + (s % 4 + 0.5f) / 4.0f, y + (s / 4 + 0.5f) / 4.0f);
            img.px[(size_t)y * 256 + x] = (uint8_t)std::lround(ART_Clamp01(sum / 16.0f) * 255.0f);
        }
    files->push_back(AssetFile{"GFX/feedback.gif", ART_EncodeGIF(img)});
}

// --- sq.gif: the tower's texture. Each of the 16 faces is 16 columns wide; rows are
// courses of stone from the top of the tower (row 0) to its foot (row 199). ---

static Rgb TOWER_TextureSample(float x, float y)
{
    int face = (int)(x / 16.0f);
    float fx = x - face * 16.0f;
    int course = (int)(y / 10.0f);
    float fy = y - course * 10.0f;
    float grain = ART_Fbm(x / 6.0f, y / 6.0f, 64, 64, 3, 31);
    Rgb base = (face & 1) ? Rgb{176, 74, 52} : Rgb{214, 178, 120};
    base = ART_Scale(base, 0.88f + 0.2f * ART_Hash(face, course, 32) + 0.1f * grain);
    // Gilded bands every 50 rows.
    float band = std::fmod(y, 50.0f);
    if (band >= 46.0f)
        return FX_Light(Rgb{240, 190, 70}, 0.0f, (band - 48.0f) / 2.0f, 0.8f, 0.9f);
    // Face rims: lit on the left, shaded on the right.
    float nx = 0.0f, ny = 0.0f;
    if (fx < 2.0f)
        nx = -0.7f;
    else if (fx > 14.0f)
        nx = 0.7f;
    // Mortar between courses and between the two stones of every other course.
    bool joint = fy < 1.2f || ((course & 1) && std::fabs(fx - 8.0f) < 0.6f);
    if (joint)
        return Rgb{46, 36, 40};
    if (fy < 2.5f)
        ny = -0.5f;
    else if (fy > 8.8f)
        ny = 0.5f;
    return FX_Light(base, nx, ny, 1.0f, 0.25f);
}

static void FX_Tower(std::vector<AssetFile>* files)
{
    ArtImage art;
    art.Init(256, 256);
    ART_Render(&art, 3, TOWER_TextureSample);
    ART_AddGIF(files, "GFX/sq.gif", art, 128, true, 0.35f, 128);
}

// --- sqtback.gif: a dusk sky over dunes behind the tower, in palette entries 0-127 only
// (the tower moves them to 128-255 next to its own colours) ---

static Rgb BACK_Sample(float x, float y)
{
    static const GradientStop sky[] = {
        {0.0f, {8, 10, 36}}, {0.5f, {46, 36, 92}}, {0.82f, {150, 80, 110}}, {1.0f, {230, 140, 90}},
    };
    Rgb c = ART_Gradient(sky, 4, y / 170.0f);
    float star = ART_Hash((int)x, (int)y, 41);
    if (star > 0.992f && y < 100.0f)
        c = ART_Add(c, ART_Scale(Rgb{200, 210, 255}, (star - 0.992f) / 0.008f * (1.0f - y / 100.0f)));
    // A pale moon with soft maria.
    float dx = x - 262.0f, dy = y - 48.0f;
    float r = std::sqrt(dx * dx + dy * dy);
    c = ART_Add(c, ART_Scale(Rgb{120, 110, 150}, 0.5f * std::exp(-std::max(0.0f, r - 22.0f) / 14.0f)));
    if (r < 22.5f) {
        float maria = ART_Fbm(x / 7.0f, y / 7.0f, 64, 64, 3, 42);
        Rgb moon = ART_Scale(Rgb{236, 228, 210}, 0.82f + 0.12f * maria - 0.15f * (dx + dy) / 44.0f);
        c = ART_Lerp(c, moon, ART_Clamp01(22.5f - r));
    }
    // Two rows of dunes.
    float far = 150.0f + 10.0f * ART_Fbm(x / 60.0f, 1.5f, 64, 64, 3, 43);
    float near = 172.0f + 12.0f * ART_Fbm(x / 45.0f, 3.5f, 64, 64, 3, 44);
    if (y > near)
        c = ART_Lerp(Rgb{60, 30, 40}, Rgb{20, 10, 22}, ART_Clamp01((y - near) / 20.0f));
    else if (y > far)
        c = ART_Lerp(Rgb{110, 60, 80}, Rgb{60, 34, 58}, ART_Clamp01((y - far) / 16.0f));
    return c;
}

static void FX_TowerBack(std::vector<AssetFile>* files)
{
    ArtImage art;
    art.Init(320, 200);
    ART_Render(&art, 2, BACK_Sample);
    // A full table, of which only the first 128 entries are used.
    ART_AddGIF(files, "GFX/sqtback.gif", art, 128, true, 0.6f, 256);
}

void ASSET_EffectPictures(std::vector<AssetFile>* files)
{
    FX_Ripple(files);
    FX_Tunnel(files);
    FX_Feedback(files);
    FX_Tower(files);
    FX_TowerBack(files);
}
