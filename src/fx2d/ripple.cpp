// The polar ripple. Everything that depends only on the pixel sits in two start-up tables;
// a frame computes two 256-entry wave rows and then does seven table reads per pixel.
#include "fx2d/ripple.h"

#include "driver/demo.h"
#include "fx2d/cues.h"
#include "fx2d/polarmap.h"
#include "fx2d/shake.h"
#include "image/pix.h"
#include "platform/screen.h"
#include "support/base.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

uint8_t* RipplePolarMap = nullptr;
int32_t* PolarOffsets = nullptr;
uint8_t* RippleTexture = nullptr;
int32_t RippleWave1[256];
int32_t RippleWave2[256];

static uint32_t s_startTime;

static const double kPi = 3.14159265358979323846;

void RIPPLE_BuildOffsets(int32_t* offsets)
{
    const float step = (float)(2.0 * kPi / 256.0);
    for (int r = 0; r < RIPPLE_OFFSET_ROWS; r++) {
        const double k = r - 63;
        for (int a = 0; a < 256; a++) {
            // The angle is a single-precision product, widened: at a quarter turn it lies a
            // little past pi/2, which decides the truncations below.
            const double phi = (double)((float)a * step);
            const int32_t dy = (int32_t)(std::cos(phi) * k);
            const int32_t dx = (int32_t)(std::sin(phi) * k);
            offsets[r * 256 + a] = dy * 256 + dx;
        }
    }
}

static void RIPPLE_Free(void)
{
    std::free(RippleTexture);
    std::free(PolarOffsets);
    std::free(RipplePolarMap);
    RippleTexture = nullptr;
    PolarOffsets = nullptr;
    RipplePolarMap = nullptr;
}

bool RippleStart(uint32_t time)
{
    RIPPLE_Free();   // a second start without an end must not leak the first tables
    RipplePolarMap = (uint8_t*)MEM_AllocOrDie(POLAR_MAP_BYTES, "the ripple's polar map");
    POLAR_BuildMap(RipplePolarMap);
    PolarOffsets = (int32_t*)MEM_AllocOrDie(RIPPLE_OFFSET_ROWS * 256 * 4, "the ripple's offsets");
    RIPPLE_BuildOffsets(PolarOffsets);
    std::memset(LLS_Screen, 0, LLS_VIDEO_BYTES);
    RippleTexture = (uint8_t*)MEM_AllocOrDie(RIPPLE_TEXTURE_BYTES, "the ripple's picture");
    std::memset(RippleTexture, 0, RIPPLE_TEXTURE_BYTES);
    PIX_LoadGIF("GFX\\ripp2.gif", RippleTexture, PAL_Target, nullptr, nullptr, 0, RIPPLE_TEXTURE_BYTES);
    PaletteSineBrighten();
    LLS_SetPalette(PAL_Target, 0, 256);
    s_startTime = time;
    FrameHook = RippleFrame;
    return true;
}

// The two wave rows for time t since the start. The mix of single and double precision is
// the one the effect was tuned with; each step's type is written out.
static void RIPPLE_BuildWaves(uint32_t t)
{
    const float pif = (float)kPi;
    const float ft = (float)t * pif;
    const double c1 = std::cos((double)ft / 874.0);
    const double c2 = std::cos((double)ft / 554.0);
    const double m1 = (double)((float)(1.0 - c2) * 31.75f) * 0.5;
    const float m2 = (float)(1.0 - c1) * 31.75f * 0.5f;
    for (int i = 0; i < 256; i++) {
        const float v = (float)(int32_t)((uint32_t)i - t);
        const double s1 = std::sin((double)(v * pif) / 44.0) * m1;
        RippleWave1[i] = ((int32_t)s1 + 64) * 256;
        const float s2 = (float)std::sin((double)(v * pif / 64.0f));
        RippleWave2[i] = ((int32_t)((s2 + 1.0f) * m2) + 64) * 256;
    }
}

bool RippleFrame(uint32_t time)
{
    if (!RipplePolarMap)
        return true;   // ended (or never started): nothing to draw
    RIPPLE_BuildWaves(time - s_startTime);
    const uint8_t* map = RipplePolarMap;
    const int32_t* po = PolarOffsets;
    const uint8_t* tex = RippleTexture;
    for (int y = 0; y < 200; y++) {
        uint8_t* out = LLS_Screen + y * 320 + 32;
        const uint8_t* m = map + y * 512;
        int32_t n = y * 256;
        for (int x = 0; x < 256; x++, n++) {
            const uint32_t a = m[2 * x], d = m[2 * x + 1];
            // First term along the circle (a quarter turn on), second toward the centre.
            const int32_t index = po[RippleWave1[d] + ((a + 64) & 255)] + po[RippleWave2[d] + a] + n;
            out[x] = tex[(uint32_t)index & 0xFFFF];   // the picture wraps both ways
        }
    }
    ShakeCopy();
    return true;
}

bool RippleEnd(uint32_t)
{
    RIPPLE_Free();
    FrameHook = nullptr;
    return true;
}
