// Palette cues: each picks a starting PAL_Current, a PAL_Target and a fade speed, and leaves
// the animation to the main loop's PAL_FadeTick. Also the idle hook and the still pictures.
#include "fx2d/cues.h"

#include "driver/demo.h"
#include "image/pix.h"
#include "platform/screen.h"
#include "support/base.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

bool CUE_Idle(uint32_t)
{
    return true;
}

bool CueIdleHook(uint32_t)
{
    FrameHook = CUE_Idle;
    return true;
}

bool CueEndShow(uint32_t)
{
    FrameHook = nullptr;
    return true;
}

bool CueStopHook(uint32_t)
{
    FrameHook = nullptr;
    return true;
}

static void CUE_Negative(uint8_t* out, const uint8_t* in)
{
    for (int i = 0; i < PAL_BYTES; i++)
        out[i] = (uint8_t)(63 - in[i]);
}

bool CueNegativeFlash(uint32_t)
{
    CUE_Negative(PAL_Current, PAL_Target);
    PAL_FadeSpeed = 1;
    PAL_Fading = 1;
    return true;
}

bool CueWhiteFlash(uint32_t)
{
    std::memset(PAL_Current, 63, PAL_BYTES);
    PAL_FadeSpeed = 1;
    PAL_Fading = 1;
    return true;
}

bool CueFadeToBlack(uint32_t)
{
    std::memcpy(PAL_Current, PAL_Target, PAL_BYTES);
    std::memset(PAL_Target, 0, PAL_BYTES);
    PAL_FadeSpeed = 1;
    PAL_Fading = 1;
    return true;
}

// Rotates the channels of every PAL_Target entry: component c of the new entry is component
// (c + from) mod 3 of the old one. The rotated palette is built in PAL_Current first, then
// becomes the target, and the flash starts from its negative, uploaded at once.
static void CUE_RotateColours(int from)
{
    for (int i = 0; i < 256; i++)
        for (int c = 0; c < 3; c++)
            PAL_Current[3 * i + c] = PAL_Target[3 * i + (c + from) % 3];
    std::memcpy(PAL_Target, PAL_Current, PAL_BYTES);
    CUE_Negative(PAL_Current, PAL_Target);
    PAL_Fading = 1;
    PAL_FadeSpeed = 4;
    LLS_SetPalette(PAL_Current, 0, 256);
}

bool CueRotateColoursA(uint32_t)
{
    CUE_RotateColours(2);   // (r,g,b) -> (b,r,g)
    return true;
}

bool CueRotateColoursB(uint32_t)
{
    CUE_RotateColours(1);   // (r,g,b) -> (g,b,r)
    return true;
}

void PaletteSineBrighten(void)
{
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < PAL_BYTES; i++) {
        double v = std::sin(PAL_Target[i] * 2.0 * pi / 256.0) * 63.0 + 0.5;
        PAL_Target[i] = (uint8_t)(int)v;   // truncation toward zero
    }
}

// The first half of a still picture: 640 x 480 on one page, cleared and shown.
static void CUE_StillBegin(void)
{
    LLS_Init(1, 5);
    std::memset(LLS_Screen, 0, (size_t)LLS_Size);
    LLS_Flip();
}

// The second half: the picture is on the screen and its palette in PAL_Target; show it
// black and let the main loop fade it in over 63 ticks.
static void CUE_StillFadeIn(void)
{
    std::memset(PAL_Current, 0, PAL_BYTES);
    LLS_SetPalette(PAL_Current, 0, 256);
    LLS_Flip();
    PAL_FadeSpeed = 1;
    PAL_Fading = 1;
}

bool CueShowFreestyle(uint32_t)
{
    CUE_StillBegin();
    PIX_LoadGIF("GFX\\FREESTYL.GIF", LLS_Screen, PAL_Target, nullptr, nullptr, 0, (size_t)LLS_Size);
    CUE_StillFadeIn();
    return true;
}

void CUE_PlaceKolde(const uint8_t* picture)
{
    for (int y = 0; y < CUE_KOLDE_HEIGHT; y++)
        std::memcpy(LLS_Screen + y * LLS_Width + CUE_KOLDE_LEFT, picture + y * CUE_KOLDE_WIDTH, CUE_KOLDE_WIDTH);
}

bool CueShowKolde(uint32_t)
{
    CUE_StillBegin();
    // A full-screen block, although the picture is only 360 pixels wide: its fresh bytes
    // beyond the picture are never read.
    uint8_t* block = (uint8_t*)MEM_AllocOrDie(640 * 480, "the closing picture");
    PIX_LoadGIF("GFX\\KOLDE640.GIF", block, PAL_Target, nullptr, nullptr, 0, 640 * 480);
    CUE_PlaceKolde(block);
    std::free(block);
    CUE_StillFadeIn();
    return true;
}
