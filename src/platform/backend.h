// The platform seam: what the desktop, headless and web backends each provide (a millisecond
// clock, the presentation of a finished frame, a sound output the music layer feeds, input as
// the show's own events), chosen once when the program starts. Only the backends themselves
// (platform/desktop/, platform/headless/, platform/web/) know the system libraries behind them;
// the main loop, the Timeline and the effects see only what is declared here.
#pragma once

#include <cstddef>
#include <cstdint>

// --- Input, as the show's own events ---

// The keys the show reacts to; every other key arrives as PLAT_KEY_OTHER.
enum PLAT_Key {
    PLAT_KEY_OTHER,
    PLAT_KEY_ESCAPE,
    PLAT_KEY_SPACE,
    PLAT_KEY_Q,
    PLAT_KEY_PRINT,    // Print Screen
    PLAT_KEY_SYSREQ,
    PLAT_KEY_F12,      // the screenshot key of keyboards without Print Screen
};

enum PLAT_EventType {
    PLAT_EVENT_KEY_DOWN,
    PLAT_EVENT_KEY_UP,
    PLAT_EVENT_QUIT,   // the window was closed
};

struct PLAT_Event {
    PLAT_EventType type;
    PLAT_Key key;      // for the key events
};

// --- Sound ---

// Fills count frames of interleaved stereo 16-bit audio at 44100 Hz: the music layer's side of
// a sound output. Called by the output, from a thread of its own on the desktop.
typedef void (*PLAT_AudioFill)(int16_t* frames, size_t count);

// A sound output that pulls its audio from the music layer, as a sound card does: it keeps
// about two buffers queued and asks for the next one when one has been played.
struct PLAT_AudioOutput {
    // Opens the output for 44100 Hz stereo 16-bit, playing silence until Run(true); from then
    // on it calls fill for each buffer of *bufferFrames frames. False, with the reason in *why
    // (valid until the next call), when it cannot be had.
    bool (*Open)(PLAT_AudioFill fill, uint32_t* bufferFrames, const char** why);
    // Starts (true) or stops (false) the calls of fill.
    void (*Run)(bool on);
    // Keeps fill from running between Lock and Unlock: state it shares is changed in between.
    void (*Lock)(void);
    void (*Unlock)(void);
    // Stops the calls (waiting for a running one to return) and closes the output.
    void (*Close)(void);
    // Real-time milliseconds, readable from fill: the heard position is timed by this clock.
    uint32_t (*Milliseconds)(void);
};

// --- The backend table ---

struct PLAT_Backend {
    const char* name;  // "desktop", "headless" or "web"
    // Milliseconds of the clock the 70 Hz timer counts from (real time, or a virtual clock).
    uint32_t (*Milliseconds)(void);
    // Takes the next input event; false when there is none.
    bool (*PollEvent)(PLAT_Event* event);
    // Shows a finished 640 x 480 frame of 0x00RRGGBB pixels (LLS_Frame32). The web backend
    // returns from here at the browser's next animation frame: the loop's one yield.
    void (*Present)(const uint32_t* frame);
    // Waits about ms milliseconds (the paused loop, which has nothing to do).
    void (*Sleep)(uint32_t ms);
    // The sound output the music layer opens; null: none (the music follows the clock).
    const PLAT_AudioOutput* audio;

    // Set by a run over the backend's own choice (a capture, a skip ahead, a test):
    // called at the end of every LLS_DUMP, once LLS_Frame32 holds the frame (and it has been
    // presented, when presents is set).
    void (*FramePresented)(void);
    // False while a run skips ahead (--from): LLS_DUMP then neither assembles nor presents
    // the frame, and only calls FramePresented.
    bool presents;
};

// The backend in use. Starts as the headless one; the program chooses at start-up.
extern PLAT_Backend PLAT;

// --- Headless (platform/headless/): the virtual clock, frames kept in memory, no input,
// no sound output (the music layer renders the audio in lockstep with the clock) ---

// The virtual clock of headless runs, in milliseconds; whoever drives the run advances it.
extern uint32_t PLAT_VirtualMs;

// Reads PLAT_VirtualMs: the headless clock, also taken by a window run skipping ahead.
uint32_t PLAT_VirtualMilliseconds(void);

// Selects the headless backend (FramePresented does nothing, presents is set; set
// FramePresented afterwards to capture frames).
void PLAT_UseHeadless(void);

// --- The window: the interactive backend of this build (platform/desktop/, or platform/web/
// in the web build), with real time, the window's input, and sound unless asked for none ---

// Opens the 640 x 480 picture: a window scale times that size, or full screen, keeping
// the 4:3 picture with crisp pixels. Says why on stderr and returns false when it cannot.
bool PLAT_OpenWindow(int scale, bool fullscreen);

// Closes what PLAT_OpenWindow opened.
void PLAT_CloseWindow(void);

// Sets the window's title.
void PLAT_SetCaption(const char* text);

// Selects the window's backend, with its sound output or (sound false) none.
void PLAT_UseWindow(bool sound);

// Selects it again, with the sound choice made before, its clock reading ms now and running on
// in real time from there: a run that skipped ahead on the virtual clock continues from there.
void PLAT_UseWindowFrom(uint32_t ms);
