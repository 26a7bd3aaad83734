// The twisted textured tower. Slices are turned and projected orthographically with integer
// arithmetic on the cosine table; twists start at the foot and climb through a smoothing cascade.
#include "fx3d/tower.h"

#include "driver/demo.h"
#include "fx2d/cues.h"
#include "fx3d/sincos.h"
#include "image/pix.h"
#include "platform/screen.h"
#include "support/base.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

TOWER_Row* TOWER_Rows = nullptr;
uint8_t* TOWER_Texture = nullptr;
uint8_t* TOWER_Background = nullptr;
float TOWER_RowAngle[TOWER_SLICES];
int32_t TOWER_ZBuffer[TOWER_WIDTH];
uint32_t TOWER_BaseTime = 0;
int32_t TOWER_LastElapsed = 0;
int32_t TOWER_CentreX = 0;
int32_t TOWER_CentreZ = 400;

// Length times a 2.30 cosine from the table: 64-bit product, arithmetic shift by 30. The
// result only leaves the 32-bit range for a radius of -2^31, where it wraps.
static inline int32_t TOWER_Mul(int32_t length, uint32_t angle)
{
    return (int32_t)(((int64_t)length * SINCOS_Table[(angle & 0xFFFF) >> 4]) >> 30);
}

// 32-bit wrapping addition: corner positions of absurd radii wrap instead of overflowing.
static inline int32_t TOWER_Add(int32_t a, int32_t b)
{
    return (int32_t)((uint32_t)a + (uint32_t)b);
}

void TOWER_BuildSlices(TOWER_Row* rows)
{
    for (int32_t r = 0; r < TOWER_SLICES; r++) {
        // Three waves of ripple down the column: -10 sin(6 pi r / 200), rounded down.
        const uint32_t w = (uint32_t)(r * 196608) / 200;
        const int32_t b1 = TOWER_Mul(10, w + 0x4000);
        // The vase: widest at the middle row.
        const int32_t base = b1 - (120 * (r - 100) * (r - 100)) / 10000;
        const int32_t radius = (int32_t)((base + 150) / 1.5);
        const double cr = std::cos(32.0442450657 / 200.0 * r);
        const double sr = std::sin(27.0176968201 / 200.0 * r);
        for (int j = 0; j < TOWER_CORNERS; j++) {
            const double bump = (15.0 * std::cos(1.84568568393125 * j) + 10.0 * cr +
                                 12.0 * std::sin(1.9242255002687503 * j) + 5.0 * sr) / 60.0;
            TOWER_Vertex& v = rows[r].corner[j];
            v.radius = (int32_t)(radius * (1.0 + bump));
            v.u = 4096u * (uint32_t)j;
            v.angle = (uint16_t)(4096 * j);
        }
    }
}

float TOWER_Drive(uint32_t e)
{
    const double p = 3.1415926535;
    const float s = (float)std::sin(p * (double)e / 415.0);
    const float c = (float)std::cos(p * (double)e / 525.0);
    return s * 73424.0f + c * 25424.0f;
}

uint32_t TOWER_TurnOf(float angle)
{
    if (!std::isfinite(angle))
        return 0;
    // Beyond the 32-bit range only the remainder by a whole turn matters; fmod is exact and
    // keeps the sign, so its truncation is the truncation of the angle modulo the turn.
    if (!(angle > -2147483648.0f && angle < 2147483648.0f))
        angle = std::fmod(angle, 65536.0f);
    return (uint32_t)(int32_t)angle & 0xFFFF;
}

static void TOWER_Free(void)
{
    std::free(TOWER_Rows);
    std::free(TOWER_Background);
    std::free(TOWER_Texture);
    TOWER_Rows = nullptr;
    TOWER_Background = nullptr;
    TOWER_Texture = nullptr;
}

bool TOWER_Start(uint32_t time)
{
    TOWER_Free();   // a second start without a stop must not leak the first buffers
    TOWER_BaseTime = time;
    TOWER_LastElapsed = 0;
    TOWER_CentreX = 0;
    TOWER_CentreZ = 400;

    TOWER_Rows = (TOWER_Row*)MEM_AllocOrDie((int32_t)(TOWER_SLICES * sizeof(TOWER_Row)), "the tower's slices");
    TOWER_Background = (uint8_t*)MEM_AllocOrDie(TOWER_BACKGROUND_BYTES, "the tower's background");
    TOWER_Texture = (uint8_t*)MEM_AllocOrDie(TOWER_TEXTURE_BYTES, "the tower's texture");
    PIX_LoadGIF("GFX\\sq.gif", TOWER_Texture, PAL_Target, nullptr, nullptr, 0, TOWER_TEXTURE_BYTES);
    PIX_LoadGIF("GFX\\sqtback.gif", TOWER_Background, PAL_Spare, nullptr, nullptr, 0, TOWER_BACKGROUND_BYTES);

    // The background moves to the upper half of the palette, next to the texture's colours.
    for (int i = 0; i < TOWER_BACKGROUND_BYTES; i++)
        TOWER_Background[i] = (uint8_t)(TOWER_Background[i] + 128);
    std::memcpy(PAL_Target + 384, PAL_Spare, 384);
    PaletteSineBrighten();
    LLS_SetPalette(PAL_Target, 0, 256);

    for (int r = 0; r < TOWER_SLICES; r++)
        TOWER_RowAngle[r] = 0.0f;
    TOWER_BuildSlices(TOWER_Rows);
    FrameHook = TOWER_Frame;
    return true;
}

