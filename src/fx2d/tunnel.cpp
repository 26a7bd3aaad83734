// The circle tunnel. All trigonometry lives in the 512 remapping entries of a frame; a pixel
// costs five byte reads. The mix of single and double precision in the tables is the one the
// modes were tuned with, so each step's type is written out.
#include "fx2d/tunnel.h"

#include "driver/demo.h"
#include "fx2d/polarmap.h"
#include "image/pix.h"
#include "platform/screen.h"
#include "support/base.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

uint8_t* TunnelPolarMap = nullptr;
uint8_t* TunnelRemap = nullptr;
uint8_t* TunnelTexture = nullptr;
int32_t TunnelModeCounter = 0;

static const float kPiF = 3.14159265358979323846f;

// Reciprocals of the R formulas' time divisors, multiplied rather than divided by.
static const float kInv30 = 1.0f / 30.0f;
static const float kInv40 = 1.0f / 40.0f;
static const float kInv70 = 1.0f / 70.0f;

// A table value as its stored byte: truncated toward zero to a signed integer, low 8 bits.
// Going through int32 keeps negative values defined (-1.5 stores 255); 0/0 (NaN), the only
// value the tables meet outside the int32 range, stores 0.
static inline uint8_t TUNNEL_Byte(double v)
{
    if (!(std::fabs(v) < 2147483648.0))
        return 0;
    return (uint8_t)(int32_t)v;
}

// The perspective row of modes 1 to 3: 256 k / (k + d), from 256 at the centre toward 0
// at the rim. In mode 3 k reaches 0, and at d = 0 that is 0/0.
static inline uint8_t TUNNEL_Depth(float k, int d)
{
    return TUNNEL_Byte(256.0f * k / (k + (float)d));
}

static void TUNNEL_BuildRows(int32_t mode, uint32_t t, uint8_t* R)
{
    for (int d = 0; d < 256; d++) {
        // Modes 0 and 2 take the time as t + d (unsigned), modes 1 and 3 as the signed
        // difference d - t; t times pi is formed in single precision.
        const float forward = (float)(t + (uint32_t)d) * kPiF;
        const float backward = (float)(int32_t)((uint32_t)d - t) * kPiF;
        if (mode == 0) {
            // A flat disc of rings: the row is linear in d with a ripple on top.
            const float k = 10.0f * std::cos(forward * kInv30) + 15.0f;
            R[d] = TUNNEL_Byte(k + (float)d);
        } else if (mode == 1) {
            R[d] = TUNNEL_Depth(20.0f * std::cos(backward * kInv70) + 25.0f, d);
        } else if (mode == 2) {
            R[d] = TUNNEL_Depth(15.0f * std::cos(forward * kInv40) + 25.0f, d);
        } else {
            R[d] = TUNNEL_Depth(10.0f * std::cos(backward * kInv40) + 10.0f, d);
        }
    }
}

// Double-precision cosine of an argument formed in single precision.
static inline double TUNNEL_CosWide(float arg)
{
    return std::cos((double)arg);
}

