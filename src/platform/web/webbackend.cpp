// The web backend: the show in a browser page. The SDL backend's clock and music position,
// with the page's keys as events and, after every frame, the frame handed to the page's
// canvas and one wait for the browser's next animation frame (the loop's only yield).
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/screen.h"

#include <SDL.h>
#include <emscripten.h>

// The browser's side, in weblib.js.
extern "C" {
// Puts 640 x 480 RGBA pixels on the page's canvas.
void WEB_Present(const uint32_t* rgba, int width, int height);
// Tells the page the music position heard now (1-based order and row) and the tick.
void WEB_Report(int order, int row, uint32_t tick);
// The code of the next key released on the page, 0 when there is none: ASCII, or 0x100 + N
// for FN, 0x110 for Print Screen, 0x111 for Pause.
int WEB_NextEvent(void);
// Returns at the browser's next animation frame, having let the page run meanwhile.
void WEB_WaitFrame(void);
}

// LLS_Frame32 (0x00RRGGBB) in the byte order of a canvas's pixels: red, green, blue, alpha.
static uint32_t s_rgba[LLS_FRAME_WIDTH * LLS_FRAME_HEIGHT];

static void WEB_FramePresented(void)
{
    for (int i = 0; i < LLS_FRAME_WIDTH * LLS_FRAME_HEIGHT; i++) {
        const uint32_t p = LLS_Frame32[i];
        s_rgba[i] = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
    }
    WEB_Present(s_rgba, LLS_FRAME_WIDTH, LLS_FRAME_HEIGHT);
    WEB_Report(MUSIC_GetOrder(), MUSIC_GetRow(), TIMER_GetTicks());
    WEB_WaitFrame();
}

// The key symbol of a page's key code. Emscripten's SDL headers number the keys beyond ASCII
// differently from a desktop's SDL 1.2, so they are named here, not numbered in the page.
static SDLKey WEB_Symbol(int code)
{
    static const SDLKey functionKeys[] = {SDLK_F1, SDLK_F2,  SDLK_F3,  SDLK_F4,  SDLK_F5,
                                          SDLK_F6, SDLK_F7,  SDLK_F8,  SDLK_F9,  SDLK_F10,
                                          SDLK_F11, SDLK_F12, SDLK_F13, SDLK_F14, SDLK_F15};
    if (code > 0x100 && code <= 0x10F)
        return functionKeys[code - 0x101];
    if (code == 0x110)
        return SDLK_PRINT;
    if (code == 0x111)
        return SDLK_PAUSE;
    return (SDLKey)code;
}

static int WEB_PollEvent(SDL_Event* event)
{
    // Emscripten's SDL queues the canvas's mouse events; they are taken so the queue stays
    // short, and pass to the loop, which ignores them.
    if (SDL_PollEvent(event))
        return 1;
    const int next = WEB_NextEvent();
    if (next == 0)
        return 0;
    *event = SDL_Event{};
    event->type = SDL_KEYUP;
    event->key.state = SDL_RELEASED;
    event->key.keysym.sym = WEB_Symbol(next);
    return 1;
}

void PLAT_UseWeb(void)
{
    // The canvas is drawn here from LLS_Frame32; the SDL surface made for the window would only
    // be a second copy that nothing shows.
    ScreenSurface = nullptr;
    PLAT.PollEvent = WEB_PollEvent;
    PLAT.FramePresented = WEB_FramePresented;
}
