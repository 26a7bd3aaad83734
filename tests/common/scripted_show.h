// Plays the real Timeline through the main loop headless, with a music position the test
// scripts: the section tests' way of watching a stretch of the show frame by frame.
#pragma once

#include "driver/demo.h"
#include "fx3d/sincos.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/screen.h"
#include "platform/timer.h"

// From a fresh show state on the headless backend, runs the Timeline from row firstRow with
// the music position read from position and presented called after every frame, until the
// loop ends; then puts the library's position back and leaves no hook installed. prepare, if
// given, runs after the reset: it loads what start-up would have loaded for a later stretch.
inline void FIX_PlayScriptedShow(uint32_t (*position)(void), void (*presented)(void), unsigned firstRow = 0,
                                 void (*prepare)(void) = nullptr)
{
    DEMO_ResetShowState();
    if (prepare)
        prepare();
    SINCOS_Init();
    LLS_Init(1, 0);
    PLAT_UseHeadless();
    MUSIC_Position = position;
    PLAT.FramePresented = presented;
    PLAT_VirtualMs = 0;
    TIMER_Start(17039);

    DEMO_RunLoop(Timeline + firstRow, TIMELINE_ROWS - firstRow);
    PLAT_UseHeadless();
    MUSIC_Position = MUSIC_LibraryPosition;
    FrameHook = nullptr;
}
