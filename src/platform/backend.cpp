// The real and the headless platform backends.
#include "platform/backend.h"

#include <cstdio>
#include <cstdlib>
#include <string>

uint32_t PLAT_VirtualMs = 0;
static uint32_t s_sdlOffset = 0;   // added to SDL_GetTicks (unsigned, wraps like it)

static uint32_t PLAT_SDLMilliseconds(void) { return SDL_GetTicks() + s_sdlOffset; }
static uint32_t PLAT_VirtualMilliseconds(void) { return PLAT_VirtualMs; }
static int PLAT_NoEvents(SDL_Event*) { return 0; }
static void PLAT_NothingPresented(void) {}

PLAT_Backend PLAT = {PLAT_SDLMilliseconds, PLAT_LibraryMusicPosition, SDL_PollEvent, PLAT_NothingPresented};

void PLAT_UseSDL(void)
{
    s_sdlOffset = 0;
    PLAT = {PLAT_SDLMilliseconds, PLAT_LibraryMusicPosition, SDL_PollEvent, PLAT_NothingPresented};
#ifdef VANTREL_WEB
    PLAT_UseWeb();  // in a browser the window is the page
#endif
}

void PLAT_UseSDLFrom(uint32_t ms)
{
    PLAT_UseSDL();
    s_sdlOffset = ms - SDL_GetTicks();
}

void PLAT_UseHeadless(void)
{
    PLAT = {PLAT_VirtualMilliseconds, PLAT_LibraryMusicPosition, PLAT_NoEvents, PLAT_NothingPresented};
}

bool PLAT_ScaleWindow(int scale)
{
    // Debian's SDL 1.2 is sdl12-compat over SDL 2, which scales the 640 x 480 surface into a
    // larger window (and into full screen, letterboxed) itself. A user's own setting wins.
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    if (scale > 1)
        setenv("SDL12COMPAT_WINDOW_SCALING", std::to_string(scale).c_str(), 1);
    // sdl12-compat reports itself as 1.2.50 or later; the classic SDL 1.2 stopped at 1.2.15.
    const SDL_version* v = SDL_Linked_Version();
    return v->major == 1 && v->minor == 2 && v->patch >= 50;
}

void PLAT_Sleep(uint32_t ms) { SDL_Delay(ms); }
