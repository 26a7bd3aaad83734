// The 70 Hz tick counter over the backend's millisecond clock: ticks of 1/70 s since
// TIMER_Start, the unit of every time handed to effects.
#pragma once

#include <cstdint>

// Records the start of the tick count; the divisor (17039 for 70 Hz) is not used.
void TIMER_Start(int divisor);

// Ticks of 1/70 s since TIMER_Start: the unsigned millisecond difference, converted to
// single precision, times 70, divided by 1000, truncated.
uint32_t TIMER_GetTicks(void);

// The tick count d milliseconds after TIMER_Start (the conversion TIMER_GetTicks makes).
uint32_t TIMER_TicksAt(uint32_t d);

// The first millisecond after TIMER_Start at which the count reads n: a headless run that
// shows one frame per tick sets its virtual clock to TIMER_FirstMsOfTick(frame).
uint32_t TIMER_FirstMsOfTick(uint32_t n);

// Stops the count where it stands, and lets it go on again: the time in between is not
// counted. Pausing twice or resuming an unpaused timer does nothing.
void TIMER_Pause(void);
void TIMER_Resume(void);
