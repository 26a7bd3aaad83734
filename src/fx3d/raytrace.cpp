// The progressive ray-traced scene. A tick refreshes the pixels of one phase (one pixel of
// every 2 x 2 block): rays are cast on an 8-pixel grid, and the pixels between are halved
// down to 2 pixels, each interpolated from its two neighbours when they agree and cast otherwise.
#include "fx3d/raytrace.h"

#include "driver/demo.h"
#include "fx2d/cues.h"
#include "platform/screen.h"
#include "support/base.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

uint32_t RAY_StartTime = 0;
uint32_t RAY_PassCounter[RAY_PASSES];
float* RAY_Directions = nullptr;
RAY_Pixel* RAY_Pixels = nullptr;
float RAY_FocalX = 0.0f, RAY_FocalY = 0.0f;

// The size the tables were built for; a frame in any other mode draws nothing.
static int32_t s_width, s_height;

#define RAY_BLACK_ROWS_AT 62400   // rows 195..199 of the 320 x 200 picture
#define RAY_BLACK_ROWS_BYTES 1600
#define RAY_SHADE_BYTES 64000

void RAY_BuildPalette(void)
{
    // Single-precision accumulators, each component truncated before the step is added.
    float r = 0.0f, g = 0.0f, b = 0.0f;
    for (int i = 0; i < 128; i++) {
        PAL_Target[3 * i] = (uint8_t)(int32_t)r;
        PAL_Target[3 * i + 1] = (uint8_t)(int32_t)g;
        PAL_Target[3 * i + 2] = (uint8_t)(int32_t)b;
        r += 0.496063f;      // 63/127
        g += 0.21259843f;    // 27/127
        b += 0.05511811f;    // 7/127
    }
    g = 27.0f;
    b = 7.0f;
    for (int i = 128; i < 256; i++) {
        PAL_Target[3 * i] = 63;
        PAL_Target[3 * i + 1] = (uint8_t)(int32_t)g;
        PAL_Target[3 * i + 2] = (uint8_t)(int32_t)b;
        g += 0.28346458f;    // 36/127
        b += 0.44094488f;    // 56/127
    }
}

void RAY_Animate(float t)
{
    // Products with 2t and 3t are single precision, widened; the rest is double, stored as float.
    const double t1 = t;
    const double t2 = (double)(2.0f * t);
    const double t3 = (double)(3.0f * t);
    RAY_Object* o = RAY_Objects;
    o[0].x = (float)(1.2 * std::cos(t1));
    o[0].y = (float)(1.2 * std::sin(t1));
    o[1].x = (float)(0.5 * std::sin(t2));
    o[1].y = (float)(0.5 * std::cos(t2));
    o[2].size = (float)(0.25 * std::cos(t2) + 1.25);
    o[3].x = std::cos(t);   // the slanted plane's normal turns in single precision
    o[3].y = std::sin(t);
    o[4].x = (float)(1.1 * std::cos(1.1 * t1));
    o[4].y = (float)(1.5 * std::sin(1.1 * t1));
    o[5].x = (float)(0.8 * std::cos(2.6 - 1.7 * t1) - 0.5);
    o[5].y = (float)(0.8 * std::sin(2.9 - 1.8 * t1) - 0.3);
    o[5].z = (float)(0.5 * std::sin(1.9 * t1 + 4.3) + 6.0);
    o[6].x = (float)(1.1 * std::cos(1.6 - 1.8 * t1));
    o[6].y = (float)(1.2 * std::sin(5.9 - 1.9 * t1));
    o[6].z = (float)(0.5 * std::sin(2.2 * t1 + 2.3) + 5.0);
    o[7].x = (float)(0.9 * std::cos(1.6 - 1.6 * t1));
    o[7].y = (float)std::sin(4.9 - 1.5 * t1);
    o[7].z = (float)(std::cos(2.6 * t1 + 3.3) + 6.0);
    RAY_Lights[0].x = (float)(1.5 * std::cos(t3));
    RAY_Lights[0].z = (float)(1.5 * std::sin(t3) + 5.0);
}

static void RAY_FreeTables(void)
{
    std::free(RAY_Directions);
    std::free(RAY_Pixels);
    RAY_Directions = nullptr;
    RAY_Pixels = nullptr;
}

bool RAY_Start(uint32_t time)
{
    RAY_StartTime = time;
    RAY_BuildPalette();
    PaletteSineBrighten();   // the palette cues fade it in; not uploaded here
    std::memset(LLS_Screen, 0, RAY_SHADE_BYTES);
    LLS_Flip();

    RAY_FocalY = (float)(LLS_Height * 400) / 240.0f;
    RAY_FocalX = (float)(LLS_Width * 400) / 320.0f;
    RAY_FreeTables();   // a second start without a stop must not leak the first tables
    s_width = LLS_Width;
    s_height = LLS_Height;
    const int32_t pixels = s_width * s_height;
    // Their first contents are not cleared: a pass reads only pixels it wrote this frame.
    RAY_Directions = (float*)MEM_AllocOrDie(pixels * 3 * (int32_t)sizeof(float), "the scene's view rays");
    RAY_Pixels = (RAY_Pixel*)MEM_AllocOrDie(pixels * (int32_t)sizeof(RAY_Pixel), "the scene's pixel records");
    RAY_BuildDirections(RAY_Directions, s_width, s_height, RAY_FocalX, RAY_FocalY);

    RAY_Animate(0.0f);
    FrameHook = RAY_Frame;
    return true;
}