static void TUNNEL_BuildColumns(int32_t mode, uint32_t t, uint8_t* S)
{
    const float tpi = (float)t * kPiF;
    switch (mode) {
    case 0: {
        const float q = 30.0f * std::cos(tpi / 88.0f);
        for (int a = 0; a < 256; a++)
            S[a] = TUNNEL_Byte(TUNNEL_CosWide((float)a * kPiF / 32.0f) * q + a);
        break;
    }
    case 1: {
        const float q = 10.0f * std::cos(tpi / 88.0f);
        for (int a = 0; a < 256; a++)
            S[a] = TUNNEL_Byte(TUNNEL_CosWide((float)a * (7.0f * kPiF) / 128.0f) * q + a);
        break;
    }
    case 2: {
        // The twist's strength as an unsigned byte: 0..20 for positive cosines, 236..255 for
        // negative ones, so half the time the angle is twisted by up to 255 units.
        const double a2 = (uint8_t)(int32_t)(20.0 * TUNNEL_CosWide(tpi / 68.0f));
        const double b2 = 50.0 * TUNNEL_CosWide(tpi / 98.0f);
        for (int a = 0; a < 256; a++)
            S[a] = TUNNEL_Byte(TUNNEL_CosWide((float)a * (3.0f * kPiF) / 64.0f) * a2 + b2 + a);
        break;
    }
    default: {
        const float q = 30.0f * std::cos(tpi * 2.0f / 256.0f);
        // The whole picture turns by p, which swells and fades every 448 ticks.
        const double c = TUNNEL_CosWide(tpi / 448.0f);
        const float p = 130.0f * (float)(c * c * c * c);
        for (int a = 0; a < 256; a++) {
            const int32_t b = (int32_t)((float)a + p);   // 0..385
            S[a] = TUNNEL_Byte(std::cos((float)b * (5.0f * kPiF) / 128.0f) * q + (float)b);
        }
        break;
    }
    }
}

void TUNNEL_BuildRemap(int32_t mode, uint32_t t, uint8_t* remap)
{
    if (mode < 0 || mode > 2)
        mode = 3;
    TUNNEL_BuildRows(mode, t, remap);
    TUNNEL_BuildColumns(mode, t, remap + 256);
}

static void TUNNEL_Free(void)
{
    std::free(TunnelTexture);
    std::free(TunnelPolarMap);
    std::free(TunnelRemap);
    TunnelTexture = nullptr;
    TunnelPolarMap = nullptr;
    TunnelRemap = nullptr;
}

bool TunnelStart(uint32_t)
{
    TUNNEL_Free();   // a second start without an end must not leak the first buffers
    LLS_Init(0, 0);
    TunnelPolarMap = (uint8_t*)MEM_AllocOrDie(POLAR_MAP_BYTES, "the tunnel's polar map");
    TunnelRemap = (uint8_t*)MEM_AllocOrDie(TUNNEL_REMAP_BYTES, "the tunnel's remapping tables");
    POLAR_BuildMap(TunnelPolarMap);
    std::memset(LLS_Screen, 0, LLS_VIDEO_BYTES);
    TunnelTexture = (uint8_t*)MEM_AllocOrDie(TUNNEL_TEXTURE_BYTES, "the tunnel's picture");
    std::memset(TunnelTexture, 0, TUNNEL_TEXTURE_BYTES);
    PIX_LoadGIF("GFX\\circler.gif", TunnelTexture, PAL_Target, nullptr, nullptr, 0, TUNNEL_TEXTURE_BYTES);
    LLS_SetPalette(PAL_Target, 0, 256);   // shown at once: no fade, no brightening
    FrameHook = TunnelFrame;
    return true;
}

bool TunnelFrame(uint32_t time)
{
    if (!TunnelPolarMap)
        return true;   // ended (or never started): nothing to draw
    TUNNEL_BuildRemap(TunnelModeCounter, time, TunnelRemap);
    const uint8_t* R = TunnelRemap;
    const uint8_t* S = TunnelRemap + 256;
    const uint8_t* tex = TunnelTexture;
    for (int y = 0; y < POLAR_HEIGHT; y++) {
        const uint8_t* m = TunnelPolarMap + y * 2 * POLAR_WIDTH;
        uint8_t* out = LLS_Screen + y * 320 + 32;
        for (int x = 0; x < POLAR_WIDTH; x++)
            out[x] = tex[R[m[2 * x + 1]] * 256 + S[m[2 * x]]];   // row from distance, column from angle
    }
    LLS_Flip();
    return true;
}

bool TunnelNextMode(uint32_t)
{
    // Wrapping add: a counter pushed past the int32 range still selects mode 3.
    TunnelModeCounter = (int32_t)((uint32_t)TunnelModeCounter + 1);
    return true;
}

bool TunnelEnd(uint32_t)
{
    TUNNEL_Free();
    FrameHook = nullptr;
    return true;
}
