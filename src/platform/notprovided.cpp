// The not-provided entry points, defined with the table that names each one's unit and line.
#include "platform/notprovided.h"

#include "support/assert.h"

#define NYI_LIST(X)                               \
    X(VGA_SetMode, "VantrelPAL", 12)              \
    X(DRW_DoHorizontalDraw, "VantrelPAL", 17)     \
    X(DRW_DoVerticalDraw, "VantrelPAL", 67)       \
    X(DRW_DoVerticalDraw1, "VantrelPAL", 72)      \
    X(DRW_DoVerticalDraw2, "VantrelPAL", 77)      \
    X(DRW_DoVerticalDraw3, "VantrelPAL", 82)      \
    X(DRW_DoVerticalDraw4, "VantrelPAL", 87)      \
    X(DRW_DoVerticalDraw640, "VantrelPAL", 92)    \
    X(DRW_DoTransparentDraw, "VantrelPAL", 97)    \
    X(DRW_DoTransparentDraw640, "VantrelPAL", 102) \
    X(PollMusic, "VantrelPAL", 176)               \
    X(CallMusicHandle, "VantrelPAL", 181)         \
    X(IsThereMusic, "VantrelPAL", 192)            \
    X(TIMER_SetSpeed, "VantrelPAL", 239)          \
    X(LLV_PutBuffer, "VantrelPAL", 457)           \
    X(LLS_SetMode, "LLSCRC", 127)                 \
    X(BM_Draw, "BITMAP", 63)                      \
    X(BM_Get, "BITMAP", 151)

#define NYI_DEFINE(name, unit, line) \
    void name(void) { SYS_NOT_PROVIDED(#name, unit, line); }
NYI_LIST(NYI_DEFINE)

#define NYI_ROW(name, unit, line) {name, #name, unit, line},
const NotProvidedEntry NYI_Entries[] = {NYI_LIST(NYI_ROW)};
static_assert(sizeof NYI_Entries / sizeof NYI_Entries[0] == 18, "eighteen entry points are not provided");