bool FX_Nop(uint32_t)
{
    return true;
}

bool RAY_Resume(uint32_t)
{
    FrameHook = RAY_Frame;
    return true;
}

bool RAY_Grow(uint32_t)
{
    if (RAY_ObjectCount < RAY_MAX_OBJECTS) {
        RAY_ObjectCount++;
        RAY_Objects[1].size *= 0.8f;   // the carved sphere shrinks as solids come in
    }
    if (RAY_LightCount < RAY_MAX_LIGHTS)
        RAY_LightCount++;
    return true;
}

bool RAY_Stop(uint32_t)
{
    FrameHook = nullptr;
    RAY_FreeTables();
    return true;
}

static inline void RAY_Cast(int32_t at)
{
    RAY_TracePixel(RAY_Directions + 3 * at, LLS_Screen + at, RAY_Pixels + at);
}

void RAY_BlendOrCast(int32_t at, int32_t a, int32_t b)
{
    const uint8_t* shade = LLS_Screen;
    const RAY_Pixel& A = RAY_Pixels[a];
    const RAY_Pixel& B = RAY_Pixels[b];
    // |trunc(A.t - B.t)| <= 1 is -2 < A.t - B.t < 2, written without the conversion, which
    // would overflow for the far-off distances of a plane seen almost edge-on (and is false
    // for the NaN of two infinite ones).
    const float dt = A.t - B.t;
    if (A.index == B.index && std::abs(shade[a] - shade[b]) <= 20 && dt > -2.0f && dt < 2.0f) {
        LLS_Screen[at] = (uint8_t)((shade[a] + shade[b]) >> 1);
        RAY_Pixels[at].index = A.index;
        RAY_Pixels[at].t = (B.t + A.t) * 0.5f;
    } else {
        RAY_Cast(at);
    }
}

// The five refinement passes, coarse to fine. Each visits the pixels from its start (offset by
// its phase: its counter's bit 0 moves it one row down, bit 1 one column right) in steps of
// its row and column step. A pass with a neighbour distance blends each pixel from the two
// pixels that far on either side (across a row, or up and down a column) where both exist,
// and casts it otherwise; the first pass casts every pixel it visits.
static const struct RAY_Pass {
    int32_t row, column;           // first pixel, before the phase
    int32_t rowStep, columnStep;
    int32_t across, down;          // distance to the neighbours it blends from (0: none)
} kRayPasses[RAY_PASSES] = {
    {0, 0, 8, 8, 0, 0},   // the 8-pixel grid
    {0, 4, 8, 8, 4, 0},   // halfway between grid columns
    {4, 0, 8, 4, 0, 4},   // halfway between grid rows
    {0, 2, 4, 4, 2, 0},   // the 2-pixel columns
    {2, 0, 4, 2, 0, 2},   // the 2-pixel rows
};

bool RAY_Frame(uint32_t time)
{
    // Stopped, never started, or the mode changed under the tables (a page-less mode 5
    // screen is only the 64000-byte video memory).
    const int32_t screenBytes = LLS_Screen == LLS_VideoMemory ? LLS_VIDEO_BYTES : LLS_Size;
    if (!RAY_Directions || !RAY_Pixels || !LLS_Screen || LLS_Width != s_width || LLS_Height != s_height ||
        s_width * s_height > screenBytes)
        return true;
    const int32_t W = s_width, H = s_height;
    RAY_PrepareSpheres();

    for (int i = 0; i < RAY_PASSES; i++) {
        const RAY_Pass& pass = kRayPasses[i];
        const uint32_t phase = RAY_PassCounter[i]++;
        const int32_t reach = pass.across + pass.down * W;   // from a pixel to its neighbour after
        for (int32_t y = pass.row + (int32_t)(phase & 1); y < H; y += pass.rowStep)
            for (int32_t x = pass.column + (int32_t)((phase >> 1) & 1); x < W; x += pass.columnStep) {
                const int32_t at = y * W + x;
                if (reach != 0 && x + pass.across < W && y + pass.down < H)
                    RAY_BlendOrCast(at, at - reach, at + reach);
                else
                    RAY_Cast(at);
            }
    }

    std::memset(LLS_Screen + RAY_BLACK_ROWS_AT, 0, RAY_BLACK_ROWS_BYTES);
    LLS_FlipSmooth();
    std::memset(LLS_VideoMemory + RAY_BLACK_ROWS_AT, 0, RAY_BLACK_ROWS_BYTES);

    // The unsigned difference, so the scene time never runs backwards across a wrap.
    RAY_Animate((float)(uint32_t)(time - RAY_StartTime) * 0.005f);
    return true;
}
