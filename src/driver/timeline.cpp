// The show's schedule: which entry point runs once the music passes which position.
#include "driver/demo.h"

#include "fx2d/cues.h"
#include "fx2d/feedback.h"
#include "fx2d/glow.h"
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "fx2d/tunnel.h"
#include "fx3d/beams.h"
#include "fx3d/raytrace.h"
#include "fx3d/tower.h"
#include "sections/finale.h"
#include "sections/intro.h"

// Order and row are the 1-based numbers of the music position; a row runs in the first
// frame whose position is strictly past (order, row). Equal positions run in table order.
constexpr TimelineRow Timeline[TIMELINE_ROWS] = {
    {1, 1, CueIdleHook},            // 0
    {1, 1, IntroWeaveStart},        // 1
    {2, 1, IntroWeaveJump},         // 2
    {2, 32, IntroWeaveJump},        // 3
    {3, 1, CueNegativeFlash},       // 4
    {3, 1, IntroWeaveJump},         // 5
    {3, 32, CueWhiteFlash},         // 6
    {3, 32, IntroShowLogo},         // 7
    {3, 32, CueIdleHook},           // 8
    {4, 1, CueWhiteFlash},          // 9
    {4, 1, IntroShowTitle},         // 10
    {5, 1, CueWhiteFlash},          // 11
    {5, 1, RippleStart},            // 12
    {5, 1, CueWhiteFlash},          // 13
    {6, 1, CueWhiteFlash},          // 14
    {6, 1, ShakeStart},             // 15
    {8, 1, ShakeStart},             // 16
    {10, 1, RippleEnd},             // 17
    {10, 1, BEAM_Start},            // 18
    {10, 1, CueNegativeFlash},      // 19
    {10, 32, BEAM_Reverse},         // 20
    {10, 32, CueNegativeFlash},     // 21
    {11, 1, BEAM_Reverse},          // 22
    {11, 1, CueNegativeFlash},      // 23
    {11, 32, BEAM_Reverse},         // 24
    {11, 32, CueNegativeFlash},     // 25
    {12, 1, BEAM_Reverse},          // 26
    {12, 1, CueNegativeFlash},      // 27
    {12, 32, RAY_Start},            // 28
    {13, 32, BEAM_Resume},          // 29
    {14, 1, FX_Nop},                // 30
    {14, 1, RAY_Resume},            // 31
    {14, 1, CueNegativeFlash},      // 32
    {18, 1, CueRotateColoursB},     // 33
    {21, 1, RAY_Grow},              // 34
    {21, 1, CueNegativeFlash},      // 35
    {22, 1, RAY_Grow},              // 36
    {22, 1, CueNegativeFlash},      // 37
    {23, 1, RAY_Grow},              // 38
    {23, 1, CueNegativeFlash},      // 39
    {24, 1, RAY_Stop},              // 40
    {24, 1, TOWER_Start},           // 41
    {24, 1, CueNegativeFlash},      // 42
    {25, 1, TOWER_Skip},            // 43
    {26, 1, TOWER_Skip},            // 44
    {26, 1, CueNegativeFlash},      // 45
    {27, 1, TOWER_Skip},            // 46
    {28, 44, CueFadeToBlack},       // 47
    {29, 1, TOWER_Stop},            // 48
    {29, 1, ShakeStart},            // 49
    {29, 1, GlowStart},             // 50
    {30, 1, CueRotateColoursA},     // 51
    {30, 32, CueRotateColoursA},    // 52
    {31, 1, CueRotateColoursA},     // 53
    {31, 32, CueRotateColoursA},    // 54
    {31, 46, CueFadeToBlack},       // 55
    {32, 1, CueStopHook},           // 56
    {32, 1, CueShowFreestyle},      // 57
    {32, 1, CueIdleHook},           // 58
    {33, 46, CueFadeToBlack},       // 59
    {34, 1, FeedbackStart},         // 60
    {36, 1, FeedbackEnd},           // 61
    {36, 1, TunnelStart},           // 62
    {37, 1, TunnelNextMode},        // 63
    {37, 1, CueRotateColoursA},     // 64
    {38, 1, TunnelNextMode},        // 65
    {38, 1, CueRotateColoursA},     // 66
    {39, 1, TunnelNextMode},        // 67
    {39, 1, CueRotateColoursA},     // 68
    {40, 1, CueFadeToBlack},        // 69
    {40, 32, TunnelEnd},            // 70
    {40, 32, CueShowKolde},         // 71
    {40, 32, CueIdleHook},          // 72
    {40, 52, FinalePrepare},        // 73
    {41, 1, CueFadeToBlack},        // 74
    {41, 32, FinaleStart},          // 75
    {49, 1, CueIdleHook},           // 76
    {49, 32, CueEndShow},           // 77
    {49, 32, nullptr},              // 78: end of table, never passed
};

// The table's size is fixed by TIMELINE_ROWS: one row too many does not compile, and a row
// left out would leave a zero-filled row at the end instead of the end row checked here.
static_assert(Timeline[TIMELINE_ROWS - 1].order == 49 && Timeline[TIMELINE_ROWS - 1].row == 32 &&
                  Timeline[TIMELINE_ROWS - 1].fn == nullptr && Timeline[TIMELINE_ROWS - 2].fn == CueEndShow,
              "the Timeline ends with CueEndShow and the end row at (49, 32)");
