// Plays the real Timeline through the main loop headless, with a music position the test
// scripts: the section tests' way of watching a stretch of the show frame by frame.
#pragma once

#include "driver/demo.h"
#include "fx3d/sincos.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/screen.h"
#include "platform/timer.h"

// From a fresh show state on the headless backend, runs the whole Timeline with the music
// position read from position and presented called after every frame, until the loop ends;
// then puts the library's position back and leaves no hook installed.
inline void FIX_PlayScriptedShow(uint32_t (*position)(void), void (*presented)(void))
{
    DEMO_ResetShowState();
    SINCOS_Init();
    LLS_Init(1, 0);
    PLAT_UseHeadless();
    MUSIC_Position = position;
    PLAT.FramePresented = presented;
    PLAT_VirtualMs = 0;
    TIMER_Start(17039);

    DEMO_RunLoop(Timeline, TIMELINE_ROWS);
    PLAT_UseHeadless();
    MUSIC_Position = MUSIC_LibraryPosition;
    FrameHook = nullptr;
}
