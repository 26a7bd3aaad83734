// The closing screen. Each frame the text screen is softened in place, its left column is
// cleared, the end text is added on top and the picture is handed to the display.
#include "sections/finale.h"

#include "driver/demo.h"
#include "platform/screen.h"
#include "sections/endtext.h"
#include "support/sys.h"
#include "text/stext.h"
#include "text/tcscr.h"

static uint32_t s_startTime;   // the tick FinaleStart ran at; the end text runs from it

bool FinalePrepare(uint32_t)
{
    // Without the text the pages stay empty; the section still runs.
    EndTextOpen("ENDTEXT.TXT");
    STEXT_InitColors();
    return true;
}

bool FinaleStart(uint32_t time)
{
    s_startTime = time;
    if (!TCS_Init(320, 200, 32))
        SYS_FatalError("Out of memory: cannot allocate %d bytes for the 320 x 200 text screen.\n", 320 * 200 * 4);
    FrameHook = FinaleFrame;
    return true;
}

void FINALE_Soften(uint32_t* P, int32_t W, int32_t H)
{
    if (!P || W <= 0 || H < 2)
        return;
    // Four masked pixels sum without carries between the channels (each field has two spare
    // bits); the shift leaves each channel's remainder in the two bits below it, which every
    // reader masks away. Forward and in place: every neighbour read still holds the previous
    // frame, as all of them lie after the pixel being written.
    const uint32_t M = TCS_MASK;
    const int64_t last = (int64_t)(H - 1) * W - 1;
    for (int64_t p = 0; p < last; p++)
        P[p] = ((P[p] & M) + (P[p + 1] & M) + (P[p + W] & M) + (P[p + W + 1] & M)) >> 2;
    // The below-right neighbour of the last softened pixel would lie past the picture: black.
    P[last] = ((P[last] & M) + (P[last + 1] & M) + (P[last + W] & M)) >> 2;
}

bool FinaleFrame(uint32_t time)
{
    if (!TCS_Picture)
        return true;   // no text screen (the section has not started): nothing to show
    FINALE_Soften(TCS_Picture, TCS_Width, TCS_Height);
    for (int32_t y = 0; y < TCS_Height; y++)
        TCS_Picture[(int64_t)y * TCS_Width] = 0;
    EndTextUpdate(time - s_startTime);
    TCS_Show(TCS_Picture, 0, TCS_Height);
    return true;
}
