// The real and the headless platform backends.
#include "platform/backend.h"

uint32_t PLAT_VirtualMs = 0;

static uint32_t PLAT_SDLMilliseconds(void) { return SDL_GetTicks(); }
static uint32_t PLAT_VirtualMilliseconds(void) { return PLAT_VirtualMs; }
static int PLAT_NoEvents(SDL_Event*) { return 0; }
static void PLAT_NothingPresented(void) {}

PLAT_Backend PLAT = {PLAT_SDLMilliseconds, PLAT_LibraryMusicPosition, SDL_PollEvent, PLAT_NothingPresented};

void PLAT_UseSDL(void)
{
    PLAT = {PLAT_SDLMilliseconds, PLAT_LibraryMusicPosition, SDL_PollEvent, PLAT_NothingPresented};
#ifdef VANTREL_WEB
    PLAT_UseWeb();  // in a browser the window is the page
#endif
}

void PLAT_UseHeadless(void)
{
    PLAT = {PLAT_VirtualMilliseconds, PLAT_LibraryMusicPosition, PLAT_NoEvents, PLAT_NothingPresented};
}
