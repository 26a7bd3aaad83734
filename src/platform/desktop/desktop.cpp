// The desktop backend: an SDL 1.2 window, SDL's clock and event queue, and the SDL sound
// output (or none, with --nosound). The interactive backend of the native build.
#include "platform/desktop/desktop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

static uint32_t s_clockOffset = 0;   // added to SDL_GetTicks (unsigned, wraps like it)
static bool s_sound = true;

static uint32_t DESK_Milliseconds(void) { return SDL_GetTicks() + s_clockOffset; }
static void DESK_Sleep(uint32_t ms) { SDL_Delay(ms); }
static void DESK_NothingPresented(void) {}

static PLAT_Key DESK_Key(SDLKey sym)
{
    switch (sym) {
    case SDLK_ESCAPE: return PLAT_KEY_ESCAPE;
    case SDLK_SPACE: return PLAT_KEY_SPACE;
    case SDLK_q: return PLAT_KEY_Q;
    case SDLK_PRINT: return PLAT_KEY_PRINT;
    case SDLK_SYSREQ: return PLAT_KEY_SYSREQ;
    case SDLK_F12: return PLAT_KEY_F12;
    default: return PLAT_KEY_OTHER;
    }
}

bool DESK_TranslateEvent(const SDL_Event& sdl, PLAT_Event* event)
{
    switch (sdl.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event->type = sdl.type == SDL_KEYUP ? PLAT_EVENT_KEY_UP : PLAT_EVENT_KEY_DOWN;
        event->key = DESK_Key(sdl.key.keysym.sym);
        return true;
    case SDL_QUIT:
        event->type = PLAT_EVENT_QUIT;
        event->key = PLAT_KEY_OTHER;
        return true;
    default:
        return false;
    }
}

static bool DESK_PollEvent(PLAT_Event* event)
{
    SDL_Event sdl;
    while (SDL_PollEvent(&sdl))
        if (DESK_TranslateEvent(sdl, event))
            return true;
    return false;
}

void PLAT_UseWindow(bool sound)
{
    s_sound = sound;
    s_clockOffset = 0;
    PLAT = {
        "desktop",
        DESK_Milliseconds,
        DESK_PollEvent,
        DESK_Present,
        DESK_Sleep,
        sound ? &DESK_Audio : nullptr,
        DESK_NothingPresented,
        true,
    };
}

void PLAT_UseWindowFrom(uint32_t ms)
{
    PLAT_UseWindow(s_sound);
    s_clockOffset = ms - SDL_GetTicks();
}

// Asks the SDL layer for a window scale times 640 x 480 with nearest-neighbour scaling (also
// used for full screen, which keeps the 4:3 picture). Must come before SDL_Init. False when
// the SDL 1.2 in use cannot scale (the window then stays 640 x 480).
static bool DESK_ScaleWindow(int scale)
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

// The window could not be had: the message with SDL's reason.
static bool DESK_VideoFailed(const char* format)
{
    std::fprintf(stderr, format, SDL_GetError());
    SDL_Quit();
    return false;
}

bool PLAT_OpenWindow(int scale, bool fullscreen)
{
    if (!DESK_ScaleWindow(scale) && scale > 1)
        std::fprintf(stderr, "vantrel: this SDL 1.2 cannot scale the window; --scale %d is ignored\n", scale);
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return DESK_VideoFailed("Video initialization failed: %s\n");
    SDL_WM_SetCaption("Vantrel", "Vantrel");
    ScreenSurface = SDL_SetVideoMode(640, 480, 32, fullscreen ? SDL_FULLSCREEN : 0);
    if (!ScreenSurface)
        return DESK_VideoFailed("Unable to set 640x480 video: %s\n");
    return true;
}

void PLAT_CloseWindow(void)
{
    ScreenSurface = nullptr;   // freed by SDL_Quit
    SDL_Quit();
}

void PLAT_SetCaption(const char* text) { SDL_WM_SetCaption(text, "Vantrel"); }
