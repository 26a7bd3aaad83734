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
};

// The backend in use. Starts as the real SDL one.
extern PLAT_Backend PLAT;

// The real program's backend: SDL_GetTicks, the music library's position, SDL_PollEvent,
// nothing done after presenting. In the web build, the web backend instead (PLAT_UseWeb).
void PLAT_UseSDL(void);

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
