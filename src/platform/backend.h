// The platform seam: the three things in which the real program and a headless run differ
// (where milliseconds come from, where the music position comes from, what becomes of a
// presented frame), plus the window's event source. Chosen once, when DemoMain starts; the
// main loop, the Timeline and the effects never know which one runs.
#pragma once

#include <SDL.h>
#include <cstdint>

struct PLAT_Backend {
    // Milliseconds of the clock the 70 Hz timer counts from (SDL_GetTicks, or a virtual clock).
    uint32_t (*Milliseconds)(void);
    // The music position word: order index in the low 16 bits, row in the high 16 bits,
    // 0xFFFFFFFF when there is no position.
    uint32_t (*MusicPosition)(void);
    // Takes the next window event, as SDL_PollEvent does; 0 when there is none.
    int (*PollEvent)(SDL_Event* event);
    // Called at the end of every LLS_DUMP; LLS_Frame32 holds the frame just presented.
    void (*FramePresented)(void);
    // False while a run skips ahead (--from): LLS_DUMP then neither converts nor shows the
    // frame, and only calls FramePresented.
    bool presents = true;
};

// The backend in use. Starts as the real SDL one.
extern PLAT_Backend PLAT;

// The real program's backend: SDL_GetTicks, the music library's position, SDL_PollEvent,
// nothing done after presenting. In the web build, the web backend instead (PLAT_UseWeb).
void PLAT_UseSDL(void);

// The real backend with its clock reading ms now and running on in real time from there:
// a run that skipped ahead on the virtual clock continues where it got to.
void PLAT_UseSDLFrom(uint32_t ms);

// Asks the SDL layer for a window scale times 640 x 480 with nearest-neighbour scaling (also
// used for full screen, which keeps the 4:3 picture). Call before SDL_Init. False when the
// SDL 1.2 in use cannot scale (the window then stays 640 x 480).
bool PLAT_ScaleWindow(int scale);

// Sleeps for about ms milliseconds (the paused window's loop, which has nothing to do).
void PLAT_Sleep(uint32_t ms);

// Web build only (src/platform/web/): the SDL backend adapted to a browser page. Events come
// from the page's keys, and each presented frame goes to the page's canvas, followed by a wait
// for the browser's next animation frame.
void PLAT_UseWeb(void);

// The virtual clock of headless runs, in milliseconds; whoever drives the run advances it.
extern uint32_t PLAT_VirtualMs;

// A headless backend: the virtual clock, the music library's position, no events, no
// presentation hook (set FramePresented afterwards to capture frames).
void PLAT_UseHeadless(void);

// The real music position source (BASS_ChannelGetPosition of the playing module).
uint32_t PLAT_LibraryMusicPosition(void);
