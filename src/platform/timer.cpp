// The 70 Hz tick counter over the backend's millisecond clock.
#include "platform/backend.h"
#include "platform/music.h"

static uint32_t s_timerStart = 0;

void TIMER_Start(int divisor)
{
    (void)divisor;  // the rate is always 70 Hz
    s_timerStart = PLAT.Milliseconds();
}

uint32_t TIMER_TicksAt(uint32_t d)
{
    // Single precision, as the show was timed with it: ticks change at 15, 29, 43... ms.
    float ticks = (float)d * 70.0f / 1000.0f;
    return (uint32_t)ticks;
}

uint32_t TIMER_GetTicks(void) { return TIMER_TicksAt(PLAT.Milliseconds() - s_timerStart); }
