// The timedemo: the engine's speed, overall and per effect, over the whole show.
#include "driver/timedemo.h"

#include "driver/options.h"
#include "fx2d/cues.h"
#include "fx2d/feedback.h"
#include "fx2d/glow.h"
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "fx2d/tunnel.h"
#include "fx3d/beams.h"
#include "fx3d/raytrace.h"
#include "fx3d/tower.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"
#include "sections/finale.h"
#include "sections/intro.h"

#include <chrono>
#include <cstdio>

#define TIMEDEMO_ENTRY(fn) {fn, #fn}
static const struct {
    EffectFn fn;
    const char* name;
} s_entries[] = {
    TIMEDEMO_ENTRY(CueIdleHook),       TIMEDEMO_ENTRY(CueEndShow),        TIMEDEMO_ENTRY(CueStopHook),
    TIMEDEMO_ENTRY(CueNegativeFlash),  TIMEDEMO_ENTRY(CueWhiteFlash),     TIMEDEMO_ENTRY(CueFadeToBlack),
    TIMEDEMO_ENTRY(CueRotateColoursA), TIMEDEMO_ENTRY(CueRotateColoursB), TIMEDEMO_ENTRY(CueShowFreestyle),
    TIMEDEMO_ENTRY(CueShowKolde),      TIMEDEMO_ENTRY(IntroWeaveStart),   TIMEDEMO_ENTRY(IntroWeaveJump),
    TIMEDEMO_ENTRY(IntroShowLogo),     TIMEDEMO_ENTRY(IntroShowTitle),    TIMEDEMO_ENTRY(RippleStart),
    TIMEDEMO_ENTRY(RippleEnd),         TIMEDEMO_ENTRY(ShakeStart),        TIMEDEMO_ENTRY(BEAM_Start),
    TIMEDEMO_ENTRY(BEAM_Reverse),      TIMEDEMO_ENTRY(BEAM_Resume),       TIMEDEMO_ENTRY(RAY_Start),
    TIMEDEMO_ENTRY(RAY_Resume),        TIMEDEMO_ENTRY(RAY_Grow),          TIMEDEMO_ENTRY(RAY_Stop),
    TIMEDEMO_ENTRY(FX_Nop),            TIMEDEMO_ENTRY(TOWER_Start),       TIMEDEMO_ENTRY(TOWER_Skip),
    TIMEDEMO_ENTRY(TOWER_Stop),        TIMEDEMO_ENTRY(GlowStart),         TIMEDEMO_ENTRY(FeedbackStart),
    TIMEDEMO_ENTRY(FeedbackEnd),       TIMEDEMO_ENTRY(TunnelStart),       TIMEDEMO_ENTRY(TunnelNextMode),
    TIMEDEMO_ENTRY(TunnelEnd),         TIMEDEMO_ENTRY(FinalePrepare),     TIMEDEMO_ENTRY(FinaleStart),
};

const char* TIMEDEMO_EntryName(EffectFn fn)
{
    for (const auto& e : s_entries)
        if (e.fn == fn)
            return e.name;
    return nullptr;
}

typedef std::chrono::steady_clock Clock;

static struct {
    TimedemoResult* result;
    uint64_t frame;
    Clock::time_point first, last;
} s_timedemo;

// Called at the end of every LLS_DUMP: the frame's time goes to the hook installed in it, and
// the clock moves on one tick. The first frame also holds the start-up, so it is not timed.
static void TIMEDEMO_FramePresented(void)
{
    TimedemoResult& r = *s_timedemo.result;
    const Clock::time_point now = Clock::now();
    if (s_timedemo.frame == 0) {
        s_timedemo.first = now;
    } else {
        if (r.effects.empty() || r.effects.back().row != DemoHookRow || r.effects.back().hook != FrameHook)
            r.effects.push_back({DemoHookRow, FrameHook, 0, 0.0, 0.0});
        TimedemoEffect& e = r.effects.back();
        const double ms = std::chrono::duration<double, std::milli>(now - s_timedemo.last).count();
        e.frames++;
        e.totalMs += ms;
        if (ms > e.worstMs)
            e.worstMs = ms;
    }
    s_timedemo.last = now;
    s_timedemo.frame++;
    PLAT_VirtualMs = TIMER_FirstMsOfTick((uint32_t)s_timedemo.frame);
    // A module shorter than the schedule: nothing else would end the show.
    if (BASS_ChannelIsActive(MUSIC_Handle) != BASS_ACTIVE_PLAYING)
        DemoQuit = 1;
}

TimedemoResult TIMEDEMO_Measure(void)
{
    TimedemoResult result{};
    s_timedemo = {};
    s_timedemo.result = &result;
    PLAT_UseHeadless();
    PLAT.FramePresented = TIMEDEMO_FramePresented;
    PLAT_VirtualMs = TIMER_FirstMsOfTick(0);

    DemoMain();

    PLAT_UseHeadless();   // FramePresented back to nothing
    result.frames = s_timedemo.frame;
    result.seconds = std::chrono::duration<double>(s_timedemo.last - s_timedemo.first).count();
    return result;
}

int TIMEDEMO_Run(const DemoOptions&)
{
    std::fprintf(stderr, "vantrel: timedemo: playing the whole show headless as fast as it goes...\n");
    const TimedemoResult r = TIMEDEMO_Measure();
    const double show = (double)r.frames / 70.0;
    std::printf("timedemo: %llu frames in %.2f s: %.1f frames a second, %.2f times real time (%.1f s of show)\n",
                (unsigned long long)r.frames, r.seconds, r.seconds > 0 ? (double)r.frames / r.seconds : 0.0,
                r.seconds > 0 ? show / r.seconds : 0.0, show);
    std::printf("%-7s %-20s %8s %9s %9s\n", "from", "effect", "frames", "mean ms", "worst ms");
    for (const TimedemoEffect& e : r.effects) {
        char at[16];
        std::snprintf(at, sizeof at, "%d:%d", Timeline[e.row].order, Timeline[e.row].row);
        const char* name = TIMEDEMO_EntryName(Timeline[e.row].fn);
        std::printf("%-7s %-20s %8llu %9.3f %9.3f\n", at, name ? name : "?", (unsigned long long)e.frames,
                    e.frames ? e.totalMs / (double)e.frames : 0.0, e.worstMs);
    }
    return DEMO_EXIT_OK;
}
