// The command line: options beginning with "--", and the plain arguments that select full
// screen and the surface byte order.
#pragma once

#include <cstdint>

struct DemoOptions {
    bool help = false;
    bool nosound = false;          // play silently with real timing (no sound device)
    bool timedemo = false;         // play the whole show headless as fast as possible, print speeds
    const char* renderDir = nullptr;  // headless render into this folder
    int32_t fromOrder = 0;         // start once the music has passed (order, row); 0: at the start
    int32_t fromRow = 0;
    int32_t untilOrder = 0;        // stop the render once (order, row) is passed; 0: no limit
    int32_t untilRow = 0;
    int64_t frames = -1;           // stop the render after this many frames; -1: no limit
    int32_t every = 1;             // keep one frame in this many
    int32_t scale = 1;             // the window is this many times 640 x 480
    const char* videoFile = nullptr;  // pipe the render into ffmpeg to make this video
    int plainCount = 0;            // arguments not beginning with "--"
    const char* firstPlain = nullptr;  // the first of them, or null
};

extern DemoOptions DEMO_Options;

// Exit statuses of the program.
#define DEMO_EXIT_OK 0      // the show ran (or --help)
#define DEMO_EXIT_ERROR 1   // an error: a file, the display, the sound device, ffmpeg
#define DEMO_EXIT_USAGE 2   // bad usage: an unknown option, a malformed or out-of-range value

// Parses argv into options. On a bad option writes the reason to stderr and returns false.
bool DEMO_ParseOptions(int argc, char** argv, DemoOptions* options);

// Whether the plain arguments select full screen (any one does), setting ByteOrderB or
// ByteOrderR from the first character of the first one.
bool DEMO_FullScreen(const DemoOptions& options);

// Writes the --help text to stdout.
void DEMO_PrintHelp(const char* program);

// Whether the music position (order, row) lies strictly past (atOrder, atRow), as a Timeline
// row is due: 1-based numbers compared order first.
inline bool DEMO_Passed(int order, int row, int atOrder, int atRow)
{
    return order > atOrder || (order == atOrder && row > atRow);
}
