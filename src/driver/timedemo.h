// The timedemo (vantrel --timedemo): the whole show headless, one frame per tick on the
// virtual clock, as fast as the machine allows, timing every frame by the effect that drew it.
#pragma once

#include "driver/demo.h"

#include <cstdint>
#include <vector>

struct DemoOptions;

// The frames of one installed frame hook, in show order.
struct TimedemoEffect {
    unsigned row;        // the Timeline row that installed the hook
    EffectFn hook;
    uint64_t frames;     // frames timed while it was installed
    double totalMs;      // their time, from one presented frame to the next
    double worstMs;
};

struct TimedemoResult {
    uint64_t frames;     // frames played (70 to a second of show)
    double seconds;      // wall-clock time from the first frame to the last
    std::vector<TimedemoEffect> effects;
};

// Plays the show headless as fast as possible from the data in the working folder, writing
// no files, and returns what it measured.
TimedemoResult TIMEDEMO_Measure(void);

// The name of a Timeline entry point ("RippleStart"), or null for one it does not know.
const char* TIMEDEMO_EntryName(EffectFn fn);

// --timedemo: measures and prints the table on stdout; returns the exit status (0).
int TIMEDEMO_Run(const DemoOptions& options);