bool TOWER_Skip(uint32_t)
{
    TOWER_BaseTime -= TOWER_SKIP_TICKS;
    TOWER_LastElapsed = TOWER_Add(TOWER_LastElapsed, TOWER_SKIP_TICKS);
    return true;
}

bool TOWER_Stop(uint32_t)
{
    TOWER_Free();
    FrameHook = nullptr;
    return true;
}

void TOWER_Span(int32_t row, int32_t xj, int32_t xk, uint32_t uj, uint32_t uk, int32_t zj, int32_t zk)
{
    if ((uint32_t)row >= TOWER_SLICES || !TOWER_Texture || xj >= TOWER_WIDTH || xk < 0)
        return;
    const int32_t l = xj <= 0 ? 0 : xj;
    const int32_t rgt = xk >= TOWER_WIDTH ? TOWER_WIDTH - 1 : xk;
    if (l >= rgt)
        return;   // right to left: turned away (or no width at all)
    const uint32_t m = (uint32_t)(rgt - l);
    // The seam face runs from u = 0xF000 back to 0: a whole turn is added so it steps forward.
    const uint32_t du = (uk - uj + (uk < uj ? 0x10000u : 0u)) / m;
    // Depths in 24.8; the start values are those of corner j even when the face is clipped at
    // the left, and the step divides by the clipped length.
    uint32_t z = (uint32_t)zj << 8;
    const int32_t dz = (int32_t)(((uint32_t)zk << 8) - z) / (int32_t)m;
    uint32_t u = uj;
    uint8_t* out = LLS_Screen + row * TOWER_WIDTH;
    const uint8_t* tex = TOWER_Texture + row * 256;
    for (int32_t x = l; x < rgt; x++) {
        if ((int32_t)z > TOWER_ZBuffer[x]) {
            TOWER_ZBuffer[x] = (int32_t)z;
            out[x] = tex[(u >> 8) & 255];
        }
        u += du;
        z += (uint32_t)dz;
    }
}

// One round of the cascade: three sweeps, each slice pulled toward the four below it (read
// before they move in this sweep). The foot, slice 199, is left alone.
static void TOWER_Smooth(float* a)
{
    for (int sweep = 0; sweep < 3; sweep++)
        for (int r = 0; r < TOWER_SLICES - 1; r++) {
            float v = a[r];
            v = v - (v - a[r + 1]) / 5.0f;
            if (r + 2 < TOWER_SLICES)
                v = v - (v - a[r + 2]) / 10.0f;
            if (r + 3 < TOWER_SLICES)
                v = v - (v - a[r + 3]) / 15.0f;
            if (r + 4 < TOWER_SLICES)
                v = v - (v - a[r + 4]) / 20.0f;
            a[r] = v;
        }
}

static void TOWER_DrawSlice(int32_t r)
{
    std::memset(TOWER_ZBuffer, 128, sizeof TOWER_ZBuffer);   // 0x80808080: farther than anything
    const uint32_t turn = TOWER_TurnOf(TOWER_RowAngle[r]);
    const TOWER_Vertex* c = TOWER_Rows[r].corner;
    int32_t x[TOWER_CORNERS], z[TOWER_CORNERS];
    for (int j = 0; j < TOWER_CORNERS; j++) {
        const uint32_t a = (c[j].angle + turn) & 0xFFFF;
        x[j] = TOWER_Add(TOWER_Add(TOWER_Mul(c[j].radius, a), TOWER_CentreX), TOWER_WIDTH / 2);
        z[j] = TOWER_Add(TOWER_Mul(c[j].radius, a + 0x4000), TOWER_CentreZ);
        if (z[j] < 10)
            z[j] = 10;
    }
    for (int j = 0; j < TOWER_CORNERS; j++) {
        const int k = (j + 1) % TOWER_CORNERS;
        TOWER_Span(r, x[j], x[k], c[j].u, c[k].u, z[j], z[k]);
    }
}

bool TOWER_Frame(uint32_t time)
{
    if (!TOWER_Rows)
        return true;   // stopped (or never started): nothing to draw
    std::memcpy(LLS_Screen, TOWER_Background, TOWER_BACKGROUND_BYTES);
    const uint32_t e = time - TOWER_BaseTime;
    const int32_t n = (int32_t)(e - (uint32_t)TOWER_LastElapsed);
    TOWER_LastElapsed = (int32_t)e;
    if (n < 1)
        return true;

    // Drawn with the turns of the previous frame, then advanced.
    for (int32_t r = 0; r < TOWER_SLICES; r++)
        TOWER_DrawSlice(r);
    for (int32_t i = 0; i < n; i++)
        TOWER_Smooth(TOWER_RowAngle);
    TOWER_RowAngle[TOWER_SLICES - 1] = TOWER_Drive(e);
    LLS_Flip();
    return true;
}
