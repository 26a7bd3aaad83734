// Skipping ahead to a music position before the window shows anything (--from).
#include "driver/skip.h"

#include "driver/demo.h"
#include "driver/options.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"
#include "platform/timer.h"

#include <chrono>
#include <cstdio>

static struct {
    int32_t order, row;       // the position to pass
    uint64_t frame;           // frames played so far; the clock stands at tick frame
    bool reached;
    bool musicEnded;
    int lastOrder, lastRow;   // the position when the skipping stopped
    std::chrono::steady_clock::time_point started, lastProgress;
} s_skip;

void SKIP_Progress(uint64_t frame, int32_t toOrder, int32_t toRow, bool last)
{
    auto now = std::chrono::steady_clock::now();
    if (frame == 0)
        s_skip.started = s_skip.lastProgress = now;
    if (!last && now - s_skip.lastProgress < std::chrono::milliseconds(250))
        return;
    s_skip.lastProgress = now;
    const double seconds = std::chrono::duration<double>(now - s_skip.started).count();
    std::fprintf(stderr, "\rskipping to %d:%d: order:row %d:%d, frame %llu, %.0f frames a second   ", toOrder,
                 toRow, MUSIC_GetOrder(), MUSIC_GetRow(), (unsigned long long)frame,
                 seconds > 0 ? (double)frame / seconds : 0.0);
    if (last)
        std::fputc('\n', stderr);
    std::fflush(stderr);
    // A moment for the platform between quarter seconds of skipping: a browser page gets to
    // repaint and show the line; for a desktop window it is next to nothing.
    PLAT.Sleep(0);
}

// Called at the end of every LLS_DUMP while skipping: the clock moves on one tick, and once
// the music has passed the position the window and the sound device take over from there.
static void SKIP_FramePresented(void)
{
    s_skip.frame++;
    PLAT_VirtualMs = TIMER_FirstMsOfTick((uint32_t)s_skip.frame);
    s_skip.lastOrder = MUSIC_GetOrder();
    s_skip.lastRow = MUSIC_GetRow();
    if (DEMO_Passed(s_skip.lastOrder, s_skip.lastRow, s_skip.order, s_skip.row)) {
        s_skip.reached = true;
        SKIP_Progress(s_skip.frame, s_skip.order, s_skip.row, true);
        PLAT_UseWindowFrom(PLAT_VirtualMs);
        SND_Hold(false);
        PLAT_SetCaption("Vantrel");
        return;
    }
    if (BASS_ChannelIsActive(MUSIC_Handle) == BASS_ACTIVE_STOPPED) {
        s_skip.musicEnded = true;
        DemoQuit = 1;   // the music ended first: nothing would ever pass the position
        return;
    }
    SKIP_Progress(s_skip.frame, s_skip.order, s_skip.row, false);
}

void SKIP_Begin(int32_t order, int32_t row)
{
    s_skip = {};
    s_skip.order = order;
    s_skip.row = row;
    // The window's backend on the virtual clock: its events still count (Escape quits).
    PLAT.Milliseconds = PLAT_VirtualMilliseconds;
    PLAT.FramePresented = SKIP_FramePresented;
    PLAT.presents = false;
    PLAT_VirtualMs = TIMER_FirstMsOfTick(0);
    SND_Hold(true);
    SKIP_Progress(0, order, row, false);
    char caption[64];
    std::snprintf(caption, sizeof caption, "Vantrel: skipping to %d:%d", order, row);
    PLAT_SetCaption(caption);
}

bool SKIP_Reached(int* order, int* row)
{
    *order = s_skip.lastOrder;
    *row = s_skip.lastRow;
    // A quit while skipping (the hook still in place) is no failure to get there.
    return s_skip.reached || (!s_skip.musicEnded && FrameHook != nullptr);
}
