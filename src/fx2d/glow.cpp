// Glow particles: a plain n-body integration in single precision, one step per frame, drawn
// as saturating additive blobs.
#include "fx2d/glow.h"

#include "driver/demo.h"
#include "fx2d/shake.h"
#include "platform/screen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

GlowBody GlowBodies[GLOW_BODIES];
uint8_t GlowBlob[GLOW_BLOB_SIZE * GLOW_BLOB_SIZE];

static uint8_t* s_target = nullptr;   // LLS_Screen as it was at the start

static const int kWidth = 320, kHeight = 200;

// Each component runs from its start value by a fixed step per entry, summed in single
// precision and truncated.
static void GLOW_Ramp(int first, float r, float g, float b, float dr, float dg, float db)
{
    for (int i = first; i < first + 64; i++) {
        PAL_Target[3 * i] = (uint8_t)(int32_t)r;
        PAL_Target[3 * i + 1] = (uint8_t)(int32_t)g;
        PAL_Target[3 * i + 2] = (uint8_t)(int32_t)b;
        r += dr;
        g += dg;
        b += db;
    }
}

static void GLOW_BuildPalette(void)
{
    GLOW_Ramp(0, 0.0f, 0.0f, 0.0f, 0.42857143f, 1.0f, 0.11111111f);      // black to green
    GLOW_Ramp(64, 27.0f, 63.0f, 7.0f, 0.5714286f, 0.0f, 0.8888889f);     // green to white
    for (int i = 128; i < 256; i++)
        std::memcpy(PAL_Target + 3 * i, PAL_Target + 3 * 127, 3);
}

static void GLOW_BuildBlob(void)
{
    const double pi = 3.14159265358979323846;
    std::memset(GlowBlob, 0, sizeof GlowBlob);
    for (int v = 0; v < GLOW_BLOB_SIZE; v++)
        for (int u = 0; u < GLOW_BLOB_SIZE; u++) {
            const float dx = (float)(32 - u), dy = (float)(32 - v);
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < 32.0f) {
                const double c = std::cos(d * pi / 64.0);
                GlowBlob[v * GLOW_BLOB_SIZE + u] = (uint8_t)(int32_t)((float)(c * c) * 40.0f);
            }
        }
}

bool GlowStart(uint32_t)
{
    s_target = LLS_Screen;
    for (GlowBody& b : GlowBodies) {
        const int x = std::rand() % 160 + 80;
        const int y = std::rand() % 100 + 50;
        b = GlowBody{(float)x, (float)y, 0.0f, 0.0f, 1.0f};
    }
    GlowBodies[GLOW_BODIES - 1] = GlowBody{160.0f, 100.0f, 0.0f, 0.0f, 80.0f};
    GLOW_BuildPalette();
    GLOW_BuildBlob();
    LLS_SetPalette(PAL_Target, 0, 256);
    PAL_Fading = 0;
    FrameHook = GlowFrame;
    return true;
}

void GLOW_AddBlob(uint8_t* picture, int32_t cx, int32_t cy)
{
    const int32_t half = GLOW_BLOB_SIZE / 2;
    if (cx < -half || cx >= kWidth + half || cy < -half || cy >= kHeight + half)
        return;   // wholly off the screen (written so that no position overflows)
    const int32_t left = cx - half, top = cy - half;
    const int32_t u0 = std::max(0, -left), u1 = std::min(GLOW_BLOB_SIZE, kWidth - left);
    const int32_t v0 = std::max(0, -top), v1 = std::min(GLOW_BLOB_SIZE, kHeight - top);
    for (int32_t v = v0; v < v1; v++) {
        uint8_t* out = picture + (top + v) * kWidth + left;
        const uint8_t* in = GlowBlob + v * GLOW_BLOB_SIZE;
        for (int32_t u = u0; u < u1; u++) {
            const int sum = out[u] + in[u];
            out[u] = (uint8_t)(sum > GLOW_MAX ? GLOW_MAX : sum);
        }
    }
}

void GLOW_Step(void)
{
    for (int i = 0; i < GLOW_LIGHTS; i++) {
        GlowBody& b = GlowBodies[i];
        float ax = 0.0f, ay = 0.0f;
        for (int j = 0; j < GLOW_BODIES; j++) {
            if (j == i)
                continue;
            const float ddx = GlowBodies[j].x - b.x, ddy = GlowBodies[j].y - b.y;
            // The floor (about 31.6 pixels) keeps close encounters from flinging bodies away.
            const float q = std::max(1000.0f, ddx * ddx + ddy * ddy);
            const float f = GlowBodies[j].mass / (q * std::sqrt(q));
            ax += ddx * f;
            ay += ddy * f;
        }
        b.vx += ax;
        b.vy += ay;
        b.x += b.vx;
        b.y += b.vy;
    }
}

bool GlowFrame(uint32_t)
{
    if (!s_target)
        return true;   // never started
    // A new mode or page since the start freed the old page: follow the screen ShakeCopy shows.
    if (s_target != LLS_Screen)
        s_target = LLS_Screen;
    std::memset(s_target, 0, LLS_VIDEO_BYTES);
    for (int i = 0; i < GLOW_LIGHTS; i++) {
        const GlowBody& b = GlowBodies[i];
        // A body far off the screen (or whose motion has broken down) draws nothing, and its
        // position is never converted to an integer outside the 32-bit range.
        if (!(b.x > -1.0e6f && b.x < 1.0e6f && b.y > -1.0e6f && b.y < 1.0e6f))
            continue;
        GLOW_AddBlob(s_target, (int32_t)b.x, (int32_t)b.y);
    }
    GLOW_Step();
    ShakeCopy();
    return true;
}
