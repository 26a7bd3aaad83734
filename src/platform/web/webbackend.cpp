// The web backend: the show in a browser page. The page's clock, its keys as the show's
// events, each finished frame on the page's canvas followed by one wait for the browser's next
// animation frame (the loop's only yield), and a Web Audio output that pulls its buffers from
// the music layer. The interactive backend of the web build, in place of the desktop.
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/screen.h"
#include "platform/timer.h"

#include <emscripten.h>

// The browser's side, in weblib.js.
extern "C" {
// Puts 640 x 480 RGBA pixels on the page's canvas.
void WEB_Present(const uint32_t* rgba, int width, int height);
// Tells the page the music position heard now (1-based order and row) and the tick.
void WEB_Report(int order, int row, uint32_t tick);
// The code of the next key released on the page, 0 when there is none: ASCII (letters in
// lower case), or 0x100 + N for FN, 0x110 for Print Screen, 0x111 for Pause.
int WEB_NextEvent(void);
// Returns at the browser's next animation frame, having let the page run meanwhile.
void WEB_WaitFrame(void);
// The Web Audio output: opens it (0, or 1 when the browser has no Web Audio), asking fill for
// buffers of *bufferFrames frames from then on; starts or stops asking; closes it.
int WEB_AudioOpen(PLAT_AudioFill fill, uint32_t* bufferFrames);
void WEB_AudioRun(int on);
void WEB_AudioClose(void);
}

static uint32_t s_clockOffset = 0;   // added to the page's clock (unsigned, wraps like it)
static bool s_sound = true;

// The page's clock: milliseconds since it was loaded.
static uint32_t WEB_Now(void) { return (uint32_t)(uint64_t)emscripten_get_now(); }
static uint32_t WEB_Milliseconds(void) { return WEB_Now() + s_clockOffset; }

// LLS_Frame32 (0x00RRGGBB) in the byte order of a canvas's pixels: red, green, blue, alpha.
static uint32_t s_rgba[LLS_FRAME_WIDTH * LLS_FRAME_HEIGHT];

static void WEB_PresentFrame(const uint32_t* frame)
{
    for (int i = 0; i < LLS_FRAME_WIDTH * LLS_FRAME_HEIGHT; i++) {
        const uint32_t p = frame[i];
        s_rgba[i] = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
    }
    WEB_Present(s_rgba, LLS_FRAME_WIDTH, LLS_FRAME_HEIGHT);
    WEB_Report(MUSIC_GetOrder(), MUSIC_GetRow(), TIMER_GetTicks());
    WEB_WaitFrame();
}

// The show's key for a page's key code.
static PLAT_Key WEB_Key(int code)
{
    switch (code) {
    case 27: return PLAT_KEY_ESCAPE;
    case ' ': return PLAT_KEY_SPACE;
    case 'q': return PLAT_KEY_Q;
    case 0x100 + 12: return PLAT_KEY_F12;
    case 0x110: return PLAT_KEY_PRINT;
    default: return PLAT_KEY_OTHER;
    }
}

// The page reports keys as they are released (a key pressed before the show began is not).
static bool WEB_PollEvent(PLAT_Event* event)
{
    const int code = WEB_NextEvent();
    if (code == 0)
        return false;
    event->type = PLAT_EVENT_KEY_UP;
    event->key = WEB_Key(code);
    return true;
}

// emscripten_sleep gives the page the time: it repaints, and the sound output is topped up.
static void WEB_Sleep(uint32_t ms) { emscripten_sleep(ms); }
static void WEB_NothingPresented(void) {}

// --- The sound output: the page's one thread calls fill between the show's frames ---

static bool WEB_AudioOpenOutput(PLAT_AudioFill fill, uint32_t* bufferFrames, const char** why)
{
    if (WEB_AudioOpen(fill, bufferFrames) != 0) {
        *why = "this browser has no Web Audio";
        return false;
    }
    return true;
}
static void WEB_AudioRunOutput(bool on) { WEB_AudioRun(on ? 1 : 0); }
static void WEB_AudioNoLock(void) {}   // fill never runs while the show's code does
static void WEB_AudioCloseOutput(void) { WEB_AudioClose(); }

static const PLAT_AudioOutput s_webAudio = {
    WEB_AudioOpenOutput, WEB_AudioRunOutput, WEB_AudioNoLock, WEB_AudioNoLock, WEB_AudioCloseOutput, WEB_Now,
};

// --- The window: the page's canvas ---

bool PLAT_OpenWindow(int, bool)
{
    // The page owns the canvas, its size and full screen: only the title is the show's.
    emscripten_set_window_title("Vantrel");
    return true;
}

void PLAT_CloseWindow(void) {}

void PLAT_SetCaption(const char* text) { emscripten_set_window_title(text); }

void PLAT_UseWindow(bool sound)
{
    s_sound = sound;
    s_clockOffset = 0;
    PLAT = {
        "web",
        WEB_Milliseconds,
        WEB_PollEvent,
        WEB_PresentFrame,
        WEB_Sleep,
        sound ? &s_webAudio : nullptr,
        WEB_NothingPresented,
        true,
    };
}

void PLAT_UseWindowFrom(uint32_t ms)
{
    PLAT_UseWindow(s_sound);
    s_clockOffset = ms - WEB_Now();
}
