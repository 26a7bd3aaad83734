// Light beams over a gravity swarm. The swarm is stepped once per 70 Hz tick whatever the
// frame rate; a frame draws the bodies as they stand, so overlapping beams add up in the palette.
#include "fx3d/beams.h"

#include "driver/demo.h"
#include "platform/screen.h"
#include "support/truncate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

BEAM_Particle BEAM_Particles[BEAM_BODIES];
float BEAM_CosTable[BEAM_COS_ENTRIES];
int32_t BEAM_Spin = 0;
int32_t BEAM_SpinStep = BEAM_SPIN_STEP;
uint32_t BEAM_LastTick = 0;
uint8_t* BEAM_Screen = nullptr;

#define BEAM_WIDTH 320
#define BEAM_HEIGHT 200

void BEAM_BuildCosTable(void)
{
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < BEAM_COS_ENTRIES; i++)
        BEAM_CosTable[i] = (float)std::cos(2.0 * pi * i / BEAM_COS_ENTRIES);
}

// Each component is its single-precision accumulator truncated before the step is added.
void BEAM_BuildPalette(void)
{
    float g = 0.0f, b = 0.0f;
    for (int i = 0; i < 64; i++) {
        PAL_Target[3 * i] = (uint8_t)i;
        PAL_Target[3 * i + 1] = (uint8_t)(int32_t)g;
        PAL_Target[3 * i + 2] = (uint8_t)(int32_t)b;
        g += 0.42857143f;   // 27/63
        b += 0.11111111f;   // 7/63
    }
    g = 27.0f;
    b = 7.0f;
    for (int i = 64; i < 128; i++) {
        PAL_Target[3 * i] = 63;
        PAL_Target[3 * i + 1] = (uint8_t)(int32_t)g;
        PAL_Target[3 * i + 2] = (uint8_t)(int32_t)b;
        g += 0.5714286f;    // 36/63
        b += 0.8888889f;    // 56/63
    }
    for (int i = 128; i < 256; i++)
        std::memcpy(PAL_Target + 3 * i, PAL_Target + 3 * 127, 3);
}

bool BEAM_Start(uint32_t time)
{
    BEAM_LastTick = time;
    BEAM_Screen = LLS_Screen;
    for (BEAM_Particle& p : BEAM_Particles) {
        // Three draws of the never-seeded generator per body, in this order.
        p.x = (float)(std::rand() % 160 + 80);
        p.y = (float)(std::rand() % 100 + 50);
        p.vx = p.vy = 0.0f;
        p.mass = 1.0f;
        p.angle = (uint16_t)std::rand();
    }
    BEAM_Particles[BEAM_BODIES - 1] = BEAM_Particle{320.0f, 100.0f, 0.0f, 0.0f, 80.0f, 0};
    BEAM_BuildPalette();
    LLS_SetPalette(PAL_Target, 0, 256);
    BEAM_BuildCosTable();
    FrameHook = BEAM_Frame;
    return true;
}

bool BEAM_Reverse(uint32_t)
{
    BEAM_Spin = -BEAM_Spin;
    BEAM_SpinStep = -BEAM_SpinStep;
    return true;
}

bool BEAM_Resume(uint32_t)
{
    FrameHook = BEAM_Frame;
    return true;
}

void BEAM_Step(void)
{
    for (BEAM_Particle& p : BEAM_Particles)
        p.angle = (uint16_t)(p.angle + (uint32_t)BEAM_Spin);

    // Body i moves before body i + 1 computes its pull, so later bodies see the new
    // positions of earlier ones. The floor on d2 keeps close passes finite.
    for (int i = 0; i < BEAM_DRAWN; i++) {
        BEAM_Particle& b = BEAM_Particles[i];
        float ax = 0.0f, ay = 0.0f;
        for (int j = 0; j < BEAM_BODIES; j++) {
            if (j == i)
                continue;
            const BEAM_Particle& o = BEAM_Particles[j];
            const float dx = b.x - o.x;
            const float dy = b.y - o.y;
            const float d2 = std::max(1000.0f, dx * dx + dy * dy);
            const double pull = (double)o.mass * b.mass / d2;   // in double, as tuned
            const float f = (1.0f / std::sqrt(d2)) * (float)(pull / b.mass);
            ax -= dx * f;
            ay -= dy * f;
        }
        b.vx += ax;
        b.vy += ay;
        b.x += b.vx;
        b.y += b.vy;
    }

    // The spin's triangle wave between -3072 and 3072 units per tick.
    BEAM_Spin += BEAM_SpinStep;
    if (BEAM_SpinStep > 0 && BEAM_Spin > BEAM_SPIN_LIMIT) {
        BEAM_Spin = BEAM_SPIN_LIMIT;
        BEAM_SpinStep = -BEAM_SPIN_STEP;
    }
    if (BEAM_SpinStep <= 0 && BEAM_Spin < -BEAM_SPIN_LIMIT) {
        BEAM_Spin = -BEAM_SPIN_LIMIT;
        BEAM_SpinStep = BEAM_SPIN_STEP;
    }
}

