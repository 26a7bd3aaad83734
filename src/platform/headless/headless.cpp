// The headless backend: a virtual clock that whoever drives the run advances, frames kept in
// memory (LLS_Frame32) for the run to take, no input and no sound output: the music layer then
// renders the audio in lockstep with the clock. Renders, the timedemo and the tests run on it.
#include "platform/backend.h"

uint32_t PLAT_VirtualMs = 0;

uint32_t PLAT_VirtualMilliseconds(void) { return PLAT_VirtualMs; }
static bool HEADLESS_PollEvent(PLAT_Event*) { return false; }
static void HEADLESS_Present(const uint32_t*) {}   // the frame stays in LLS_Frame32
static void HEADLESS_Sleep(uint32_t) {}            // nothing to wait for on a virtual clock
static void HEADLESS_NothingPresented(void) {}

static constexpr PLAT_Backend s_headless = {
    "headless",
    PLAT_VirtualMilliseconds,
    HEADLESS_PollEvent,
    HEADLESS_Present,
    HEADLESS_Sleep,
    nullptr,
    HEADLESS_NothingPresented,
    true,
};

// The backend in use: headless until the program (or a test) chooses.
PLAT_Backend PLAT = s_headless;

void PLAT_UseHeadless(void) { PLAT = s_headless; }
