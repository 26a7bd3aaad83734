// The intro's weave and its two title pictures. The weave is a feedback effect: each frame
// mixes the previous one with a wavily shifted read of a texture that holds that same frame
// in its top-left corner and the tiled weave picture elsewhere.
#include "sections/intro.h"

#include "data/file.h"
#include "driver/demo.h"
#include "fx2d/cues.h"
#include "fx3d/sincos.h"
#include "image/pix.h"
#include "platform/screen.h"
#include "support/base.h"

#include <cstdlib>
#include <cstring>

IntroState INTRO_State = {nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0.0f, 0};

static void INTRO_FreeWeave(void)
{
    IntroState& s = INTRO_State;
    std::free(s.wave);
    std::free(s.mix);
    std::free(s.texture);
    std::free(s.weave);
    s.wave = nullptr;
    s.mix = nullptr;
    s.texture = nullptr;
    s.weave = nullptr;
}

static void INTRO_FreePictures(void)
{
    std::free(INTRO_State.pictures);
    INTRO_State.pictures = nullptr;
}

void INTRO_BuildTexture(void)
{
    IntroState& s = INTRO_State;
    for (int r = 0; r < 256; r++)
        for (int c = 0; c < INTRO_TEXTURE_PITCH; c++)
            s.texture[r * INTRO_TEXTURE_PITCH + c] = s.weave[(r % 200) * 320 + c % 320];
    for (int r = 0; r < 200; r++)
        std::memset(s.texture + r * INTRO_TEXTURE_PITCH, 0, 320);
}

bool IntroWeaveStart(uint32_t time)
{
    IntroState& s = INTRO_State;
    // A repeated start must not leak the first tables.
    INTRO_FreeWeave();
    INTRO_FreePictures();

    s.lastTick = time;
    // The allocation order fixes which rand values fill which block.
    s.wave = (int32_t*)MEM_AllocOrDie(INTRO_WAVE_ROWS * 256 * 4, "the intro's wave table");
    s.texture = (uint8_t*)MEM_AllocOrDie(INTRO_TEXTURE_BYTES, "the intro's texture");
    s.mix = (uint8_t*)MEM_AllocOrDie(INTRO_MIX_BYTES, "the intro's mix table");
    s.weave = (uint8_t*)MEM_AllocOrDie(INTRO_PICTURE_BYTES, "the weave picture");
    s.pictures = (uint8_t*)MEM_AllocOrDie(INTRO_BLOCKS_BYTES, "the intro's pictures");

    // Every 16th cosine, scaled by A and shifted down: rounded toward minus infinity.
    for (int a = 0; a < INTRO_WAVE_ROWS; a++)
        for (int i = 0; i < 256; i++)
            s.wave[a * 256 + i] = (int32_t)(((int64_t)SINCOS_Table[16 * i] * a) >> 30);

    PIX_LoadGIF("GFX\\WEAVE.GIF", s.weave, PAL_Target, nullptr, nullptr, 0, INTRO_PICTURE_BYTES);
    PaletteSineBrighten();
    // The title pictures keep their palettes as loaded; they are brightened when shown.
    PIX_LoadGIF("GFX\\TALVIK1.GIF", s.pictures, s.pictures + INTRO_PICTURE_BYTES, nullptr, nullptr, 0,
                INTRO_PICTURE_BYTES);
    PIX_LoadGIF("GFX\\VANTREL3.GIF", s.pictures + INTRO_BLOCK_BYTES,
                s.pictures + INTRO_BLOCK_BYTES + INTRO_PICTURE_BYTES, nullptr, nullptr, 0, INTRO_PICTURE_BYTES);

    INTRO_BuildTexture();

    if (FILE_Load("GFX\\weave.mix", s.mix, INTRO_MIX_BYTES) != INTRO_MIX_BYTES)
        Pow2Stop();

    LLS_SetPalette(PAL_Target, 0, 256);
    s.p1 = 17;
    s.p2 = 93;
    s.amplitude = 0;
    FrameHook = IntroWeaveFrame;
    return true;
}

bool IntroWeaveJump(uint32_t)
{
    INTRO_State.p1 = (INTRO_State.p1 + 80) & 255;
    INTRO_State.p2 = (INTRO_State.p2 + 50) & 255;
    return true;
}

bool IntroWeaveFrame(uint32_t time)
{
    IntroState& s = INTRO_State;
    if (!s.wave)
        return true;   // the weave has ended (or never started): nothing to draw
    const int32_t* w = s.wave + s.amplitude * 256;
    const uint8_t* tex = s.texture;
    const uint8_t* mix = s.mix;
    uint8_t* screen = LLS_Screen;

    // Each pixel is read just before it is replaced, so the frame depends only on the last.
    for (int y = 0; y < 200; y++) {
        const int32_t dx = w[(s.p1 + y) & 255];
        uint8_t* row = screen + y * 320;
        for (int x = 0; x < 320; x++) {
            const int32_t ty = (y + w[(s.p2 + x) & 255]) & 255;
            const int32_t tx = (x + dx) & 511;
            row[x] = mix[row[x] * 256 + tex[ty * INTRO_TEXTURE_PITCH + tx]];
        }
    }
    for (int y = 0; y < 200; y++)
        std::memcpy(s.texture + y * INTRO_TEXTURE_PITCH, screen + y * 320, 320);

    // Every elapsed tick is one step, so a late frame catches up; the drawing above used the
    // values left by the previous frame.
    while (s.lastTick < time) {
        s.lastTick++;
        s.accumulator = (float)(s.accumulator + 0.017);
        s.p1 = (s.p1 + 2) & 255;
        s.p2 = (s.p2 + 3) & 255;
    }
    const int32_t a = (int32_t)s.accumulator;
    s.amplitude = a > 31 ? 31 : a;

    LLS_Flip();
    return true;
}

// Shows one of the two picture blocks: pixels to the screen, palette brightened into
// PAL_Target; the white flash cued just before fades into it.
static void INTRO_ShowBlock(int block)
{
    const uint8_t* b = INTRO_State.pictures + block * INTRO_BLOCK_BYTES;
    std::memcpy(LLS_Screen, b, INTRO_PICTURE_BYTES);
    std::memcpy(PAL_Target, b + INTRO_PICTURE_BYTES, PAL_BYTES);
    PaletteSineBrighten();
}

bool IntroShowLogo(uint32_t)
{
    // Without the pictures (no weave started) there is nothing to show.
    if (INTRO_State.pictures)
        INTRO_ShowBlock(0);
    INTRO_FreeWeave();
    LLS_Flip();
    FrameHook = nullptr;
    return true;
}

bool IntroShowTitle(uint32_t)
{
    if (INTRO_State.pictures)
        INTRO_ShowBlock(1);
    INTRO_FreePictures();
    LLS_Flip();
    return true;
}