// Rows r from first to last (exclusive), clipped to the screen, fully lit.
static void BEAM_LightRows(int32_t first, int32_t last)
{
    for (int32_t r = std::max(first, 0); r < std::min(last, (int32_t)BEAM_HEIGHT); r++)
        LLS_AddSpan(BEAM_Screen + r * BEAM_WIDTH, BEAM_WIDTH, BEAM_LIGHT);
}

void BEAM_DrawStrip(const BEAM_Particle* body)
{
    const uint32_t a = body->angle & 0x7FFF;   // half a turn gives the same line
    const float x = body->x, y = body->y;
    const float hw = (float)BEAM_HALF_WIDTH;
    if (a < 20) {
        // Horizontal: the rows within 20 of the body.
        const int32_t top = TRUNC_ToInt32(y - hw), bottom = TRUNC_ToInt32(y + hw);
        if (top >= BEAM_HEIGHT || bottom < 0)
            return;
        BEAM_LightRows(top, bottom);
        return;
    }

    // c = -sin, s = cos of the beam's angle; the strip lies between the parallel edge lines
    // through A (left) and B (right), which advance s/c columns per row.
    const float c = BEAM_CosTable[(a + 0x4000) >> 4];
    const float s = BEAM_CosTable[a >> 4];
    const float ax = x + hw * c, ay = y - hw * s;
    const float bx = x - hw * c, by = y + hw * s;
    // The table's quarter-turn entries hold cos(pi/2) = 6e-17 rather than 0.
    const bool cZero = std::fabs(c) < 1e-15f;
    const bool sZero = std::fabs(s) < 1e-15f;
    const float step = cZero ? 0.0f : s / c;
    auto xA = [&](float row) { return cZero ? 0.0f : ax + (row - ay) * step; };
    auto xB = [&](float row) { return cZero ? 0.0f : bx + (row - by) * step; };

    // The first row that shows the strip, and its edges there.
    float Y, L, R;
    const float left0 = xA(0.0f), right0 = xB(0.0f);
    if (left0 < (float)BEAM_WIDTH && right0 > 0.0f) {
        Y = 0.0f;
        L = left0;
        R = right0;
    } else if (left0 <= 0.0f) {
        // Left of the screen's top: start where the right edge reaches column 0.
        Y = sZero ? 0.0f : by + (0.0f - bx) * c / s;
        L = xA(Y);
        R = 0.0f;
    } else {
        // Right of it: start where the left edge reaches column 320.
        Y = sZero ? 0.0f : ay + ((float)BEAM_WIDTH - ax) * c / s;
        L = (float)BEAM_WIDTH;
        R = xB(Y);
    }
    if (!(Y >= 0.0f && Y < (float)BEAM_HEIGHT))
        return;

    for (int32_t r = (int32_t)Y; r < BEAM_HEIGHT; r++) {
        int32_t l = TRUNC_ToInt32(L);
        int32_t rr = TRUNC_ToInt32(R);
        if (rr < 0 || l > BEAM_WIDTH)
            break;   // the strip has left the screen sideways
        l = std::max(l, 0);
        rr = std::min(rr, (int32_t)BEAM_WIDTH);
        if (rr - l >= 1)
            LLS_AddSpan(BEAM_Screen + r * BEAM_WIDTH + l, rr - l, BEAM_LIGHT);
        L += step;
        R += step;
    }
}

bool BEAM_Frame(uint32_t time)
{
    if (!BEAM_Screen)
        return true;   // never started: nothing to draw into
    std::memset(BEAM_Screen, 0, BEAM_WIDTH * BEAM_HEIGHT);
    for (int i = 0; i < BEAM_DRAWN; i++)
        BEAM_DrawStrip(&BEAM_Particles[i]);
    // After an interruption the first frame makes up every missed tick at once.
    while (BEAM_LastTick < time) {
        BEAM_Step();
        BEAM_LastTick++;
    }
    LLS_Flip();
    return true;
}
