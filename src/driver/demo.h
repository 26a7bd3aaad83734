// The demo driver: start-up, the main loop over the Timeline, shut-down.
#pragma once

#include <cstdint>

struct Font;

// An entry point of the Timeline, or the per-frame hook: takes the current tick and returns
// true to go on (a row that returns false is called again next frame; a hook that returns
// false ends the show).
typedef bool (*EffectFn)(uint32_t time);

struct TimelineRow {
    int32_t order;   // 1-based music order number
    int32_t row;     // compared with the 1-based row number
    EffectFn fn;     // null ends the table
};

#define TIMELINE_ROWS 79
extern const TimelineRow Timeline[TIMELINE_ROWS];

extern EffectFn FrameHook;     // draws one frame per tick; installed and removed by rows
extern uint32_t DemoTime;      // the current frame's tick
extern uint8_t DemoQuit;       // set by a quit request or by the end of the show
extern uint8_t LastKey;        // PC scan code of a released key this frame (see README: keys)
extern int32_t ShotCounter;    // number of the next screenshot
extern Font DemoFont;          // "GFX\FONT2.FNT", used by the closing text
extern bool DemoPaused;        // Space holds the music and the tick count (window only)
extern unsigned DemoHookRow;   // index of the Timeline row that installed FrameHook last

// Runs the main loop over table (count rows) until the show ends; the loop state starts
// afresh (row index 0, no hook step yet, FrameHook null, DemoQuit clear).
void DEMO_RunLoop(const TimelineRow* table, unsigned count);

// Puts back what a show reads before its rows set it, as a fresh process has it: rand's
// sequence (the allocation fill), the palettes and the fade, the text screen, the font, the
// open archives, the music's stopped flag and the effects' values that run on from the
// program's start (the weave's amplitude, the shake, the beams' spin, the ray-traced scene,
// the feedback phase, the tunnel's mode). DemoMain does it first, so that a second show in one
// process (the tests play several) starts as the first did; tests that run the loop
// themselves call it too.
void DEMO_ResetShowState(void);

// DemoMain over another table (tests wrap the Timeline's entry points to watch them run).
void DEMO_RunShow(const TimelineRow* table, unsigned count);

// Start-up, the main loop over Timeline, shut-down.
void DemoMain(void);

// Pauses, or resumes, the music and the tick count together (the Space key).
void DEMO_TogglePause(void);

// Writes "vantrlNN.PCX" (LLS_Screen with PAL_Target; not once the text screen is set up) and
// "vantrlNN.png" (the frame last shown) into the working folder, NN = ShotCounter % 100,
// and counts ShotCounter on. Says on stderr what it wrote.
void DEMO_Screenshot(void);

// The program: options, video start-up, DemoMain. Returns the process's exit status. C
// linkage, as SDL's headers declare it where they declare it at all (Emscripten's do).
extern "C" int SDL_main(int argc, char** argv);
