// The feedback zoom. A frame is one texture walk in 8.24 fixed point over the last frame,
// blended into the frame before it; all angles go through the cosine table, so a frame
// does no floating point at all.
#include "fx2d/feedback.h"

#include "driver/demo.h"
#include "fx3d/sincos.h"
#include "image/pix.h"
#include "platform/screen.h"
#include "support/base.h"

#include <cstdlib>
#include <cstring>

uint8_t* FeedbackPicture = nullptr;
uint8_t* FeedbackSource = nullptr;
uint8_t* FeedbackTarget = nullptr;
int32_t FeedbackPhase = 0;

static uint32_t s_lastTime;

static void FB_Free(void)
{
    std::free(FeedbackPicture);
    std::free(FeedbackSource);
    std::free(FeedbackTarget);
    FeedbackPicture = nullptr;
    FeedbackSource = nullptr;
    FeedbackTarget = nullptr;
}

bool FeedbackStart(uint32_t time)
{
    FB_Free();   // a second start without an end must not leak the first buffers
    FeedbackPicture = (uint8_t*)MEM_AllocOrDie(FEEDBACK_BYTES, "the feedback picture");
    FeedbackSource = (uint8_t*)MEM_AllocOrDie(FEEDBACK_BYTES, "the feedback source");
    FeedbackTarget = (uint8_t*)MEM_AllocOrDie(FEEDBACK_BYTES, "the feedback target");
    LLS_Init(0, 0);
    std::memset(LLS_Screen, 0, LLS_VIDEO_BYTES);
    PIX_LoadGIF("GFX\\feedback.gif", FeedbackPicture, PAL_Target, nullptr, nullptr, 0, FEEDBACK_BYTES);
    // PAL_Current is left as it is: the picture fades in from what was shown (black, after
    // the fade before this section).
    PAL_Fading = 1;
    PAL_FadeSpeed = 2;
    std::memcpy(FeedbackSource, FeedbackPicture, FEEDBACK_BYTES);
    std::memcpy(FeedbackTarget, FeedbackPicture, FEEDBACK_BYTES);
    s_lastTime = time;
    FrameHook = FeedbackFrame;
    return true;
}

void FeedbackSampleRow(uint8_t* dest, int count, uint32_t u, uint32_t v, uint32_t du, uint32_t dv)
{
    const uint8_t* src = FeedbackSource;
    for (int i = 0; i < count; i++) {
        // The top bytes are row and column: both wrap around the 256 x 256 picture.
        const uint8_t texel = src[(v >> 24) * 256 + (u >> 24)];
        dest[i] = (uint8_t)((texel + dest[i]) >> 1);
        u += du;
        v += dv;
    }
}

bool FeedbackFrame(uint32_t time)
{
    if (!FeedbackSource)
        return true;   // ended (or never started): nothing to draw
    // The phase runs down one unit per elapsed tick. Angles and 8.24 coordinates are 32-bit
    // wrapping arithmetic, so they are done unsigned.
    const uint32_t a = (uint32_t)FeedbackPhase + s_lastTime - time;
    FeedbackPhase = (int32_t)a;
    s_lastTime = time;

    // Scale: 1.25 + 0.125 cos(80a + quarter turn) texture pixels per screen pixel, in 8.24.
    const int32_t z = SINCOS_MulCos(0x200000, 80 * a + 0x4000) + 0x1400000;
    // A rotation by about a half turn minus two sways of +-8024 units at different speeds:
    // du = -z cos(w1), dv = z sin(w2).
    const uint32_t w1 = (uint32_t)SINCOS_MulCos(8024, 40 * a + 0x4000) - 0x8000;
    const uint32_t w2 = (uint32_t)SINCOS_MulCos(8024, 60 * a + 0x4000) - 0x4000;
    const uint32_t du = (uint32_t)SINCOS_MulCos(z, w1);
    const uint32_t dv = (uint32_t)SINCOS_MulCos(z, w2);
    // Drifts of up to 127 and 31 texture pixels.
    const uint32_t X = (uint32_t)SINCOS_MulCos(0x7F000000, 127 * a);
    const uint32_t Y = (uint32_t)SINCOS_MulCos(0x1F000000, 127 * a + 0x4000);
    const uint32_t ustart = 128 * du + X - 128 * dv + 0xFFFFFF;
    const uint32_t vstart = 0 - 128 * du + Y - 128 * dv + 0x7FFFFFFF;

    for (uint32_t y = 0; y < 200; y++) {
        uint8_t* row = FeedbackTarget + y * FEEDBACK_SIZE;
        FeedbackSampleRow(row, FEEDBACK_SIZE, ustart - y * dv, vstart + y * du, du, dv);
        std::memcpy(LLS_Screen + y * (uint32_t)LLS_Width + 32, row, FEEDBACK_SIZE);
    }
    LLS_Flip();
    // The new frame is the next frame's source; the old source becomes the frame before.
    uint8_t* swap = FeedbackSource;
    FeedbackSource = FeedbackTarget;
    FeedbackTarget = swap;
    return true;
}

bool FeedbackEnd(uint32_t)
{
    FB_Free();
    FrameHook = nullptr;
    return true;
}
