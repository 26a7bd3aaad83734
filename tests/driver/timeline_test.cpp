// The Timeline row by row against the show's schedule: index, music position and entry point.
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

#include <gtest/gtest.h>

#include <iterator>

namespace {

struct ScheduleRow {
    int index, order, row;
    EffectFn fn;
    const char* name;
};

#define ROW(index, order, row, fn) {index, order, row, fn, #fn}
const ScheduleRow kSchedule[] = {
    ROW(0, 1, 1, CueIdleHook),         ROW(1, 1, 1, IntroWeaveStart),     ROW(2, 2, 1, IntroWeaveJump),
    ROW(3, 2, 32, IntroWeaveJump),     ROW(4, 3, 1, CueNegativeFlash),    ROW(5, 3, 1, IntroWeaveJump),
    ROW(6, 3, 32, CueWhiteFlash),      ROW(7, 3, 32, IntroShowLogo),      ROW(8, 3, 32, CueIdleHook),
    ROW(9, 4, 1, CueWhiteFlash),       ROW(10, 4, 1, IntroShowTitle),     ROW(11, 5, 1, CueWhiteFlash),
    ROW(12, 5, 1, RippleStart),        ROW(13, 5, 1, CueWhiteFlash),      ROW(14, 6, 1, CueWhiteFlash),
    ROW(15, 6, 1, ShakeStart),         ROW(16, 8, 1, ShakeStart),         ROW(17, 10, 1, RippleEnd),
    ROW(18, 10, 1, BEAM_Start),        ROW(19, 10, 1, CueNegativeFlash),  ROW(20, 10, 32, BEAM_Reverse),
    ROW(21, 10, 32, CueNegativeFlash), ROW(22, 11, 1, BEAM_Reverse),      ROW(23, 11, 1, CueNegativeFlash),
    ROW(24, 11, 32, BEAM_Reverse),     ROW(25, 11, 32, CueNegativeFlash), ROW(26, 12, 1, BEAM_Reverse),
    ROW(27, 12, 1, CueNegativeFlash),  ROW(28, 12, 32, RAY_Start),        ROW(29, 13, 32, BEAM_Resume),
    ROW(30, 14, 1, FX_Nop),            ROW(31, 14, 1, RAY_Resume),        ROW(32, 14, 1, CueNegativeFlash),
    ROW(33, 18, 1, CueRotateColoursB), ROW(34, 21, 1, RAY_Grow),          ROW(35, 21, 1, CueNegativeFlash),
    ROW(36, 22, 1, RAY_Grow),          ROW(37, 22, 1, CueNegativeFlash),  ROW(38, 23, 1, RAY_Grow),
    ROW(39, 23, 1, CueNegativeFlash),  ROW(40, 24, 1, RAY_Stop),          ROW(41, 24, 1, TOWER_Start),
    ROW(42, 24, 1, CueNegativeFlash),  ROW(43, 25, 1, TOWER_Skip),        ROW(44, 26, 1, TOWER_Skip),
    ROW(45, 26, 1, CueNegativeFlash),  ROW(46, 27, 1, TOWER_Skip),        ROW(47, 28, 44, CueFadeToBlack),
    ROW(48, 29, 1, TOWER_Stop),        ROW(49, 29, 1, ShakeStart),        ROW(50, 29, 1, GlowStart),
    ROW(51, 30, 1, CueRotateColoursA), ROW(52, 30, 32, CueRotateColoursA), ROW(53, 31, 1, CueRotateColoursA),
    ROW(54, 31, 32, CueRotateColoursA), ROW(55, 31, 46, CueFadeToBlack),  ROW(56, 32, 1, CueStopHook),
    ROW(57, 32, 1, CueShowFreestyle),  ROW(58, 32, 1, CueIdleHook),       ROW(59, 33, 46, CueFadeToBlack),
    ROW(60, 34, 1, FeedbackStart),     ROW(61, 36, 1, FeedbackEnd),       ROW(62, 36, 1, TunnelStart),
    ROW(63, 37, 1, TunnelNextMode),    ROW(64, 37, 1, CueRotateColoursA), ROW(65, 38, 1, TunnelNextMode),
    ROW(66, 38, 1, CueRotateColoursA), ROW(67, 39, 1, TunnelNextMode),    ROW(68, 39, 1, CueRotateColoursA),
    ROW(69, 40, 1, CueFadeToBlack),    ROW(70, 40, 32, TunnelEnd),        ROW(71, 40, 32, CueShowKolde),
    ROW(72, 40, 32, CueIdleHook),      ROW(73, 40, 52, FinalePrepare),    ROW(74, 41, 1, CueFadeToBlack),
    ROW(75, 41, 32, FinaleStart),      ROW(76, 49, 1, CueIdleHook),       ROW(77, 49, 32, CueEndShow),
    {78, 49, 32, nullptr, "end of table"},
};
#undef ROW
static_assert(std::size(kSchedule) == TIMELINE_ROWS, "the schedule has 79 rows, the last one ending the table");

TEST(Timeline, EveryRowIsTheSchedulesRow)
{
    for (int i = 0; i < TIMELINE_ROWS; i++) {
        const ScheduleRow& want = kSchedule[i];
        ASSERT_EQ(want.index, i) << "the schedule table above is out of step";
        SCOPED_TRACE("row " + std::to_string(i) + ", " + want.name);
        EXPECT_EQ(Timeline[i].order, want.order);
        EXPECT_EQ(Timeline[i].row, want.row);
        EXPECT_TRUE(Timeline[i].fn == want.fn) << "another entry point";
    }
}

}  // namespace
