// The program's side of the music and of the 70 Hz timer: start the module, read its
// position (1-based order and row), stop it; count ticks of 1/70 s.
#pragma once

#include <cstdint>

extern uint8_t MusicStopped;   // set by MUSIC_Stop; all the program knows of whether music plays
extern uint32_t MUSIC_Handle;  // the playing module's handle, 0 when none
// The output MUSIC_Init opens: -1 the default sound device, 0 no device (the module still
// plays with the backend's clock; the offline renderer's choice). --nosound also selects 0.
extern int MUSIC_Device;

// Starts the music library's output. Ends the process with a message on failure.
void MUSIC_Init(void);

// Reads the module file name whole (FILE_GetSize and FILE_Load: one file gives size and
// bytes), loads it and starts it from its start. Ends the process with a message when the
// file is missing, empty or short, or the module is refused or has nothing to play.
int MUSIC_Load(const char* name);

int MUSIC_GetOrder(void);      // 1-based order number of the position heard now
int MUSIC_GetRow(void);        // 1-based row number of the position heard now
void MUSIC_Stop(void);         // stops and releases the library; sets MusicStopped
void MUSIC_Free(void);         // releases the library (again)
bool MUSIC_IsPlaying(void);    // false once stopped or once the module has played to its end
void MUSIC_Pause(void);        // holds the module where it is (silence; the position stays)
void MUSIC_Resume(void);       // plays on from where MUSIC_Pause held it

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
