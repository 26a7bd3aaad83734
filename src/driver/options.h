// The command line: options beginning with "--", and the plain arguments that select full
// screen and the surface byte order.
#pragma once

#include <cstdint>

struct DemoOptions {
    bool help = false;
    bool nosound = false;          // play silently with real timing (no sound device)
    const char* renderDir = nullptr;  // headless render into this folder
    int32_t untilOrder = 0;        // stop the render once (order, row) is passed; 0: no limit
    int32_t untilRow = 0;
    int64_t frames = -1;           // stop the render after this many frames; -1: no limit
    int32_t every = 1;             // keep one frame in this many
    const char* videoFile = nullptr;  // pipe the render into ffmpeg to make this video
    int plainCount = 0;            // arguments not beginning with "--"
    const char* firstPlain = nullptr;  // the first of them, or null
};

extern DemoOptions DEMO_Options;

// Parses argv into options. On a bad option writes the reason to stderr and returns false.
bool DEMO_ParseOptions(int argc, char** argv, DemoOptions* options);

// The SDL video flags the plain arguments select (full screen when there is any), setting
// ByteOrderB or ByteOrderR from the first character of the first one.
uint32_t DEMO_VideoFlags(const DemoOptions& options);

// Writes the --help text to stdout.
void DEMO_PrintHelp(const char* program);
