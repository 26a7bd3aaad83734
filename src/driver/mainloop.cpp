// The main loop: one pass per frame, dispatching due Timeline rows, stepping the hook once
// per tick, fading the palette, presenting the frame and handling the window's events.
#include "driver/demo.h"

#include "platform/backend.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"

EffectFn FrameHook = nullptr;
uint32_t DemoTime = 0;
uint8_t DemoQuit = 0;
uint8_t LastKey = 0;
int32_t ShotCounter = 0;
bool DemoPaused = false;
unsigned DemoHookRow = 0;

// PC scan codes stored in LastKey: releasing Q leaves the loop; Print Screen (and F12, which
// keyboards without that key have) and SysReq take a screenshot. Escape quits through
// DemoQuit instead and is never stored, so its scan-code reaction (a stop of the not-provided
// IsThereMusic) cannot happen.
enum { SCAN_Q = 16, SCAN_SYSREQ = 84, SCAN_PRINT = 183 };

// A row is due once the music has passed its position: (order, row) of the music strictly
// greater than the row's, lexicographically. The order is read twice, as the position can
// move between the two reads.
static bool DEMO_RowDue(const TimelineRow& r)
{
    int order = MUSIC_GetOrder();
    if (order > r.order)
        return true;
    if (MUSIC_GetOrder() != r.order)
        return false;
    return MUSIC_GetRow() > r.row;
}

void DEMO_TogglePause(void)
{
    DemoPaused = !DemoPaused;
    if (DemoPaused) {
        MUSIC_Pause();
        TIMER_Pause();
    } else {
        TIMER_Resume();
        MUSIC_Resume();
    }
}

static void DEMO_KeyReleased(PLAT_Key key)
{
    switch (key) {
    case PLAT_KEY_ESCAPE: DemoQuit = 1; break;
    case PLAT_KEY_Q: LastKey = SCAN_Q; break;
    case PLAT_KEY_PRINT:
    case PLAT_KEY_F12: LastKey = SCAN_PRINT; break;
    case PLAT_KEY_SYSREQ: LastKey = SCAN_SYSREQ; break;
    case PLAT_KEY_SPACE: DEMO_TogglePause(); break;
    case PLAT_KEY_OTHER: break;
    }
}

// Keys act when released; presses and every other key are ignored.
static void DEMO_PollEvents(void)
{
    PLAT_Event event;
    while (PLAT.PollEvent(&event)) {
        if (event.type == PLAT_EVENT_KEY_UP)
            DEMO_KeyReleased(event.key);
        else if (event.type == PLAT_EVENT_QUIT)
            DemoQuit = 1;
    }
}

void DEMO_RunLoop(const TimelineRow* table, unsigned count)
{
    unsigned index = 0;
    uint32_t lastHookTime = 0;
    FrameHook = nullptr;
    DemoQuit = 0;
    DemoPaused = false;
    DemoHookRow = 0;

    for (;;) {
        DemoTime = TIMER_GetTicks();

        // Row dispatch: every due row in table order; a row returning false holds the rest.
        while (index < count) {
            const TimelineRow& r = table[index];
            if (index != 0 && !DEMO_RowDue(r))
                break;
            const EffectFn hook = FrameHook;
            const bool done = r.fn && r.fn(DemoTime);
            if (FrameHook != hook)
                DemoHookRow = index;
            if (!done)
                break;
            index++;
        }
        if (index >= count)
            break;

        // The hook runs at most once per tick, never in the frames of tick 0.
        if (DemoTime != lastHookTime) {
            lastHookTime = DemoTime;
            if (FrameHook && !FrameHook(DemoTime))
                break;
        }
        if (!FrameHook && !DemoQuit) {
            // No hook left: the show is over.
            MUSIC_Stop();
            DemoQuit = 1;
        }

        PAL_FadeTick(DemoTime);

        if (LastKey == SCAN_Q)
            break;
        if (LastKey == SCAN_PRINT || LastKey == SCAN_SYSREQ)
            DEMO_Screenshot();
        LastKey = 0;

        if (!MUSIC_IsPlaying())
            break;
        LLS_DUMP();
        DEMO_PollEvents();
        if (DemoQuit)
            break;
        if (DemoPaused)
            PLAT.Sleep(10);   // nothing moves; no need to spin
    }
}
