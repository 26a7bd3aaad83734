// The program's entry, start-up and shut-down.
#include "driver/demo.h"

#include "data/archive.h"
#include "data/file.h"
#include "driver/options.h"
#include "driver/render.h"
#include "driver/skip.h"
#include "driver/timedemo.h"
#include "fx2d/feedback.h"
#include "fx2d/shake.h"
#include "fx2d/tunnel.h"
#include "fx3d/beams.h"
#include "fx3d/raycast.h"
#include "fx3d/sincos.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "platform/screen.h"
#include "platform/timer.h"
#include "sections/intro.h"
#include "text/font.h"
#include "text/tcscr.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

Font DemoFont;

void DEMO_ResetShowState(void)
{
    std::srand(1);   // MEM_Alloc's fill: the sequence of a process that has never seeded rand
    std::memset(PAL_Target, 0, PAL_BYTES);
    std::memset(PAL_Current, 0, PAL_BYTES);
    std::memset(PAL_Spare, 0, PAL_BYTES);
    LLS_SetPalette(PAL_Current, 0, 256);
    PAL_FadeSpeed = 1;
    PAL_Fading = 0;   // a fade an earlier show left running would hold this one's back
    PAL_FadeTime = 0;
    TCS_End();        // the closing's text screen: LLS_DUMP would go on showing it
    TCS_Active = 0;
    FONT_Free(&DemoFont);
    DAT_CloseAll();
    MusicStopped = 0;

    // The effects' values that run on from the program's start instead of their own start.
    INTRO_State.accumulator = 0.0f;
    SHAKE_Generator = {SHAKE_SEED1, SHAKE_SEED2, SHAKE_SEED3};
    SHAKE_Amplitude = 0;
    SHAKE_Phase1 = SHAKE_Phase2 = 0;
    BEAM_Spin = 0;
    BEAM_SpinStep = BEAM_SPIN_STEP;
    RAY_ResetScene();
    FeedbackPhase = 0;
    TunnelModeCounter = 0;
}

void DemoMain(void) { DEMO_RunShow(Timeline, TIMELINE_ROWS); }

void DEMO_RunShow(const TimelineRow* table, unsigned count)
{
    DEMO_ResetShowState();
    SINCOS_Init();
    DAT_Open("VANTREL.DAT");            // without it, files are looked for as plain files only
    FONT_Load(&DemoFont, "GFX\\FONT2.FNT");
    MUSIC_Init();
    LastKey = 0;
    MUSIC_Load("MUSIC\\VANTREL.S3M");   // playing from here on
    LLS_Init(1, 0);
    TIMER_Start(17039);                 // the PC timer divisor of 70 Hz; only the rate matters

    DEMO_RunLoop(table, count);

    MUSIC_Stop();
    MUSIC_Free();
}

bool DEMO_FullScreen(const DemoOptions& options)
{
    // Options beginning with "--" do not count: any other argument selects full screen, and
    // the first character of the first one may select a byte order.
    if (options.firstPlain) {
        if (options.firstPlain[0] == 'b')
            ByteOrderB = 1;
        else if (options.firstPlain[0] == 'r')
            ByteOrderR = 1;
    }
    return options.plainCount > 0;
}

int SDL_main(int argc, char** argv)
{
    ByteOrderB = 0;
    ByteOrderR = 0;

    if (!DEMO_ParseOptions(argc, argv, &DEMO_Options))
        return DEMO_EXIT_USAGE;
    if (DEMO_Options.help) {
        DEMO_PrintHelp(argv[0]);
        return DEMO_EXIT_OK;
    }
    if (DEMO_Options.renderDir)
        return RENDER_Run(DEMO_Options);
    if (DEMO_Options.timedemo)
        return TIMEDEMO_Run(DEMO_Options);

    // The window failing is an error (not 0: the show did not run); the backend said why.
    if (!PLAT_OpenWindow(DEMO_Options.scale, DEMO_FullScreen(DEMO_Options)))
        return DEMO_EXIT_ERROR;
    PLAT_UseWindow(!DEMO_Options.nosound);
    if (DEMO_Options.fromOrder)
        SKIP_Begin(DEMO_Options.fromOrder, DEMO_Options.fromRow);
    DemoMain();
    PLAT_CloseWindow();

    int order = 0, row = 0;
    if (DEMO_Options.fromOrder && !SKIP_Reached(&order, &row)) {
        std::fprintf(stderr, "\nvantrel: the show ends before it passes --from %d:%d (it ended at %d:%d)\n",
                     DEMO_Options.fromOrder, DEMO_Options.fromRow, order, row);
        return DEMO_EXIT_USAGE;
    }
    return DEMO_EXIT_OK;
}
