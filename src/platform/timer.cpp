// The 70 Hz tick counter over the backend's millisecond clock.
#include "platform/timer.h"

#include "platform/backend.h"

static uint32_t s_timerStart = 0;
static bool s_paused = false;
static uint32_t s_pausedAt = 0;   // the clock's reading when the pause began

void TIMER_Start(int divisor)
{
    (void)divisor;  // the rate is always 70 Hz
    s_timerStart = PLAT.Milliseconds();
    s_paused = false;
}

uint32_t TIMER_TicksAt(uint32_t d)
{
    // Single precision, as the show was timed with it: ticks change at 15, 29, 43... ms.
    float ticks = (float)d * 70.0f / 1000.0f;
    return (uint32_t)ticks;
}

uint32_t TIMER_FirstMsOfTick(uint32_t n)
{
    uint32_t ms = (uint32_t)((uint64_t)n * 1000 / 70);
    while (TIMER_TicksAt(ms) < n)
        ms++;
    while (ms > 0 && TIMER_TicksAt(ms - 1) >= n)
        ms--;
    return ms;
}

uint32_t TIMER_GetTicks(void)
{
    const uint32_t now = s_paused ? s_pausedAt : PLAT.Milliseconds();
    return TIMER_TicksAt(now - s_timerStart);
}

void TIMER_Pause(void)
{
    if (s_paused)
        return;
    s_pausedAt = PLAT.Milliseconds();
    s_paused = true;
}

void TIMER_Resume(void)
{
    if (!s_paused)
        return;
    // The time spent paused is taken out of the count: the ticks go on from where they stood.
    s_timerStart += PLAT.Milliseconds() - s_pausedAt;
    s_paused = false;
}
