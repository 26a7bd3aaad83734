// Command-line parsing and the --help text.
#include "driver/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

DemoOptions DEMO_Options;

static bool DEMO_ParseInt(const char* text, long min, long max, long* out)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < min || v > max)
        return false;
    *out = v;
    return true;
}

bool DEMO_ParseOptions(int argc, char** argv, DemoOptions* o)
{
    *o = DemoOptions();
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (std::strncmp(a, "--", 2) != 0) {
            if (o->plainCount++ == 0)
                o->firstPlain = a;
            continue;
        }
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vantrel: option %s needs a value (see --help)\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        // The value of a numeric option, which must lie in [min, max]; wants says what it is.
        auto number = [&](long min, long max, const char* wants, long* out) -> bool {
            const char* v = value(a);
            if (!v)
                return false;
            if (!DEMO_ParseInt(v, min, max, out)) {
                std::fprintf(stderr, "vantrel: %s wants %s, not \"%s\"\n", a, wants, v);
                return false;
            }
            return true;
        };
        long n = 0;
        if (!std::strcmp(a, "--help")) {
            o->help = true;
        } else if (!std::strcmp(a, "--nosound")) {
            o->nosound = true;
        } else if (!std::strcmp(a, "--render")) {
            if (!(o->renderDir = value(a)))
                return false;
        } else if (!std::strcmp(a, "--video")) {
            if (!(o->videoFile = value(a)))
                return false;
        } else if (!std::strcmp(a, "--until")) {
            const char* v = value(a);
            if (!v)
                return false;
            int order = 0, row = 0;
            char tail = 0;
            if (std::sscanf(v, "%d:%d%c", &order, &row, &tail) != 2 || order < 1 || row < 1) {
                std::fprintf(stderr, "vantrel: --until wants ORDER:ROW with both at least 1, not \"%s\"\n", v);
                return false;
            }
            o->untilOrder = order;
            o->untilRow = row;
        } else if (!std::strcmp(a, "--frames")) {
            if (!number(0, 0x7FFFFFFF, "a number of frames", &n))
                return false;
            o->frames = n;
        } else if (!std::strcmp(a, "--every")) {
            if (!number(1, 1000000, "a number of at least 1", &n))
                return false;
            o->every = (int32_t)n;
        } else {
            std::fprintf(stderr, "vantrel: unknown option %s (see --help)\n", a);
            return false;
        }
    }
    if ((o->untilOrder || o->frames >= 0 || o->every != 1 || o->videoFile) && !o->renderDir) {
        std::fprintf(stderr, "vantrel: --until, --frames, --every and --video need --render DIR\n");
        return false;
    }
    return true;
}

void DEMO_PrintHelp(const char* program)
{
    std::printf(
        "Usage: %s [OPTION]... [ARG]...\n"
        "Plays the Vantrel demo from the data in the working directory (VANTREL.DAT, or the\n"
        "loose files GFX\\..., MUSIC\\..., ENDTEXT.TXT).\n"
        "\n"
        "With no ARG the show plays in a 640 x 480 window; any ARG selects full screen.\n"
        "A first ARG beginning with 'b' or 'r' also selects one of two alternative byte\n"
        "orders for the window's pixels (for displays whose colours come out wrong).\n"
        "\n"
        "Options:\n"
        "  --help            show this text and exit\n"
        "  --nosound         play without a sound device (silent, real timing)\n"
        "  --render DIR      render headless, one frame per tick (70 per second of show):\n"
        "                    DIR/frame-NNNNNN.png and the soundtrack DIR/audio.wav\n"
        "  --until ORDER:ROW stop the render once the music passes ORDER:ROW\n"
        "  --frames N        stop the render after N frames\n"
        "  --every K         keep one frame in K\n"
        "  --video FILE      also make a video FILE with ffmpeg (when installed)\n"
        "\n"
        "Keys: releasing Escape or Q, or closing the window, quits.\n",
        program);
}
